#include "port_scan.h"

#include "device_path.h"

namespace vobisk {

namespace {
constexpr int kFirstProbedPort = 0;
constexpr int kLastProbedPort = 98;
constexpr std::uint32_t kProbeBaud = 57600;
constexpr std::uint32_t kProbeTimeoutMs = 2000;
}  // namespace

std::vector<std::string> ListOpenablePorts(TComPort& port) {
  std::vector<std::string> found;
  for (int n = kFirstProbedPort; n <= kLastProbedPort; ++n) {
    const std::string name = "COM" + std::to_string(n);
    const std::string device_path = DevicePathFor(name);
    if (port.Open(device_path.c_str(), kProbeBaud, kProbeTimeoutMs)) {
      found.push_back(name);
      port.Close();
    }
  }
  return found;
}

}  // namespace vobisk
