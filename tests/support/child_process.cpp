#include "child_process.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

namespace vobisk::test {

namespace {

void Drop(Privilege privilege) {
  if (privilege == Privilege::kAsIs) return;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) ::_exit(120);
  auto clear = [&](int cap) {
    data[cap / 32].effective &= ~(std::uint32_t{1} << (cap % 32));
    data[cap / 32].permitted &= ~(std::uint32_t{1} << (cap % 32));
    data[cap / 32].inheritable &= ~(std::uint32_t{1} << (cap % 32));
  };
  clear(CAP_SYS_ADMIN);
  if (privilege == Privilege::kNoAdminNoFileOverride) {
    clear(CAP_DAC_OVERRIDE);
    clear(CAP_DAC_READ_SEARCH);
    clear(CAP_FOWNER);
  }
  if (::syscall(SYS_capset, &header, data) != 0) ::_exit(121);
}

int Wait(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int RunInChild(Privilege privilege, const std::function<int()>& fn) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    Drop(privilege);
    ::_exit(fn());
  }
  return Wait(pid);
}

HoldingChild::HoldingChild(const std::function<int()>& hold) {
  int ready[2], release[2];
  if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(ready[0]);
    ::close(release[1]);
    const char result = static_cast<char>(hold());
    (void)!::write(ready[1], &result, 1);
    char c;
    (void)!::read(release[0], &c, 1);  // returns when the parent closes its end
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  release_fd_ = release[1];
  char result = 1;
  holding_ = ::read(ready[0], &result, 1) == 1 && result == 0;
  ::close(ready[0]);
}

HoldingChild::~HoldingChild() {
  if (release_fd_ >= 0) ::close(release_fd_);
  if (pid_ > 0) Wait(pid_);
}

}  // namespace vobisk::test
