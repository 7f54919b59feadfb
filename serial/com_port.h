#pragma once

#include <cstdint>

#include "port_failure.h"
#include "serial_platform.h"

namespace vobisk {

// One serial port with the program's fixed line settings, in which only the baud rate varies.
// Every operation reports failure as false and never throws; nothing is buffered here: bytes no
// Read has taken stay in the platform's receive queue.
//
// Read time-outs (T in milliseconds, set by Open and SetTimeouts): a Read of n bytes succeeds as
// soon as n bytes have arrived; it ends early after T*n+T ms, or once a byte has arrived after
// more than T ms without the next; with T = 0 it waits without limit. Bytes of an early end are
// consumed. A device that goes away ends a Read at once. Writes have no time-out.
class TComPort {
 public:
  TComPort() = default;
  ~TComPort();
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;

  // Opens and configures the port named by a device path ("\\.\COM3"); false when a port is
  // already open (that one stays as it is), the device is missing or held elsewhere, or it
  // refuses the settings (it is closed again then).
  bool Open(const char* device_path, std::uint32_t baud, std::uint32_t timeout_ms);
  bool SetTimeouts(std::uint32_t timeout_ms);
  // Always true; closing a closed port does nothing.
  bool Close();
  // True only when a port is open and all count bytes went out / came in.
  bool Write(const void* data, std::uint32_t count);
  bool Read(void* buffer, std::uint32_t count);

  bool IsOpen() const { return PortHandle != platform::kInvalidHandle; }

  // Why the last failing call of the serial layer failed (permission, busy, missing, ...).
  static PortFailure LastFailure() { return platform::LastFailure(); }

 private:
  platform::Handle PortHandle = platform::kInvalidHandle;
};

}  // namespace vobisk
