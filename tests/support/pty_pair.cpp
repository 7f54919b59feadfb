#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace vobisk::test {

PtyPair::PtyPair() {
  char name[128] = {};
  termios raw{};
  ::cfmakeraw(&raw);
  if (::openpty(&master_, &slave_, name, &raw, nullptr) < 0) std::abort();
  slave_path_ = name;
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
}

void PtyPair::Send(const std::vector<std::uint8_t>& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::vector<std::uint8_t> PtyPair::Receive(std::chrono::milliseconds quiet, std::size_t limit) const {
  std::vector<std::uint8_t> got;
  std::uint8_t buf[4096];
  while (got.size() < limit) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0 || !(p.revents & POLLIN)) break;
    const ssize_t n = ::read(master_, buf, std::min(sizeof buf, limit - got.size()));
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

void PtyPair::CloseMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

}  // namespace vobisk::test
