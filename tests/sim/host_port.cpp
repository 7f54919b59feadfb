#include "host_port.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace vobisk::sim::test {

namespace {
using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}
}  // namespace

HostPort::HostPort(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ >= 0 && ::tcgetattr(fd_, &saved_) != 0) Close();
}

HostPort::HostPort(const std::string& path, const Line& line) : HostPort(path) {
  if (is_open() && !Configure(line)) Close();
}

bool HostPort::Configure(const Line& line) {
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) return false;
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CREAD | CLOCAL | line.cflag_on;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  settings.c_iflag |= line.iflag_on;
  ::cfsetispeed(&settings, line.speed);
  ::cfsetospeed(&settings, line.speed);
  return ::tcsetattr(fd_, TCSANOW, &settings) == 0;
}

bool HostPort::Write(const std::vector<std::uint8_t>& bytes, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0) return false;
  }
  return true;
}

std::vector<std::uint8_t> HostPort::Read(std::size_t count, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::vector<std::uint8_t> got(count);
  std::size_t done = 0;
  while (done < count) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0) break;
    const ssize_t n = ::read(fd_, got.data() + done, count - done);
    if (n == 0) break;  // hung up
    if (n > 0) done += static_cast<std::size_t>(n);
    if (n < 0 && errno != EAGAIN && errno != EINTR) break;
  }
  got.resize(done);
  return got;
}

short HostPort::Poll(std::chrono::milliseconds timeout) {
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0 ? p.revents : 0;
}

void HostPort::Close() {
  if (fd_ < 0) return;
  ::tcsetattr(fd_, TCSANOW, &saved_);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace vobisk::sim::test
