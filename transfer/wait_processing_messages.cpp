#include "wait_processing_messages.h"

namespace vobisk {

std::uint32_t WaitProcessingMessages(std::uint32_t milliseconds, const MessagePump& pump) {
  const std::uint32_t start = pump.tick_count();
  for (;;) {
    const std::uint32_t elapsed = pump.tick_count() - start;  // unsigned: wrap-safe
    if (elapsed >= milliseconds) return elapsed;
    pump.process_pending_events();
  }
}

}  // namespace vobisk
