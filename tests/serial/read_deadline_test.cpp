#include "read_deadline.h"

#include <gtest/gtest.h>

#include <optional>

namespace vobisk {
namespace {

using std::chrono::milliseconds;
using Clock = ReadDeadline::Clock;

struct Case {
  const char* what;
  std::uint32_t timeout_ms;
  std::uint32_t count;
  std::optional<int> byte_at_ms;  // when the last byte arrived, if one did
  int now_ms;
  std::optional<int> remaining_ms;  // no value: no limit
};

TEST(ReadDeadline, FollowsTheTimeoutRule) {
  const Case cases[] = {
      {"one byte, T=2000: 4000 ms in all", 2000, 1, std::nullopt, 0, 4000},
      {"one byte, T=2000, at the end", 2000, 1, std::nullopt, 4000, 0},
      {"one byte, T=4000: 8000 ms in all", 4000, 1, std::nullopt, 1000, 7000},
      {"drain read, T=1: 2 ms", 1, 1, std::nullopt, 0, 2},
      {"n bytes: T*n+T", 10, 5, std::nullopt, 0, 60},
      {"a byte came: the gap rule is nearer", 100, 5, 50, 60, 90},
      {"gap exceeded", 100, 5, 50, 151, 0},
      {"total nearer than the gap", 100, 2, 250, 260, 40},
      {"T=0 waits without limit", 0, 1, std::nullopt, 1000000, std::nullopt},
      {"T=0 after a byte too", 0, 3, 10, 1000000, std::nullopt},
      {"huge T*n does not wrap", 0xFFFFFFFFu, 0xFFFFFFFFu, std::nullopt, 0, -1},
  };
  const Clock::time_point start = Clock::now();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReadDeadline deadline(c.timeout_ms, c.count, start);
    if (c.byte_at_ms) deadline.BytesArrived(start + milliseconds(*c.byte_at_ms));
    const auto remaining = deadline.Remaining(start + milliseconds(c.now_ms));
    if (!c.remaining_ms) {
      EXPECT_FALSE(remaining.has_value());
    } else if (*c.remaining_ms < 0) {  // only: far away and positive
      ASSERT_TRUE(remaining.has_value());
      EXPECT_GT(*remaining, std::chrono::hours(24 * 365));
    } else {
      ASSERT_TRUE(remaining.has_value());
      EXPECT_EQ(std::chrono::duration_cast<milliseconds>(*remaining).count(), *c.remaining_ms);
    }
  }
}

}  // namespace
}  // namespace vobisk
