#pragma once

#include <string>

namespace vobisk::sim {

// A symbolic link to the slave under a name chosen by whoever starts the device. Removed only
// while it still points at our slave, so a link someone else has since made survives.
class SlaveLink {
 public:
  SlaveLink() = default;
  ~SlaveLink() { Remove(); }
  SlaveLink(const SlaveLink&) = delete;
  SlaveLink& operator=(const SlaveLink&) = delete;

  // Replaces an existing symbolic link at `link`, but no other kind of file.
  bool Create(const std::string& link, const std::string& target, std::string& error);
  void Remove();

 private:
  std::string link_;
  std::string target_;
};

}  // namespace vobisk::sim
