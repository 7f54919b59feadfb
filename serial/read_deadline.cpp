#include "read_deadline.h"

#include <algorithm>

namespace vobisk {

namespace {
// T*n+T can reach 2^64 ms; anything past a few years is as good as no end and must not
// overflow the clock's representation.
constexpr std::uint64_t kLongestTotalMs = std::uint64_t{1} << 40;
}  // namespace

ReadDeadline::ReadDeadline(std::uint32_t timeout_ms, std::uint32_t count, Clock::time_point start)
    : timeout_ms_(timeout_ms) {
  const std::uint64_t total_ms =
      std::min<std::uint64_t>(std::uint64_t{timeout_ms} * (std::uint64_t{count} + 1), kLongestTotalMs);
  total_end_ = start + std::chrono::milliseconds(total_ms);
}

void ReadDeadline::BytesArrived(Clock::time_point when) { last_arrival_ = when; }

std::optional<std::chrono::microseconds> ReadDeadline::Remaining(Clock::time_point now) const {
  if (timeout_ms_ == 0) return std::nullopt;
  Clock::time_point end = total_end_;
  if (last_arrival_) end = std::min(end, *last_arrival_ + std::chrono::milliseconds(timeout_ms_));
  if (now >= end) return std::chrono::microseconds::zero();
  return std::chrono::ceil<std::chrono::microseconds>(end - now);
}

}  // namespace vobisk
