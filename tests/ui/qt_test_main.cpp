// The main of the window tests: the offscreen platform, so that no display is needed, and the
// program's own application object.
#include <gtest/gtest.h>

#include "application.h"
#include "safe_ports.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  vobisk::TApplication application(argc, argv);
  return vobisk::test::RunAllTestsAwayFromRealPorts();
}
