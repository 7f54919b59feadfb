// The running firmware: the bootloader entry, and how line settings decide what the device hears.
#include <gtest/gtest.h>

#include <thread>

#include "host_port.h"
#include "sim_device.h"
#include "sim_line_judge.h"
#include "sim_test_bytes.h"

namespace vobisk::sim::test {
namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 2000ms;
const HostPort::Line kEntryLine{B19200};
const HostPort::Line kUploadLine{B57600};

TEST(SimFirmware, EntryCommandsSwitchToTheBootloader) {
  SimDevice sim({});
  ASSERT_TRUE(sim.Start()) << sim.Error();
  {
    // The terminal rests at settings no host uses, so a closed port can be told from an open one.
    HostPort idle(sim.SlavePath());
    termios rest{};
    ASSERT_EQ(::tcgetattr(idle.fd(), &rest), 0);
    EXPECT_TRUE(LineJudge::IsIdle(rest));
  }
  HostPort host(sim.SlavePath(), kEntryLine);
  ASSERT_TRUE(host.is_open());
  // Leading junk does not matter, and the commands may come with pauses between them.
  ASSERT_TRUE(host.Write({'z', 0x0D, 0x00}));
  for (const Bytes& step : {EntryStep(protocol::kEntryStep1), EntryStep(protocol::kEntryStep2),
                            EntryStep(protocol::kEntryStep3)}) {
    EXPECT_FALSE(sim.InBootloader());
    ASSERT_TRUE(host.Write(step));
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_TRUE(sim.WaitUntil([](const SimDevice& s) { return s.InBootloader(); }, kWait));

  ASSERT_TRUE(host.Configure(kUploadLine));
  const Bytes packet = Packet(4);
  ASSERT_TRUE(host.Write(packet));
  EXPECT_EQ(host.Read(1), Bytes{protocol::kAcknowledge});
  EXPECT_EQ(sim.AcceptedImage(), packet);
  EXPECT_EQ(sim.NoiseBytes(), 0u);
}

TEST(SimFirmware, NoiseBreaksTheCommands) {
  SimDevice sim({});
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath(), kEntryLine);
  const Bytes entry = EntryCommands();
  const std::size_t cut = protocol::kEntryStep1.size() + protocol::kEntryStep2.size();
  ASSERT_TRUE(host.Write(Bytes(entry.begin(), entry.begin() + cut)));
  ASSERT_TRUE(sim.WaitUntil([&](const SimDevice& s) { return BytesReceived(s) == cut; }, kWait));
  ASSERT_TRUE(host.Configure({B9600}));
  // Bytes waiting when the settings change may be judged by the ones before; these come after.
  ASSERT_TRUE(sim.WaitUntil([](const SimDevice& s) { return s.HostBaud() == 9600; }, kWait));
  ASSERT_TRUE(host.Write({0x00}));
  ASSERT_TRUE(sim.WaitUntil([](const SimDevice& s) { return s.NoiseBytes() == 1; }, kWait));
  ASSERT_TRUE(host.Configure(kEntryLine));
  ASSERT_TRUE(host.Write(Bytes(entry.begin() + cut, entry.end())));
  ASSERT_TRUE(sim.WaitUntil([&](const SimDevice& s) { return BytesReceived(s) == entry.size() + 1; }, kWait));
  EXPECT_FALSE(sim.InBootloader());

  ASSERT_TRUE(host.Write(entry));  // a clean second try works
  EXPECT_TRUE(sim.WaitUntil([](const SimDevice& s) { return s.InBootloader(); }, kWait));
}

TEST(SimFirmware, BytesWrittenJustBeforeCloseBelongToTheSession) {
  SimDevice sim({});
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath(), kEntryLine);
  // Once the device has heard a byte it has seen the session's settings.
  ASSERT_TRUE(host.Write({'z'}));
  ASSERT_TRUE(sim.WaitUntil([](const SimDevice& s) { return BytesReceived(s) == 1; }, kWait));
  ASSERT_TRUE(host.Write(EntryCommands()));
  host.Close();  // puts the idle settings back at once, likely before the device reads
  EXPECT_TRUE(sim.WaitUntil([](const SimDevice& s) { return s.InBootloader(); }, kWait));
  EXPECT_EQ(sim.NoiseBytes(), 0u);
  for (const ReceivedChunk& chunk : sim.Chunks()) EXPECT_EQ(chunk.baud, protocol::kEntryBaud);
}

TEST(SimFirmware, CommandsStillCountWhenTheHostSwitchesRightAfter) {
  SimDevice sim({});
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath(), kEntryLine);
  ASSERT_TRUE(sim.WaitUntil([](const SimDevice& s) { return s.HostBaud() == protocol::kEntryBaud; }, kWait));
  // On a real port tcdrain waits until the commands are out; on a pty it returns at once, so the
  // speed changes before the device has read them.
  ASSERT_TRUE(host.Write(EntryCommands()));
  ::tcdrain(host.fd());
  ASSERT_TRUE(host.Configure(kUploadLine));
  const Bytes packet = Packet(2);
  ASSERT_TRUE(host.Write(packet));
  EXPECT_EQ(host.Read(1), Bytes{protocol::kAcknowledge});
  EXPECT_TRUE(sim.InBootloader());
  EXPECT_EQ(sim.AcceptedImage(), packet);
  EXPECT_EQ(sim.NoiseBytes(), 0u);
}

// PARENB and CS7 are not in the table: the Linux pty driver forces CS8 and clears PARENB.
struct LineCase {
  const char* name;
  bool bootloader;
  bool configure;  // false: the host never sets the port up
  HostPort::Line line;
  bool heard;
  friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class SimLineSettings : public testing::TestWithParam<LineCase> {};

TEST_P(SimLineSettings, DecideWhatTheDeviceHears) {
  const LineCase& c = GetParam();
  SimOptions options;
  options.start_in_bootloader = c.bootloader;
  SimDevice sim(options);
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath());
  ASSERT_TRUE(!c.configure || host.Configure(c.line));
  const Bytes sent = c.bootloader ? Packet(1) : EntryCommands();
  ASSERT_TRUE(host.Write(sent));
  ASSERT_TRUE(sim.WaitUntil([&](const SimDevice& s) { return BytesReceived(s) == sent.size(); }, kWait));

  if (c.bootloader && c.heard) {
    EXPECT_EQ(host.Read(1), Bytes{protocol::kAcknowledge});
  }
  if (!c.bootloader) {
    EXPECT_EQ(sim.InBootloader(), c.heard);
  }
  EXPECT_EQ(sim.NoiseBytes(), c.heard ? 0 : sent.size());
  EXPECT_EQ(sim.Answers(), c.bootloader && c.heard ? 1 : 0);
  for (const ReceivedChunk& chunk : sim.Chunks()) EXPECT_EQ(chunk.noise, !c.heard);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimLineSettings,
    testing::Values(LineCase{"firmware_19200", false, true, {B19200}, true},
                    LineCase{"firmware_9600", false, true, {B9600}, false},
                    LineCase{"firmware_57600", false, true, {B57600}, false},
                    LineCase{"firmware_crtscts", false, true, {B19200, CRTSCTS}, false},
                    LineCase{"firmware_ixon", false, true, {B19200, 0, IXON}, false},
                    LineCase{"firmware_ixoff", false, true, {B19200, 0, IXOFF}, false},
                    LineCase{"firmware_ixany", false, true, {B19200, 0, IXANY}, false},
                    LineCase{"firmware_unconfigured", false, false, {}, false},
                    LineCase{"bootloader_57600", true, true, {B57600}, true},
                    LineCase{"bootloader_19200", true, true, {B19200}, false},
                    LineCase{"bootloader_ixon", true, true, {B57600, 0, IXON}, false}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vobisk::sim::test
