#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vobisk::sim {

// Splits the bootloader's input into packets: a 2-byte big-endian payload length, then that many
// payload bytes (0 to 65535).
class PacketReader {
 public:
  // Feeds one byte; true when it completed a packet, which Packet() then holds.
  bool Feed(std::uint8_t byte);
  // The packet being received, or the one just completed; length bytes included.
  const std::vector<std::uint8_t>& Packet() const { return packet_; }
  // The size of the packet being received, length bytes included; 0 until its length is in.
  std::size_t ExpectedBytes() const;

 private:
  std::vector<std::uint8_t> packet_;
  bool complete_ = false;
};

}  // namespace vobisk::sim
