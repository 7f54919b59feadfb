#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "sim_options.h"

namespace vobisk::sim {

// What the device answers to each complete packet, given the faults it was started with.
class AnswerPlan {
 public:
  // Deliberately XOFF: a host that left software flow control on stops its own output on it.
  static constexpr std::uint8_t kReject = 0x13;

  explicit AnswerPlan(const SimOptions& options);
  // The answer to a complete packet numbered by the accepted ones (1-based), or none at all.
  std::optional<std::uint8_t> Answer(int packet_number);

 private:
  std::map<int, int> rejects_left_;
  bool reject_all_;
  int silent_after_;
  bool chatter_;  // busy talking: answers nothing
};

}  // namespace vobisk::sim
