#include "sim_wire_clock.h"

#include <algorithm>

namespace vobisk::sim {

namespace {
constexpr std::uint64_t kBitsPerByte = 10;
}

WireClock::Clock::duration WireClock::Duration(std::size_t bytes, std::uint32_t baud) {
  if (baud == 0) return {};
  const std::chrono::nanoseconds wire(bytes * kBitsPerByte * 1'000'000'000ULL / baud);
  return std::chrono::duration_cast<Clock::duration>(wire);
}

WireClock::Clock::time_point WireClock::Receive(Clock::time_point arrived, std::size_t bytes,
                                                std::uint32_t baud) {
  free_at_ = std::max(arrived, free_at_) + Duration(bytes, baud);
  return free_at_;
}

}  // namespace vobisk::sim
