#include "sim_entry_matcher.h"

#include <algorithm>
#include <array>

#include "device_protocol.h"

namespace vobisk::sim {

namespace {

constexpr std::size_t kEntryBytes =
    protocol::kEntryStep1.size() + protocol::kEntryStep2.size() + protocol::kEntryStep3.size();

constexpr std::array<std::uint8_t, kEntryBytes> EntrySequence() {
  std::array<std::uint8_t, kEntryBytes> all{};
  auto out = std::copy(protocol::kEntryStep1.begin(), protocol::kEntryStep1.end(), all.begin());
  out = std::copy(protocol::kEntryStep2.begin(), protocol::kEntryStep2.end(), out);
  std::copy(protocol::kEntryStep3.begin(), protocol::kEntryStep3.end(), out);
  return all;
}

constexpr std::array<std::uint8_t, kEntryBytes> kEntrySequence = EntrySequence();

}  // namespace

bool EntryMatcher::Feed(std::uint8_t byte) {
  window_.push_back(byte);
  if (window_.size() > kEntryBytes) window_.pop_front();
  if (window_.size() < kEntryBytes || !std::equal(window_.begin(), window_.end(), kEntrySequence.begin()))
    return false;
  window_.clear();
  return true;
}

}  // namespace vobisk::sim
