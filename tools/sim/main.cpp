// vobisk-sim: the simulated device as a program, for the demo and the benchmarks.
#include <signal.h>

#include <ctime>
#include <iostream>
#include <string_view>

#include "sim_device.h"
#include "sim_options.h"

namespace {
constexpr timespec kHangUpCheck{0, 20'000'000};
}

int main(int argc, char** argv) {
  using vobisk::sim::SimDevice;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help") {
      std::cout << vobisk::sim::UsageText();
      return 0;
    }
  }
  vobisk::sim::SimOptions options;
  std::string error;
  if (!vobisk::sim::ParseOptions(argc, argv, options, error)) {
    std::cerr << "vobisk-sim: " << error << " (see --help)\n";
    return 2;
  }

  // Blocked before the device's thread exists, so that only sigtimedwait below receives them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  SimDevice device(std::move(options));
  if (!device.Start()) {
    std::cerr << "vobisk-sim: " << device.Error() << "\n";
    return 1;
  }
  std::cout << device.SlavePath() << std::endl;
  while (!device.HungUp() && sigtimedwait(&stop_signals, nullptr, &kHangUpCheck) < 0) {
  }
  device.Stop();
  return 0;
}
