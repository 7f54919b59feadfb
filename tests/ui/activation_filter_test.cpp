#include "activation_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vobisk {
namespace {

// Steps: "shown", "activated", "away" (another program took the focus), "to-own" (another
// window of ours did), "modal" / "modal-closed" (one of our message boxes or the file dialog).
int CountedActivations(const std::vector<std::string>& steps) {
  ActivationFilter filter;
  int counted = 0;
  for (const std::string& step : steps) {
    if (step == "shown") counted += filter.FirstShown();
    if (step == "activated") counted += filter.Activated();
    if (step == "away") filter.Deactivated(false);
    if (step == "to-own") filter.Deactivated(true);
    if (step == "modal") filter.OwnModalOpened();
    if (step == "modal-closed") filter.OwnModalClosed();
  }
  return counted;
}

TEST(ActivationFilter, CountsTheActivationsThatShouldRunTheHandler) {
  struct Case {
    const char* what;
    std::vector<std::string> steps;
    int counted;
  };
  const Case cases[] = {
      {"first showing, window system activates too", {"shown", "activated"}, 1},
      {"window system activates first", {"activated", "shown"}, 1},
      {"no window manager: nothing activates", {"shown"}, 1},
      {"a message box opens and closes", {"shown", "activated", "modal", "away", "modal-closed", "activated"}, 1},
      {"focus goes to the box itself", {"shown", "activated", "modal", "to-own", "modal-closed", "activated"}, 1},
      {"the box's deactivation comes late", {"shown", "activated", "modal", "modal-closed", "to-own", "activated"}, 1},
      {"the user goes to another program and back", {"shown", "activated", "away", "activated"}, 2},
      {"and again", {"shown", "activated", "away", "activated", "away", "activated"}, 3},
      {"a repeated activation without leaving", {"shown", "activated", "activated"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CountedActivations(c.steps), c.counted);
  }
}

}  // namespace
}  // namespace vobisk
