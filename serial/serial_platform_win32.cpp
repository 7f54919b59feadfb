// The serial layer on Windows: the communications API on a device path such as \\.\COM3.
#include <windows.h>

#include "serial_platform.h"

namespace vobisk::platform {

namespace {

thread_local PortFailure last_failure;

// The record's length field must say 28, the size the communications API expects.
static_assert(sizeof(DCB) == 28);

HANDLE Native(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

bool Fail() {
  RecordFailure(static_cast<int>(::GetLastError()));
  return false;
}

}  // namespace

PortFailure LastFailure() { return last_failure; }

void RecordFailure(int code) { last_failure = {ClassifyPlatformError(code), code}; }

void RecordNotOpen() { last_failure = {PortError::kNotOpen, ERROR_INVALID_HANDLE}; }

Handle OpenExclusive(const char* device_path) {
  // Share mode 0: nobody else may have the port while we do, and we get no port somebody holds.
  const HANDLE h = ::CreateFileA(device_path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    Fail();
    return kInvalidHandle;
  }
  return reinterpret_cast<Handle>(h);
}

bool SetupQueues(Handle handle, std::uint32_t receive_bytes, std::uint32_t transmit_bytes) {
  return ::SetupComm(Native(handle), receive_bytes, transmit_bytes) ? true : Fail();
}

bool ApplyLineSettings(Handle handle, std::uint32_t baud) {
  // Every field not named stays zero: no parity check, no CTS/DSR/XON/XOFF flow control,
  // DTR and RTS off, NUL bytes kept, no abort on line errors.
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = baud;
  dcb.fBinary = 1;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  return ::SetCommState(Native(handle), &dcb) ? true : Fail();
}

bool ApplyReadTimeouts(Handle handle, std::uint32_t timeout_ms) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = timeout_ms;
  timeouts.ReadTotalTimeoutMultiplier = timeout_ms;
  timeouts.ReadTotalTimeoutConstant = timeout_ms;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = 0;
  return ::SetCommTimeouts(Native(handle), &timeouts) ? true : Fail();
}

bool WriteBytes(Handle handle, const std::uint8_t* data, std::uint32_t count,
                std::uint32_t& written) {
  DWORD n = 0;
  const BOOL ok = ::WriteFile(Native(handle), data, count, &n, nullptr);
  written = n;
  return ok ? true : Fail();
}

bool ReadBytes(Handle handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received) {
  DWORD n = 0;
  const BOOL ok = ::ReadFile(Native(handle), buffer, count, &n, nullptr);
  received = n;
  if (!ok) return Fail();
  if (received < count) RecordFailure(ERROR_TIMEOUT);
  return true;
}

void CloseDevice(Handle handle) { ::CloseHandle(Native(handle)); }

}  // namespace vobisk::platform
