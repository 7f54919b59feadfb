#include "port_scan.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <filesystem>

#include "child_process.h"
#include "device_path.h"
#include "pty_pair.h"
#include "temp_dir.h"

namespace vobisk {
namespace {

using Names = std::vector<std::string>;

// Ports for the scan: pseudo-terminals linked as COMn into a folder of their own.
class PortScan : public ::testing::Test {
 protected:
  test::PtyPair& Attach(int n) {
    ptys_.push_back(std::make_unique<test::PtyPair>());
    std::filesystem::create_symlink(ptys_.back()->slave_path(), ports_ / ("COM" + std::to_string(n)));
    return *ptys_.back();
  }

  test::TempDir ports_;
  test::ScopedEnv env_{kComDirVariable, ports_.path().string()};
  std::vector<std::unique_ptr<test::PtyPair>> ptys_;
  TComPort port_;
};

TEST_F(PortScan, NoPortPresent) { EXPECT_EQ(ListOpenablePorts(port_), Names{}); }

TEST_F(PortScan, ListsTheFreePortsInAscendingOrder) {
  Attach(7);
  test::PtyPair& held = Attach(5);
  Attach(3);
  test::HoldingChild other([&] {
    static TComPort holder;
    return holder.Open(DevicePathFor(held.slave_path()).c_str(), 57600, 2000) ? 0 : 1;
  });
  ASSERT_TRUE(other.holding());
  EXPECT_EQ(ListOpenablePorts(port_), (Names{"COM3", "COM7"}));
}

TEST_F(PortScan, ProbesCom0ToCom98Only) {
  for (int n : {0, 98, 99, 100, 255}) Attach(n);
  std::filesystem::create_symlink("/dev/null", ports_ / "COM12");  // opens, refuses the settings
  EXPECT_EQ(ListOpenablePorts(port_), (Names{"COM0", "COM98"}));
}

TEST_F(PortScan, LeavesNoPortOpenAndNoSettingChanged) {
  test::PtyPair& pty = Attach(4);
  termios before{};
  tcgetattr(pty.master(), &before);
  EXPECT_EQ(ListOpenablePorts(port_), Names{"COM4"});
  EXPECT_FALSE(port_.IsOpen());
  termios after{};
  tcgetattr(pty.master(), &after);
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  // Free for anybody, also without root's privileges.
  EXPECT_EQ(test::RunInChild(test::Privilege::kNoAdmin, [&] {
              TComPort other;
              return other.Open("\\\\.\\COM4", 57600, 2000) ? 0 : 1;
            }),
            0);
}

TEST_F(PortScan, FindsNothingWhileThePortObjectIsOpen) {
  test::PtyPair& first = Attach(1);
  Attach(2);
  ASSERT_TRUE(port_.Open(DevicePathFor(first.slave_path()).c_str(), 19200, 2000));
  EXPECT_EQ(ListOpenablePorts(port_), Names{});
  EXPECT_TRUE(port_.IsOpen());  // the open port is not touched
}

}  // namespace
}  // namespace vobisk
