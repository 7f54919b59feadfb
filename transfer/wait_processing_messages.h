#pragma once

#include <cstdint>

#include "message_pump.h"

namespace vobisk {

// Waits at least `milliseconds`, processing pending window events between readings of the tick
// counter, so that the window stays responsive (and its handlers may run nested here). It never
// sleeps; a wrap of the counter changes nothing; a request of 0 returns at once without
// processing anything. Returns the milliseconds that elapsed.
std::uint32_t WaitProcessingMessages(std::uint32_t milliseconds, const MessagePump& pump);

}  // namespace vobisk
