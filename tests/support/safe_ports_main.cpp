// The main of the test binaries that need no window.
#include <gtest/gtest.h>

#include "safe_ports.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return vobisk::test::RunAllTestsAwayFromRealPorts();
}
