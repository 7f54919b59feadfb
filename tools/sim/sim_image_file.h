#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vobisk::sim {

// The --out file: truncated when opened, each accepted packet written straight through, so a
// reader sees it complete as soon as the host has the answer.
class ImageFile {
 public:
  ImageFile() = default;
  ~ImageFile() { Close(); }
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  bool Open(const std::string& path, std::string& error);
  void Append(const std::vector<std::uint8_t>& bytes);
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace vobisk::sim
