#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace vobisk {

// The read time-out rule, for a read of n bytes with time-out T milliseconds:
//   1. the read succeeds as soon as n bytes have arrived;
//   2. it ends early when T*n + T ms have passed since it began;
//   3. once a byte has arrived, it also ends early when more than T ms pass without the next;
//   4. with T = 0 nothing ends it early.
// An early end hands over what came so far; the caller then reports failure.
// Windows applies this rule itself (COMMTIMEOUTS); the POSIX backend keeps it with this class.
class ReadDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  ReadDeadline(std::uint32_t timeout_ms, std::uint32_t count, Clock::time_point start);

  // Bytes arrived at `when`; from now on the gap to the next byte counts.
  void BytesArrived(Clock::time_point when);

  // How long the read may still wait at `now`: no value means without limit; zero means the
  // read ends now.
  std::optional<std::chrono::microseconds> Remaining(Clock::time_point now) const;

 private:
  std::uint32_t timeout_ms_;
  Clock::time_point total_end_;
  std::optional<Clock::time_point> last_arrival_;
};

}  // namespace vobisk
