#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace vobisk::sim {

// Paces bytes like a serial line: 10 bits a byte (start, 8 data, stop) at the line's baud.
class WireClock {
 public:
  using Clock = std::chrono::steady_clock;

  static Clock::duration Duration(std::size_t bytes, std::uint32_t baud);
  // When a chunk of `bytes` read at `arrived` has fully come off the wire; the wire stays busy
  // until then, so a chunk read early waits for the one before it.
  Clock::time_point Receive(Clock::time_point arrived, std::size_t bytes, std::uint32_t baud);

 private:
  Clock::time_point free_at_{};
};

}  // namespace vobisk::sim
