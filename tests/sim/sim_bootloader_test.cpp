// The bootloader: packets, answers, the faults, hang-ups.
#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "host_port.h"
#include "sim_answer_plan.h"
#include "sim_device.h"
#include "sim_test_bytes.h"
#include "temp_dir.h"

namespace vobisk::sim::test {
namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 2000ms;
const HostPort::Line kUploadLine{B57600};

SimOptions InBootloader(SimOptions options = {}) {
  options.start_in_bootloader = true;
  return options;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(SimBootloader, AcceptsAWholeImage) {
  vobisk::test::TempDir dir;
  SimOptions options = InBootloader();
  options.out_path = dir / "image.bin";
  SimDevice sim(options);
  ASSERT_TRUE(sim.Start()) << sim.Error();
  HostPort host(sim.SlavePath(), kUploadLine);

  Bytes image;
  for (const Bytes& packet : {Packet(3, 0x10), Packet(0), Packet(300, 0x00)}) {
    ASSERT_TRUE(host.Write(packet));
    EXPECT_EQ(host.Read(1), Bytes{protocol::kAcknowledge});
    image.insert(image.end(), packet.begin(), packet.end());
    // Written through: the file has the packet as soon as the host has the answer.
    EXPECT_EQ(ReadFile(options.out_path), std::string(image.begin(), image.end()));
  }
  EXPECT_EQ(sim.AcceptedImage(), image);
  EXPECT_EQ(sim.PacketsReceived(), 3);
  EXPECT_EQ(sim.Answers(), 3);
}

// The host sends packets 1..packets, and sends a packet again after a reject, up to `tries`
// times; the answers it gets, "--" for none (after which it gives up).
struct AnswerCase {
  const char* name;
  SimOptions options;
  int packets;
  int tries;
  std::string answers;
  friend void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }
};

class SimAnswers : public testing::TestWithParam<AnswerCase> {};

TEST_P(SimAnswers, FollowTheFaults) {
  const AnswerCase& c = GetParam();
  SimDevice sim(InBootloader(c.options));
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath(), kUploadLine);

  std::ostringstream answers;
  Bytes accepted;
  int sent = 0;
  bool silent = false;
  for (int number = 1; number <= c.packets && !silent; ++number) {
    const Bytes packet = Packet(static_cast<std::size_t>(number), static_cast<std::uint8_t>(number << 4));
    for (int attempt = 1; attempt <= c.tries; ++attempt) {
      const int answers_before = sim.Answers();
      ASSERT_TRUE(host.Write(packet));
      ++sent;
      ASSERT_TRUE(sim.WaitUntil([&](const SimDevice& s) { return s.PacketsReceived() == sent; }, kWait));
      // The answer is decided when the packet is counted, so this tells silence without a timeout.
      if (sim.Answers() == answers_before) {
        answers << (sent > 1 ? " " : "") << "--";
        silent = true;
        break;
      }
      const Bytes answer = host.Read(1);
      ASSERT_EQ(answer.size(), 1u);
      answers << (sent > 1 ? " " : "") << std::hex << int{answer[0]};
      if (answer[0] == protocol::kAcknowledge) {
        accepted.insert(accepted.end(), packet.begin(), packet.end());
        break;
      }
    }
  }
  EXPECT_EQ(answers.str(), c.answers);
  EXPECT_EQ(sim.AcceptedImage(), accepted);
  EXPECT_TRUE(host.Read(1, 0ms).empty());
}

SimOptions Rejects(std::map<int, int> times, int silent_after = -1) {
  SimOptions options;
  options.reject_times = std::move(times);
  options.silent_after = silent_after;
  return options;
}

SimOptions RejectAll() {
  SimOptions options;
  options.reject_all = true;
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimAnswers,
    testing::Values(AnswerCase{"plain", {}, 3, 3, "11 11 11"},
                    AnswerCase{"reject_2_twice", Rejects({{2, 2}}), 3, 3, "11 13 13 11 11"},
                    AnswerCase{"reject_1_and_3", Rejects({{1, 1}, {3, 1}}), 3, 3, "13 11 11 13 11"},
                    AnswerCase{"reject_1_five_times", Rejects({{1, 5}}), 2, 6, "13 13 13 13 13 11 11"},
                    AnswerCase{"reject_all", RejectAll(), 2, 2, "13 13 13 13"},
                    AnswerCase{"silent_after_1", Rejects({}, 1), 3, 3, "11 --"},
                    AnswerCase{"silent_after_0", Rejects({}, 0), 3, 3, "--"},
                    AnswerCase{"reject_then_silent", Rejects({{1, 1}}, 1), 3, 3, "13 11 --"}),
    [](const testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST(SimBootloader, SilentDeviceKeepsTakingBytes) {
  SimOptions options;
  options.silent_after = 0;
  SimDevice sim(InBootloader(options));
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath(), kUploadLine);
  const Bytes flood(200'000, 0x5A);  // far beyond what the pty buffers
  EXPECT_TRUE(host.Write(flood));
  EXPECT_TRUE(sim.WaitUntil([&](const SimDevice& s) { return BytesReceived(s) == flood.size(); }, kWait));
  EXPECT_EQ(sim.Answers(), 0);
}

TEST(SimBootloader, StrayBytesFollowEachAnswer) {
  SimOptions options;
  options.stray = {0x11, 0x00};
  options.reject_times = {{2, 1}};
  SimDevice sim(InBootloader(options));
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath(), kUploadLine);
  ASSERT_TRUE(host.Write(Packet(2)));
  EXPECT_EQ(host.Read(3), (Bytes{protocol::kAcknowledge, 0x11, 0x00}));
  ASSERT_TRUE(host.Write(Packet(2)));
  EXPECT_EQ(host.Read(3), (Bytes{AnswerPlan::kReject, 0x11, 0x00}));
}

TEST(SimBootloader, ChatterNeverStopsAndAnswersNothing) {
  SimOptions options;
  options.chatter = true;
  SimDevice sim(InBootloader(options));
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath(), kUploadLine);
  ASSERT_TRUE(host.Write(Packet(1)));
  ASSERT_TRUE(sim.WaitUntil([](const SimDevice& s) { return s.PacketsReceived() == 1; }, kWait));
  ::tcflush(host.fd(), TCIFLUSH);
  EXPECT_EQ(host.Read(50), Bytes(50, 0x55));
  EXPECT_EQ(sim.Answers(), 0);
}

// Lower bounds only: a busy machine makes the device later, never earlier.
struct PaceCase {
  const char* name;
  SimOptions options;
  std::size_t payload;
  std::chrono::microseconds at_least;
  friend void PrintTo(const PaceCase& c, std::ostream* os) { *os << c.name; }
};

class SimPace : public testing::TestWithParam<PaceCase> {};

TEST_P(SimPace, AnswerComesNoSoonerThanTheLineAllows) {
  const PaceCase& c = GetParam();
  SimDevice sim(InBootloader(c.options));
  ASSERT_TRUE(sim.Start());
  HostPort host(sim.SlavePath(), kUploadLine);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(host.Write(Packet(c.payload)));
  ASSERT_EQ(host.Read(1), Bytes{protocol::kAcknowledge});
  EXPECT_GE(std::chrono::steady_clock::now() - start, c.at_least);
}

SimOptions Delay(int ms) {
  SimOptions options;
  options.reply_delay_ms = ms;
  return options;
}

SimOptions Throttle() {
  SimOptions options;
  options.throttle = true;
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimPace,
    // 574 bytes of payload, 2 of length and the answer: 577 bytes of 10 bits at 57600 baud.
    testing::Values(PaceCase{"reply_delay", Delay(40), 1, 40ms},
                    PaceCase{"throttle", Throttle(), 574, 100'173us}),
    [](const testing::TestParamInfo<PaceCase>& info) { return std::string(info.param.name); });

struct HangUpCase {
  const char* name;
  SimOptions options;
  std::size_t sent;      // packets the host sends, each after the answer to the one before
  std::size_t answered;  // of which answered before the line goes
  friend void PrintTo(const HangUpCase& c, std::ostream* os) { *os << c.name; }
};

class SimHangUp : public testing::TestWithParam<HangUpCase> {};

TEST_P(SimHangUp, HostSeesTheLineGo) {
  const HangUpCase& c = GetParam();
  vobisk::test::TempDir dir;
  SimOptions options = InBootloader(c.options);
  options.link_path = dir / "port";
  SimDevice sim(options);
  ASSERT_TRUE(sim.Start());
  HostPort host(options.link_path, kUploadLine);
  ASSERT_TRUE(host.is_open());

  Bytes answers;
  for (std::size_t number = 1; number <= c.sent; ++number) {
    ASSERT_TRUE(host.Write(Packet(100)));
    const Bytes answer = host.Read(1);
    answers.insert(answers.end(), answer.begin(), answer.end());
  }
  EXPECT_EQ(answers, Bytes(c.answered, protocol::kAcknowledge));
  EXPECT_TRUE(host.Poll(kWait) & POLLHUP);
  EXPECT_TRUE(host.Read(1, 0ms).empty());
  EXPECT_TRUE(sim.WaitUntil([](const SimDevice& s) { return s.HungUp(); }, kWait));
  EXPECT_EQ(sim.AcceptedImage().size(), c.answered * Packet(100).size());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(options.link_path)));
}

SimOptions HangUpAfter(int k) {
  SimOptions options;
  options.hangup_after = k;
  return options;
}

SimOptions HangUpInside(int k) {
  SimOptions options;
  options.hangup_inside = k;
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimHangUp,
    testing::Values(HangUpCase{"after_1", HangUpAfter(1), 1, 1}, HangUpCase{"after_2", HangUpAfter(2), 2, 2},
                    HangUpCase{"inside_1", HangUpInside(1), 1, 0}, HangUpCase{"inside_2", HangUpInside(2), 2, 1}),
    [](const testing::TestParamInfo<HangUpCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vobisk::sim::test
