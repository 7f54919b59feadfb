#pragma once

#include <filesystem>
#include <string>

namespace vobisk::test {

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // Writes a file below the folder and returns its path.
  std::filesystem::path Write(const std::string& name, const std::string& contents) const;

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for the lifetime of the object, then puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_value_;
  std::string old_value_;
};

// Changes the working directory for the lifetime of the object.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& dir);
  ~ScopedCwd();
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;

 private:
  std::filesystem::path old_;
};

}  // namespace vobisk::test
