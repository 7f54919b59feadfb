// The serial layer on POSIX: termios for the line, poll(2) for the read time-outs, flock(2) and
// TIOCEXCL for exclusive use.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

#include "device_path.h"
#include "read_deadline.h"
#include "serial_platform.h"

namespace vobisk::platform {

namespace {

thread_local PortFailure last_failure;

// What the backend keeps for an open device; the handle points to it.
struct PosixPort {
  int fd = -1;
  bool is_terminal = false;
  termios saved{};           // settings before we touched the line, put back on close
  bool we_set_exclusive = false;
  std::uint32_t read_timeout_ms = 0;
};

PosixPort* Port(Handle handle) {
  if (handle == kInvalidHandle || handle == 0) return nullptr;
  return reinterpret_cast<PosixPort*>(handle);
}

bool Fail(int code) {
  RecordFailure(code);
  return false;
}

std::optional<speed_t> SpeedFor(std::uint32_t baud) {
  switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    case 1152000: return B1152000;
    case 1500000: return B1500000;
    case 2000000: return B2000000;
    case 2500000: return B2500000;
    case 3000000: return B3000000;
    case 3500000: return B3500000;
    case 4000000: return B4000000;
    default: return std::nullopt;
  }
}

// A missing ioctl on a device without modem lines or serial driver (a pseudo-terminal, say) is
// no fault of the line.
bool NotSupportedHere(int code) { return code == ENOTTY || code == EINVAL || code == ENOSYS; }

int IoctlRetry(int fd, unsigned long request, void* arg) {
  int r;
  do r = ::ioctl(fd, request, arg);
  while (r < 0 && errno == EINTR);
  return r;
}

void ReleasePort(PosixPort* port) {
  if (port->is_terminal) {
    // Drain first: bytes still in the UART must leave at the rate they were written at.
    ::tcsetattr(port->fd, TCSADRAIN, &port->saved);
    // TIOCEXCL belongs to the terminal and would outlive our descriptor, locking out our own
    // next open for anybody without CAP_SYS_ADMIN while somebody else keeps the terminal open.
    if (port->we_set_exclusive) ::ioctl(port->fd, TIOCNXCL);
  }
  ::flock(port->fd, LOCK_UN);
  ::close(port->fd);
  delete port;
}

}  // namespace

PortFailure LastFailure() { return last_failure; }

void RecordFailure(int code) { last_failure = {ClassifyPlatformError(code), code}; }

void RecordNotOpen() { last_failure = {PortError::kNotOpen, EBADF}; }

Handle OpenExclusive(const char* device_path) {
  const std::optional<std::string> file = ResolveDevicePath(device_path ? device_path : "");
  if (!file) {
    RecordFailure(ENOENT);
    return kInvalidHandle;
  }
  // Non-blocking, so that a port without carrier cannot hold up the open.
  const int fd = ::open(file->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    RecordFailure(errno);
    return kInvalidHandle;
  }
  auto* port = new PosixPort;
  port->fd = fd;
  auto refuse = [&](int code) {
    ::close(fd);
    delete port;
    RecordFailure(code);
    return kInvalidHandle;
  };

  // flock stops another copy of this program even as root; TIOCEXCL stops programs that do not
  // lock, except root. A terminal already marked exclusive is held by somebody: root would get
  // past the flag, so it is checked here as well.
  if (::flock(fd, LOCK_EX | LOCK_NB) < 0) return refuse(errno == EWOULDBLOCK ? EBUSY : errno);
  if (::tcgetattr(fd, &port->saved) == 0) {
    port->is_terminal = true;
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) return refuse(EBUSY);
    if (::ioctl(fd, TIOCEXCL) < 0) return refuse(errno);
    port->we_set_exclusive = true;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    const int code = errno;
    ReleasePort(port);
    RecordFailure(code);
    return kInvalidHandle;
  }
  return reinterpret_cast<Handle>(port);
}

bool SetupQueues(Handle handle, std::uint32_t, std::uint32_t) {
  // The kernel's queues have fixed sizes; there is nothing to ask for.
  return Port(handle) ? true : Fail(EBADF);
}

bool ApplyLineSettings(Handle handle, std::uint32_t baud) {
  PosixPort* port = Port(handle);
  if (!port) return Fail(EBADF);
  if (!port->is_terminal) return Fail(ENOTTY);
  const std::optional<speed_t> speed = SpeedFor(baud);
  if (!speed) return Fail(EINVAL);

  // Raw: no character is translated, dropped or taken as flow control (0x11 and 0x13 are
  // data); 8N1; modem status ignored; each read returns what has arrived.
  termios tio{};
  tio.c_cflag = CS8 | CREAD | CLOCAL;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, *speed) < 0 || ::cfsetospeed(&tio, *speed) < 0) return Fail(EINVAL);
  if (::tcsetattr(port->fd, TCSANOW, &tio) < 0) return Fail(errno);

  // tcsetattr succeeds when any part was taken; check what the driver really set.
  termios now{};
  if (::tcgetattr(port->fd, &now) < 0) return Fail(errno);
  const tcflag_t kLineBits = CSIZE | PARENB | CSTOPB | CRTSCTS;
  if (::cfgetospeed(&now) != *speed || ::cfgetispeed(&now) != *speed ||
      (now.c_cflag & kLineBits) != CS8 || (now.c_iflag & (IXON | IXOFF | IXANY)) != 0)
    return Fail(EINVAL);

  int lines = TIOCM_DTR | TIOCM_RTS;
  if (IoctlRetry(port->fd, TIOCMBIC, &lines) < 0 && !NotSupportedHere(errno)) return Fail(errno);

  // USB adapters hold a lone byte up to their latency timer (16 ms on FTDI) unless asked.
  serial_struct serial{};
  if (IoctlRetry(port->fd, TIOCGSERIAL, &serial) == 0 && !(serial.flags & ASYNC_LOW_LATENCY)) {
    serial.flags |= ASYNC_LOW_LATENCY;
    IoctlRetry(port->fd, TIOCSSERIAL, &serial);
  }
  return true;
}

bool ApplyReadTimeouts(Handle handle, std::uint32_t timeout_ms) {
  PosixPort* port = Port(handle);
  if (!port) return Fail(EBADF);
  port->read_timeout_ms = timeout_ms;
  return true;
}

bool WriteBytes(Handle handle, const std::uint8_t* data, std::uint32_t count,
                std::uint32_t& written) {
  written = 0;
  PosixPort* port = Port(handle);
  if (!port) return Fail(EBADF);
  while (written < count) {
    const ssize_t n = ::write(port->fd, data + written, count - written);
    if (n > 0) {
      written += static_cast<std::uint32_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{port->fd, POLLOUT, 0};
      ::poll(&p, 1, -1);
    } else {
      return Fail(n < 0 ? errno : EIO);
    }
  }
  return true;
}

bool ReadBytes(Handle handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received) {
  using Clock = ReadDeadline::Clock;
  received = 0;
  PosixPort* port = Port(handle);
  if (!port) return Fail(EBADF);
  if (count == 0) return true;

  ReadDeadline deadline(port->read_timeout_ms, count, Clock::now());
  while (received < count) {
    int wait_ms = -1;
    if (const auto remaining = deadline.Remaining(Clock::now())) {
      if (remaining->count() == 0) break;
      wait_ms = static_cast<int>(std::min<std::int64_t>(
          (remaining->count() + 999) / 1000, std::int64_t{1} << 30));
    }
    pollfd p{port->fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, wait_ms);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (ready == 0) continue;  // the deadline decides
    if (p.revents & POLLIN) {
      const ssize_t n = ::read(port->fd, buffer + received, count - received);
      if (n > 0) {
        received += static_cast<std::uint32_t>(n);
        deadline.BytesArrived(Clock::now());
        continue;
      }
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      // End of file on a terminal: the other side is gone (pseudo-terminal master closed).
      return Fail(n < 0 ? errno : EIO);
    }
    // Hang-up or error without data: an unplugged adapter, a closed master.
    return Fail(EIO);
  }
  if (received < count) RecordFailure(ETIMEDOUT);
  return true;
}

void CloseDevice(Handle handle) {
  if (PosixPort* port = Port(handle)) ReleasePort(port);
}

}  // namespace vobisk::platform
