#include "temp_dir.h"

#include <cstdlib>
#include <fstream>

namespace vobisk::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vobisk-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& contents) const {
  const std::filesystem::path file = path_ / name;
  std::ofstream(file, std::ios::binary) << contents;
  return file;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  const char* old = std::getenv(name);
  had_value_ = old != nullptr;
  if (old) old_value_ = old;
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_value_)
    ::setenv(name_.c_str(), old_value_.c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

ScopedCwd::ScopedCwd(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

ScopedCwd::~ScopedCwd() {
  std::error_code ignored;
  std::filesystem::current_path(old_, ignored);
}

}  // namespace vobisk::test
