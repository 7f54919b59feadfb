#include "com_port.h"

namespace vobisk {

namespace {
constexpr std::uint32_t kQueueBytes = 1024;
}  // namespace

TComPort::~TComPort() { Close(); }

bool TComPort::Open(const char* device_path, std::uint32_t baud, std::uint32_t timeout_ms) {
  if (IsOpen()) return false;
  PortHandle = platform::OpenExclusive(device_path);
  if (!IsOpen()) return false;
  if (!platform::SetupQueues(PortHandle, kQueueBytes, kQueueBytes) ||
      !platform::ApplyLineSettings(PortHandle, baud) || !SetTimeouts(timeout_ms)) {
    platform::CloseDevice(PortHandle);
    PortHandle = platform::kInvalidHandle;
    return false;
  }
  return true;
}

bool TComPort::SetTimeouts(std::uint32_t timeout_ms) {
  return platform::ApplyReadTimeouts(PortHandle, timeout_ms);
}

bool TComPort::Close() {
  if (IsOpen()) platform::CloseDevice(PortHandle);
  PortHandle = platform::kInvalidHandle;
  return true;
}

bool TComPort::Write(const void* data, std::uint32_t count) {
  if (!IsOpen()) {
    platform::RecordNotOpen();
    return false;
  }
  std::uint32_t written = 0;
  return platform::WriteBytes(PortHandle, static_cast<const std::uint8_t*>(data), count, written) &&
         written == count;
}

bool TComPort::Read(void* buffer, std::uint32_t count) {
  if (!IsOpen()) {
    platform::RecordNotOpen();
    return false;
  }
  std::uint32_t received = 0;
  return platform::ReadBytes(PortHandle, static_cast<std::uint8_t*>(buffer), count, received) &&
         received == count;
}

}  // namespace vobisk
