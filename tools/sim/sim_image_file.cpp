#include "sim_image_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vobisk::sim {

bool ImageFile::Open(const std::string& path, std::string& error) {
  Close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) error = "cannot open " + path + ": " + std::strerror(errno);
  return fd_ >= 0;
}

void ImageFile::Append(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (fd_ >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void ImageFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace vobisk::sim
