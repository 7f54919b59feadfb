#include "com_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

#include "child_process.h"
#include "device_path.h"
#include "pty_pair.h"
#include "temp_dir.h"

namespace vobisk {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using test::Privilege;
using test::PtyPair;

std::string PathOf(const PtyPair& pty) { return DevicePathFor(pty.slave_path()); }

speed_t LineSpeed(const PtyPair& pty) {
  termios tio{};
  tcgetattr(pty.master(), &tio);
  return cfgetospeed(&tio);
}

template <typename F>
std::chrono::milliseconds Timed(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

TEST(ComPort, SecondOpenIsRefusedAndTheFirstKeepsWorking) {
  PtyPair first, second;
  TComPort port;
  ASSERT_TRUE(port.Open(PathOf(first).c_str(), 19200, 100));
  EXPECT_FALSE(port.Open(PathOf(second).c_str(), 57600, 100));
  EXPECT_FALSE(port.Open(PathOf(first).c_str(), 57600, 100));

  EXPECT_EQ(LineSpeed(first), B19200);
  const Bytes out = {1, 2, 3};
  EXPECT_TRUE(port.Write(out.data(), 3));
  EXPECT_EQ(first.Receive(), out);
  first.Send({9});
  std::uint8_t in = 0;
  EXPECT_TRUE(port.Read(&in, 1));
  EXPECT_EQ(in, 9);
}

TEST(ComPort, FailedOpensLeaveItClosedForTheNextOpen) {
  PtyPair free_port;
  TComPort port;
  EXPECT_FALSE(port.Open("\\\\.\\/dev/vobisk-no-such-port", 57600, 2000));
  EXPECT_EQ(TComPort::LastFailure().kind, PortError::kMissing);
  EXPECT_FALSE(port.IsOpen());

  // Opens, but is no terminal: the line settings are refused and it is closed again.
  EXPECT_FALSE(port.Open("\\\\.\\/dev/null", 57600, 2000));
  EXPECT_EQ(TComPort::LastFailure().kind, PortError::kNotSerial);
  EXPECT_FALSE(port.IsOpen());

  // A rate the line cannot be set to.
  EXPECT_FALSE(port.Open(PathOf(free_port).c_str(), 12345, 2000));
  EXPECT_EQ(TComPort::LastFailure().kind, PortError::kUnsupported);

  EXPECT_TRUE(port.Open(PathOf(free_port).c_str(), 57600, 2000));
}

TEST(ComPort, ComNamesGoThroughTheComFolder) {
  PtyPair pty;
  test::TempDir ports;
  std::filesystem::create_symlink(pty.slave_path(), ports / "COM3");
  test::ScopedEnv env(kComDirVariable, ports.path().string());
  TComPort port;
  EXPECT_FALSE(port.Open("\\\\.\\COM2", 57600, 2000));
  ASSERT_TRUE(port.Open("\\\\.\\COM3", 57600, 2000));
  EXPECT_EQ(LineSpeed(pty), B57600);
}

TEST(ComPort, AppliesTheLineSettingsAndPutsTheOldOnesBack) {
  PtyPair pty;
  termios cooked{};
  tcgetattr(pty.master(), &cooked);
  cooked.c_iflag |= ICRNL | IXON | IXOFF;
  cooked.c_oflag |= OPOST | ONLCR;
  cooked.c_lflag |= ICANON | ECHO | ISIG;
  cooked.c_cflag |= PARENB | CSTOPB;
  cfsetspeed(&cooked, B9600);
  ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &cooked), 0);
  tcgetattr(pty.master(), &cooked);

  TComPort port;
  ASSERT_TRUE(port.Open(PathOf(pty).c_str(), 57600, 2000));
  termios tio{};
  tcgetattr(pty.master(), &tio);
  EXPECT_EQ(cfgetospeed(&tio), B57600);
  EXPECT_EQ(cfgetispeed(&tio), B57600);
  EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
  EXPECT_TRUE(tio.c_cflag & CLOCAL);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);

  port.Close();
  termios after{};
  tcgetattr(pty.master(), &after);
  EXPECT_EQ(cfgetospeed(&after), B9600);
  EXPECT_EQ(after.c_iflag, cooked.c_iflag);
  EXPECT_EQ(after.c_oflag, cooked.c_oflag);
  EXPECT_EQ(after.c_lflag, cooked.c_lflag);
  EXPECT_EQ(after.c_cflag, cooked.c_cflag);
}

// Who holds the port in another process, and whether we should still get it.
enum class Holder { kThisProgram, kExclusiveOnly, kLockOnly, kPlainOpen };

int HoldPort(Holder holder, const std::string& slave) {
  if (holder == Holder::kThisProgram) {
    static TComPort held;  // lives in the child until it exits
    return held.Open(DevicePathFor(slave).c_str(), 57600, 2000) ? 0 : 1;
  }
  const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return 1;
  if (holder == Holder::kExclusiveOnly && ::ioctl(fd, TIOCEXCL) != 0) return 1;
  if (holder == Holder::kLockOnly && ::flock(fd, LOCK_EX | LOCK_NB) != 0) return 1;
  return 0;
}

TEST(ComPort, PortHeldByAnotherProcess) {
  struct Case {
    const char* what;
    Holder holder;
    Privilege opener;
    bool opens;
  };
  const Case cases[] = {
      {"another copy of this program, opened by root", Holder::kThisProgram, Privilege::kAsIs, false},
      {"another copy of this program, opened by a user", Holder::kThisProgram, Privilege::kNoAdmin, false},
      {"a terminal program (exclusive flag), opened by root", Holder::kExclusiveOnly, Privilege::kAsIs, false},
      {"a terminal program (exclusive flag), opened by a user", Holder::kExclusiveOnly, Privilege::kNoAdmin, false},
      {"a program that locks the device, opened by root", Holder::kLockOnly, Privilege::kAsIs, false},
      // Without lock or flag Linux cannot tell that somebody has the port.
      {"a program that neither locks nor flags", Holder::kPlainOpen, Privilege::kAsIs, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PtyPair pty;
    test::HoldingChild holder([&] { return HoldPort(c.holder, pty.slave_path()); });
    ASSERT_TRUE(holder.holding());
    const int opened = test::RunInChild(c.opener, [&] {
      TComPort port;
      if (port.Open(PathOf(pty).c_str(), 57600, 2000)) return 0;
      return TComPort::LastFailure().kind == PortError::kBusy ? 1 : 2;
    });
    EXPECT_EQ(opened, c.opens ? 0 : 1);
  }
}

TEST(ComPort, NobodyElseGetsThePortWhileItIsOpen) {
  PtyPair pty;
  TComPort port;
  ASSERT_TRUE(port.Open(PathOf(pty).c_str(), 57600, 2000));
  for (Privilege other : {Privilege::kAsIs, Privilege::kNoAdmin}) {
    EXPECT_EQ(test::RunInChild(other, [&] {
                TComPort second;
                return second.Open(PathOf(pty).c_str(), 57600, 2000) ? 0 : 1;
              }),
              1);
  }
}

TEST(ComPort, ReopensAfterCloseWhileAnotherDescriptorHoldsTheTerminal) {
  PtyPair pty;  // holds a slave descriptor of its own, as a device driver or the simulator does
  const int result = test::RunInChild(Privilege::kNoAdmin, [&] {
    TComPort port;
    for (int round = 0; round < 3; ++round) {
      if (!port.Open(PathOf(pty).c_str(), 57600, 2000)) return 1 + round;
      port.Close();
    }
    return 0;
  });
  EXPECT_EQ(result, 0);
}

TEST(ComPort, PermissionDeniedIsToldApart) {
  PtyPair pty;
  ASSERT_EQ(::chmod(pty.slave_path().c_str(), 0), 0);
  EXPECT_EQ(test::RunInChild(Privilege::kNoAdminNoFileOverride, [&] {
              TComPort port;
              if (port.Open(PathOf(pty).c_str(), 57600, 2000)) return 0;
              return TComPort::LastFailure().kind == PortError::kAccessDenied ? 1 : 2;
            }),
            1);
}

TEST(ComPort, SilentLineEndsAOneByteReadAfterTwiceTheTimeout) {
  PtyPair pty;
  TComPort port;
  ASSERT_TRUE(port.Open(PathOf(pty).c_str(), 57600, 2000));
  std::uint8_t byte = 0;
  const auto took = Timed([&] { EXPECT_FALSE(port.Read(&byte, 1)); });
  EXPECT_GE(took, 4000ms);
  EXPECT_LT(took, 4500ms);
  EXPECT_EQ(TComPort::LastFailure().kind, PortError::kTimedOut);
  EXPECT_TRUE(port.IsOpen());
}

TEST(ComPort, PartialReadFailsAndItsBytesAreGone) {
  PtyPair pty;
  TComPort port;
  ASSERT_TRUE(port.Open(PathOf(pty).c_str(), 57600, 200));
  pty.Send({1, 2});
  std::uint8_t buffer[4] = {};
  const auto took = Timed([&] { EXPECT_FALSE(port.Read(buffer, 4)); });
  EXPECT_GE(took, 200ms);
  EXPECT_LT(took, 700ms);  // ended by the 200 ms gap after the second byte, not by 4*200+200
  pty.Send({3});
  std::uint8_t next = 0;
  EXPECT_TRUE(port.Read(&next, 1));
  EXPECT_EQ(next, 3);
}

TEST(ComPort, ReadWaitsForBytesThatTrickleIn) {
  PtyPair pty;
  TComPort port;
  ASSERT_TRUE(port.Open(PathOf(pty).c_str(), 57600, 100));
  std::thread device([&] {
    for (std::uint8_t b = 1; b <= 5; ++b) {
      std::this_thread::sleep_for(40ms);
      pty.Send({b});
    }
  });
  std::uint8_t buffer[5] = {};
  EXPECT_TRUE(port.Read(buffer, 5));
  device.join();
  EXPECT_EQ(Bytes(buffer, buffer + 5), (Bytes{1, 2, 3, 4, 5}));
}

TEST(ComPort, EveryByteValuePassesBothWays) {
  PtyPair pty;
  TComPort port;
  ASSERT_TRUE(port.Open(PathOf(pty).c_str(), 57600, 500));
  Bytes all(256);
  std::iota(all.begin(), all.end(), 0);

  // 0x13 from the device first: with XON/XOFF on, it would stop our output.
  pty.Send({0x13});
  std::thread host([&] { port.Write(all.data(), 256); });
  const Bytes received = pty.Receive(500ms, 256);
  pty.Send({0x11});  // would let a stopped output go on, so that the thread ends either way
  host.join();
  EXPECT_EQ(received, all);

  pty.Send(all);
  Bytes back(258);
  EXPECT_TRUE(port.Read(back.data(), 258));
  Bytes expected = {0x13, 0x11};
  expected.insert(expected.end(), all.begin(), all.end());
  EXPECT_EQ(back, expected);
}

TEST(ComPort, ZeroBytesAndClosedPort) {
  PtyPair pty;
  TComPort port;
  std::uint8_t byte = 0;
  EXPECT_FALSE(port.Write(&byte, 1));
  EXPECT_FALSE(port.Read(&byte, 1));
  EXPECT_FALSE(port.SetTimeouts(10));
  EXPECT_TRUE(port.Close());
  EXPECT_TRUE(port.Close());

  ASSERT_TRUE(port.Open(PathOf(pty).c_str(), 57600, 2000));
  const auto took = Timed([&] {
    EXPECT_TRUE(port.Write(&byte, 0));
    EXPECT_TRUE(port.Read(&byte, 0));
  });
  EXPECT_LT(took, 500ms);  // no waiting for the 2000 ms time-outs
  EXPECT_TRUE(port.SetTimeouts(1));
  EXPECT_TRUE(port.Close());
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(port.IsOpen());
}

TEST(ComPort, HangUpEndsAReadAtOnce) {
  PtyPair pty;
  TComPort port;
  ASSERT_TRUE(port.Open(PathOf(pty).c_str(), 57600, 2000));
  std::thread unplug([&] {
    std::this_thread::sleep_for(100ms);
    pty.CloseMaster();
  });
  std::uint8_t byte = 0;
  const auto took = Timed([&] { EXPECT_FALSE(port.Read(&byte, 1)); });
  unplug.join();
  EXPECT_LT(took, 1000ms);
  EXPECT_EQ(TComPort::LastFailure().kind, PortError::kGone);

  // Later reads and writes fail at once as well; the port stays open until closed.
  EXPECT_LT(Timed([&] { EXPECT_FALSE(port.Read(&byte, 1)); }), 1000ms);
  EXPECT_FALSE(port.Write(&byte, 1));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_TRUE(port.Close());
}

}  // namespace
}  // namespace vobisk
