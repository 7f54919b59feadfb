#include "mkimage_payload_source.h"

#include <array>

namespace vobisk::mkimage {

namespace {
// NUL, XON, XOFF and Ctrl-Z (end of file to some readers).
constexpr std::array<std::uint8_t, 4> kTrickyBytes = {0x00, 0x11, 0x13, 0x1A};
// Spreads neighbouring seeds apart (an odd multiplier is one-to-one), so small seeds do not
// start with small numbers.
constexpr std::uint32_t kSeedSpread = 0x9E3779B1u;
// xorshift32 is stuck at zero; any other start will do.
constexpr std::uint32_t kZeroStateStart = 0x2545F491u;

std::uint32_t StartState(std::uint32_t seed) {
  const std::uint32_t state = (seed + 1) * kSeedSpread;
  return state != 0 ? state : kZeroStateStart;
}
}  // namespace

PayloadSource::PayloadSource(std::uint32_t seed) : state_(StartState(seed)) {}

std::uint8_t PayloadSource::Next() {
  if (position_ < kTrickyBytes.size()) return kTrickyBytes[position_++];
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<std::uint8_t>(state_ >> 24);
}

}  // namespace vobisk::mkimage
