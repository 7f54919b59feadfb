#include "activation_filter.h"

namespace vobisk {

bool ActivationFilter::FirstShown() {
  if (first_done_) return false;
  first_done_ = true;
  return true;
}

bool ActivationFilter::Activated() {
  if (!first_done_) return FirstShown();
  if (!away_) return false;
  away_ = false;
  return true;
}

void ActivationFilter::Deactivated(bool focus_stays_here) {
  // Losing the focus to one of our own windows is no leaving.
  if (own_modal_depth_ == 0 && !focus_stays_here) away_ = true;
}

}  // namespace vobisk
