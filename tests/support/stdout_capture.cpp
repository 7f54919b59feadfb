#include "stdout_capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace vobisk::test {

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  char name[] = "/tmp/vobisk-stdout-XXXXXX";
  capture_fd_ = ::mkstemp(name);
  if (capture_fd_ < 0) std::abort();
  ::unlink(name);
  saved_fd_ = ::dup(STDOUT_FILENO);
  ::dup2(capture_fd_, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
  std::fflush(stdout);
  ::dup2(saved_fd_, STDOUT_FILENO);
  ::close(saved_fd_);
  ::close(capture_fd_);
}

std::string StdoutCapture::Text() const {
  std::fflush(stdout);
  std::string text;
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(capture_fd_, buffer, sizeof buffer, at);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  return text;
}

int OpenDescriptorsOf(const std::string& path) {
  const std::filesystem::path wanted = std::filesystem::weakly_canonical(path);
  int count = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    std::error_code ignored;
    if (std::filesystem::read_symlink(entry.path(), ignored) == wanted) ++count;
  }
  return count;
}

}  // namespace vobisk::test
