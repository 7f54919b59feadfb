#pragma once

#include <string>

namespace vobisk::test {

// Catches what is written to standard output (the trace lines) while the object lives.
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Everything written so far.
  std::string Text() const;

 private:
  int saved_fd_ = -1;
  int capture_fd_ = -1;
};

// How many descriptors of this process have `path` open.
int OpenDescriptorsOf(const std::string& path);

}  // namespace vobisk::test
