#pragma once

#include <cstdint>

namespace vobisk::mkimage {

// The payload bytes of an image: first the byte values a careless serial setup mangles (so
// every image carries them across the line), then a xorshift32 sequence from the seed.
class PayloadSource {
 public:
  explicit PayloadSource(std::uint32_t seed);
  std::uint8_t Next();

 private:
  std::uint32_t state_;
  unsigned position_ = 0;
};

}  // namespace vobisk::mkimage
