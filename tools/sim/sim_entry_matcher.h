#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace vobisk::sim {

// The running firmware's ear for the bootloader entry: the three entry commands, back to back,
// anywhere in the stream of good bytes.
class EntryMatcher {
 public:
  // Feeds one good byte; true when it completed the three commands.
  bool Feed(std::uint8_t byte);
  // Line noise breaks a command in progress.
  void Reset() { window_.clear(); }

 private:
  std::deque<std::uint8_t> window_;  // the last good bytes, at most as many as the commands
};

}  // namespace vobisk::sim
