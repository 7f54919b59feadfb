#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vobisk::sim::test {

// The vobisk-sim program run as a child, its standard output on a pipe.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool running() const { return pid_ > 0; }
  // The next line of its output, without the line end; empty at end of output or on timeout.
  std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
  // Sends the signal and waits for the exit; the exit status, or -1 if it did not exit normally.
  int Stop(int signal);
  int Wait();

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffered_;
};

}  // namespace vobisk::sim::test
