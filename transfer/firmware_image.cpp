#include "firmware_image.h"

#include "device_protocol.h"
#include "hex_token_reader.h"

namespace vobisk {

FirmwareImage::LoadResult FirmwareImage::Load(std::FILE* file) {
  bytes_.clear();
  bytes_.reserve(kCapacity);
  HexTokenReader reader(file);
  while (const auto byte = reader.Next()) {
    if (bytes_.size() == kCapacity) {
      bytes_.clear();
      return LoadResult::kTooLarge;
    }
    bytes_.push_back(*byte);
  }
  // End of file and a failed read look alike to the reader; a failed read must not pass for a
  // shorter image.
  if (std::ferror(file)) {
    bytes_.clear();
    return LoadResult::kReadError;
  }
  return LoadResult::kLoaded;
}

std::size_t FirmwareImage::PacketSizeAt(std::size_t offset) const {
  return (std::size_t{bytes_[offset]} << 8 | bytes_[offset + 1]) + protocol::kPacketHeaderBytes;
}

bool FirmwareImage::PacketsEndExactly() const {
  std::size_t offset = 0;
  while (offset < bytes_.size()) {
    if (bytes_.size() - offset < protocol::kPacketHeaderBytes) return false;
    const std::size_t packet = PacketSizeAt(offset);
    if (packet > bytes_.size() - offset) return false;
    offset += packet;
  }
  return true;
}

}  // namespace vobisk
