#include "sim_slave_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace vobisk::sim {

bool SlaveLink::Create(const std::string& link, const std::string& target, std::string& error) {
  Remove();
  struct stat existing {};
  if (::lstat(link.c_str(), &existing) == 0) {
    if (!S_ISLNK(existing.st_mode)) {
      error = link + " exists and is not a symbolic link";
      return false;
    }
    ::unlink(link.c_str());
  }
  if (::symlink(target.c_str(), link.c_str()) != 0) {
    error = "cannot create " + link + ": " + std::strerror(errno);
    return false;
  }
  link_ = link;
  target_ = target;
  return true;
}

void SlaveLink::Remove() {
  if (link_.empty()) return;
  char points_to[PATH_MAX];
  const ssize_t n = ::readlink(link_.c_str(), points_to, sizeof points_to);
  if (n >= 0 && std::string(points_to, static_cast<std::size_t>(n)) == target_) ::unlink(link_.c_str());
  link_.clear();
  target_.clear();
}

}  // namespace vobisk::sim
