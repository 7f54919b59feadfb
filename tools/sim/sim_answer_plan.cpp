#include "sim_answer_plan.h"

#include "device_protocol.h"

namespace vobisk::sim {

AnswerPlan::AnswerPlan(const SimOptions& options)
    : rejects_left_(options.reject_times),
      reject_all_(options.reject_all),
      silent_after_(options.silent_after),
      chatter_(options.chatter) {}

std::optional<std::uint8_t> AnswerPlan::Answer(int packet_number) {
  if (chatter_ || (silent_after_ >= 0 && packet_number > silent_after_)) return std::nullopt;
  if (reject_all_) return kReject;
  if (const auto left = rejects_left_.find(packet_number); left != rejects_left_.end() && left->second > 0) {
    --left->second;
    return kReject;
  }
  return protocol::kAcknowledge;
}

}  // namespace vobisk::sim
