#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace vobisk::sim {

// One read() from the master, as it arrived (split in two only where the device changed mode
// in the middle of it, since the rest is judged by the new mode).
struct ReceivedChunk {
  std::chrono::steady_clock::time_point at;
  std::vector<std::uint8_t> bytes;
  std::uint32_t baud;  // the line speed the chunk was judged by
  bool noise;          // judged as line noise (wrong speed, parity or flow control)
};

}  // namespace vobisk::sim
