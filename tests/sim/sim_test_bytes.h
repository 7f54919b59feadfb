#pragma once

#include <cstdint>
#include <vector>

#include "device_protocol.h"
#include "sim_device.h"

namespace vobisk::sim::test {

using Bytes = std::vector<std::uint8_t>;

// A packet as the host sends it: length (big-endian), then the payload.
inline Bytes Packet(std::size_t payload_bytes, std::uint8_t first = 0xA0) {
  Bytes packet{static_cast<std::uint8_t>(payload_bytes >> 8), static_cast<std::uint8_t>(payload_bytes)};
  for (std::size_t i = 0; i < payload_bytes; ++i) packet.push_back(static_cast<std::uint8_t>(first + i));
  return packet;
}

inline Bytes EntryStep(const auto& step) { return Bytes(step.begin(), step.end()); }

inline Bytes EntryCommands() {
  Bytes all = EntryStep(protocol::kEntryStep1);
  for (const Bytes& step : {EntryStep(protocol::kEntryStep2), EntryStep(protocol::kEntryStep3)})
    all.insert(all.end(), step.begin(), step.end());
  return all;
}

inline std::size_t BytesReceived(const SimDevice& sim) {
  std::size_t total = 0;
  for (const ReceivedChunk& chunk : sim.Chunks()) total += chunk.bytes.size();
  return total;
}

}  // namespace vobisk::sim::test
