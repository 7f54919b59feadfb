#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vobisk::sim::test {

SimProcess::SimProcess(const std::vector<std::string>& args) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  std::vector<std::string> all = args;
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  out_ = pipe_fds[0];
}

SimProcess::~SimProcess() {
  if (pid_ > 0) Stop(SIGKILL);
  if (out_ >= 0) ::close(out_);
}

std::string SimProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (buffered_.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{out_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
    char chunk[256];
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n <= 0) return {};
    buffered_.append(chunk, static_cast<std::size_t>(n));
  }
  const std::size_t end = buffered_.find('\n');
  std::string line = buffered_.substr(0, end);
  buffered_.erase(0, end + 1);
  return line;
}

int SimProcess::Stop(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
  return Wait();
}

int SimProcess::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  const pid_t waited = ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return waited > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vobisk::sim::test
