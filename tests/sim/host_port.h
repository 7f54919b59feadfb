#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vobisk::sim::test {

// The host's end of the line, as the upload tool uses a port: opens the slave, configures it,
// and on Close() puts back the settings the terminal had before.
class HostPort {
 public:
  struct Line {
    speed_t speed = B19200;
    tcflag_t cflag_on = 0;  // on top of raw 8N1: e.g. CRTSCTS
    tcflag_t iflag_on = 0;  // e.g. IXON
  };

  // Opens the slave without touching its settings.
  explicit HostPort(const std::string& path);
  HostPort(const std::string& path, const Line& line);
  ~HostPort() { Close(); }
  HostPort(const HostPort&) = delete;
  HostPort& operator=(const HostPort&) = delete;

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  bool Configure(const Line& line);
  // Everything, or false if the line would not take it within the timeout.
  bool Write(const std::vector<std::uint8_t>& bytes,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
  // Until `count` bytes or the timeout, whichever first.
  std::vector<std::uint8_t> Read(std::size_t count,
                                 std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
  // poll()'s revents for POLLIN, 0 on timeout.
  short Poll(std::chrono::milliseconds timeout);
  void Close();

 private:
  int fd_ = -1;
  termios saved_{};
};

}  // namespace vobisk::sim::test
