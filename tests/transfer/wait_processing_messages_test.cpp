#include "wait_processing_messages.h"

#include <gtest/gtest.h>

namespace vobisk {
namespace {

// A tick counter that advances one millisecond each time the window's events are processed.
struct SteppingClock {
  std::uint32_t now;
  int pumped = 0;
  MessagePump pump() {
    return {[this] { return now; }, [this] {
              ++pumped;
              ++now;
            }};
  }
};

TEST(WaitProcessingMessages, CountsElapsedTicksAcrossTheWrap) {
  struct Case {
    const char* what;
    std::uint32_t start;
    std::uint32_t request;
  };
  const Case cases[] = {
      {"plain", 1000, 150},
      {"the counter wraps during the pause", 0xFFFFFFFFu - 20, 150},
      {"starting right at the wrap", 0xFFFFFFFFu, 150},
      {"zero", 5000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SteppingClock clock{c.start};
    EXPECT_EQ(WaitProcessingMessages(c.request, clock.pump()), c.request);
    EXPECT_EQ(clock.pumped, static_cast<int>(c.request));
  }
}

TEST(WaitProcessingMessages, HandlersRunNestedAndStretchThePause) {
  std::uint32_t now = 0;
  int depth = 0, deepest = 0;
  MessagePump pump;
  pump.tick_count = [&] { return now; };
  pump.process_pending_events = [&] {
    ++now;
    ++depth;
    deepest = std::max(deepest, depth);
    if (now == 10) WaitProcessingMessages(5, pump);  // a nested pause inside a handler
    if (now == 40) now += 500;                             // a handler that runs long
    --depth;
  };
  EXPECT_GE(WaitProcessingMessages(150, pump), 540u);
  EXPECT_EQ(deepest, 2);
}

}  // namespace
}  // namespace vobisk
