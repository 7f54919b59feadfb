#pragma once

namespace vobisk {

// Why the last failed call of the serial layer failed, as far as a front end needs to tell.
enum class PortError {
  kNone,
  kMissing,       // no such device
  kBusy,          // held by another program
  kAccessDenied,  // no permission (on Linux: not in the dialout group)
  kNotSerial,     // opens, but is not a serial line (no line settings)
  kUnsupported,   // a setting this device or platform cannot do (a baud rate, say)
  kGone,          // the device went away while open (unplugged adapter, closed pseudo-terminal)
  kTimedOut,      // a read ended before all its bytes came
  kNotOpen,       // the operation needs an open port
  kOther,
};

struct PortFailure {
  PortError kind = PortError::kNone;
  int code = 0;  // errno on POSIX, GetLastError() on Windows
};

// The platform's error code mapped to its kind; the one place that knows the codes.
PortError ClassifyPlatformError(int code);

}  // namespace vobisk
