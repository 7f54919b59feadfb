#include <windows.h>

#include "port_failure.h"

namespace vobisk {

PortError ClassifyPlatformError(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_SUCCESS: return PortError::kNone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT: return PortError::kMissing;
    // A COM port that another program holds answers "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: return PortError::kBusy;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED: return PortError::kNotSerial;
    case ERROR_INVALID_PARAMETER: return PortError::kUnsupported;
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_COMMAND: return PortError::kGone;
    case ERROR_INVALID_HANDLE: return PortError::kNotOpen;
    case ERROR_TIMEOUT: return PortError::kTimedOut;
    default: return PortError::kOther;
  }
}

}  // namespace vobisk
