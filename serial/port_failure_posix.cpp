#include <cerrno>

#include "port_failure.h"

namespace vobisk {

PortError ClassifyPlatformError(int code) {
  switch (code) {
    case 0: return PortError::kNone;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
    case EISDIR: return PortError::kMissing;
    case EBUSY:
    case EAGAIN: return PortError::kBusy;
    case EACCES:
    case EPERM:
    case EROFS: return PortError::kAccessDenied;
    case ENOTTY: return PortError::kNotSerial;
    case EINVAL: return PortError::kUnsupported;
    case EIO:
    case EPIPE: return PortError::kGone;
    case EBADF: return PortError::kNotOpen;
    case ETIMEDOUT: return PortError::kTimedOut;
    default: return PortError::kOther;
  }
}

}  // namespace vobisk
