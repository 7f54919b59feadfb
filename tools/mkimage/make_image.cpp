#include <algorithm>

#include "mkimage.h"
#include "mkimage_payload_source.h"

namespace vobisk::mkimage {

namespace {

constexpr std::size_t kHeaderBytes = 2;

void AppendPacket(std::vector<std::uint8_t>& image, std::size_t payload_bytes, PayloadSource& source) {
  image.push_back(static_cast<std::uint8_t>(payload_bytes >> 8));
  image.push_back(static_cast<std::uint8_t>(payload_bytes & 0xFF));
  for (std::size_t i = 0; i < payload_bytes; ++i) image.push_back(source.Next());
}

}  // namespace

std::vector<std::uint8_t> MakeImage(std::size_t payload_bytes, std::size_t packets, std::uint32_t seed) {
  payload_bytes = std::min(payload_bytes, kMaxPayloadBytes);
  PayloadSource source(seed);
  std::vector<std::uint8_t> image;
  image.reserve(packets * (payload_bytes + kHeaderBytes));
  for (std::size_t i = 0; i < packets; ++i) AppendPacket(image, payload_bytes, source);
  return image;
}

std::vector<std::uint8_t> MakeImageUpTo(std::size_t payload_bytes, std::size_t limit_bytes, std::uint32_t seed) {
  payload_bytes = std::min(payload_bytes, kMaxPayloadBytes);
  PayloadSource source(seed);
  std::vector<std::uint8_t> image;
  image.reserve(limit_bytes);
  while (limit_bytes - image.size() >= kHeaderBytes + payload_bytes) AppendPacket(image, payload_bytes, source);
  // A cut packet is only worth sending with at least one payload byte in it.
  if (const std::size_t left = limit_bytes - image.size(); left > kHeaderBytes)
    AppendPacket(image, left - kHeaderBytes, source);
  return image;
}

}  // namespace vobisk::mkimage
