#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vobisk::test {

// A pseudo-terminal whose master side the test drives as "the device". The test also holds a
// slave descriptor of its own, so that the port under test can open and close the slave without
// hanging the line up; CloseMaster() hangs it up on purpose, as an unplugged adapter would.
class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slave_path() const { return slave_path_; }
  int master() const { return master_; }

  // Device to host.
  void Send(const std::vector<std::uint8_t>& bytes) const;
  // Host to device: everything that arrives within `quiet` of the previous byte (or of the
  // call), at most `limit` bytes.
  std::vector<std::uint8_t> Receive(std::chrono::milliseconds quiet = std::chrono::milliseconds(200),
                                    std::size_t limit = 1 << 20) const;
  void CloseMaster();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
};

}  // namespace vobisk::test
