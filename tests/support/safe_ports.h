#pragma once

namespace vobisk::test {

// Port names are resolved through VOBISK_COM_DIR; pointing it at an empty folder before any test
// runs means no test can reach the machine's real ports (on the build machines /dev/ttyS0 is the
// system console). Tests that want ports link them into a folder of their own.
int RunAllTestsAwayFromRealPorts();

}  // namespace vobisk::test
