#include "sim_packet_reader.h"

#include "device_protocol.h"

namespace vobisk::sim {

bool PacketReader::Feed(std::uint8_t byte) {
  if (complete_) {
    packet_.clear();
    complete_ = false;
  }
  packet_.push_back(byte);
  complete_ = packet_.size() == ExpectedBytes();
  return complete_;
}

std::size_t PacketReader::ExpectedBytes() const {
  if (packet_.size() < protocol::kPacketHeaderBytes) return 0;
  return protocol::kPacketHeaderBytes + (std::size_t{packet_[0]} << 8 | packet_[1]);
}

}  // namespace vobisk::sim
