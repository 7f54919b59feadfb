#pragma once

#include <sys/types.h>

#include <functional>

namespace vobisk::test {

// The capabilities through which root gets past a terminal's exclusive flag and past file modes.
// Tests drop them to see what an ordinary user sees (CI runs as root).
enum class Privilege { kAsIs, kNoAdmin, kNoAdminNoFileOverride };

// Runs fn in a forked child with the given privilege and returns its exit code (or -1).
int RunInChild(Privilege privilege, const std::function<int()>& fn);

// A child process that runs `hold` (which opens something and returns 0 once it holds it) and
// then keeps holding until the object is destroyed.
class HoldingChild {
 public:
  explicit HoldingChild(const std::function<int()>& hold);
  ~HoldingChild();
  HoldingChild(const HoldingChild&) = delete;
  HoldingChild& operator=(const HoldingChild&) = delete;

  // Whether `hold` succeeded in the child.
  bool holding() const { return holding_; }

 private:
  pid_t pid_ = -1;
  int release_fd_ = -1;
  bool holding_ = false;
};

}  // namespace vobisk::test
