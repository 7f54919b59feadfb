#include "safe_ports.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "temp_dir.h"

namespace vobisk::test {

int RunAllTestsAwayFromRealPorts() {
  TempDir no_ports;
  ::setenv("VOBISK_COM_DIR", no_ports.path().c_str(), 1);
  return RUN_ALL_TESTS();
}

}  // namespace vobisk::test
