#pragma once

#include <cstdint>
#include <functional>

namespace vobisk {

// The two services of the window system that a pause needs: the 32-bit millisecond tick counter
// (it wraps after 49.7 days) and "process the window events that are pending" (never waits).
struct MessagePump {
  std::function<std::uint32_t()> tick_count;
  std::function<void()> process_pending_events;
};

}  // namespace vobisk
