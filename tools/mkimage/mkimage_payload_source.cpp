#include "mkimage_payload_source.h"

#include <array>

namespace vobisk::mkimage {

namespace {
// NUL, XON, XOFF and Ctrl-Z (end of file to some readers).
constexpr std::array<std::uint8_t, 4> kTrickyBytes = {0x00, 0x11, 0x13, 0x1A};
// xorshift32 is stuck at zero; any other start will do.
constexpr std::uint32_t kZeroSeedStart = 0x9E3779B9u;
}  // namespace

PayloadSource::PayloadSource(std::uint32_t seed) : state_(seed != 0 ? seed : kZeroSeedStart) {}

std::uint8_t PayloadSource::Next() {
  if (position_ < kTrickyBytes.size()) return kTrickyBytes[position_++];
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<std::uint8_t>(state_ >> 24);
}

}  // namespace vobisk::mkimage
