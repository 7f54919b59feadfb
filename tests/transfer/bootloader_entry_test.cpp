#include "bootloader_entry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device_protocol.h"
#include "mkimage.h"
#include "packet_upload.h"
#include "pty_pair.h"
#include "recording_window.h"
#include "sim_port.h"
#include "stdout_capture.h"
#include "temp_dir.h"

namespace vobisk {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using test::SimPort;

Bytes Of(const auto& command) { return Bytes(command.begin(), command.end()); }

// A tick counter that runs with the real clock from a chosen start, so that a pause can be made
// to cross the counter's wrap.
MessagePump RealTimePump(std::uint32_t start, std::function<void()> events = [] {}) {
  const auto origin = std::chrono::steady_clock::now();
  return {[origin, start] {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - origin);
            return static_cast<std::uint32_t>(start + static_cast<std::uint32_t>(ms.count()));
          },
          std::move(events)};
}

// The chunks the device received that were not noise, and their arrival times.
struct Heard {
  std::vector<Bytes> chunks;
  std::vector<std::chrono::steady_clock::time_point> at;
};
Heard HeardBy(const sim::SimDevice& device) {
  Heard heard;
  for (const sim::ReceivedChunk& chunk : device.Chunks()) {
    EXPECT_FALSE(chunk.noise);
    EXPECT_EQ(chunk.baud, protocol::kEntryBaud);
    heard.chunks.push_back(chunk.bytes);
    heard.at.push_back(chunk.at);
  }
  return heard;
}

TEST(BootloaderEntry, SendsTheThreeCommandsWithPausesAndClosesThePort) {
  SimPort sim;  // running its normal firmware
  TComPort port;
  test::RecordingWindow window;
  // The tick counter wraps 50 ms into the first pause.
  const MessagePump pump = RealTimePump(0xFFFFFFFFu - 50);
  EXPECT_TRUE(EnterBootloader(window, port, pump, sim.port_text()));
  EXPECT_FALSE(port.IsOpen());
  ASSERT_TRUE(sim->WaitUntil([](const sim::SimDevice& d) { return d.InBootloader(); }, 2s));

  const Heard heard = HeardBy(sim.device());
  ASSERT_EQ(heard.chunks.size(), 3u);
  EXPECT_EQ(heard.chunks[0], Of(protocol::kEntryStep1));
  EXPECT_EQ(heard.chunks[1], Of(protocol::kEntryStep2));
  EXPECT_EQ(heard.chunks[2], Of(protocol::kEntryStep3));
  EXPECT_EQ(heard.chunks[1].size(), 10u);  // the two zero bytes go on the line
  EXPECT_EQ(heard.chunks[2].size(), 9u);
  // The device hears each write up to a few milliseconds after it returned (more on a loaded
  // machine), so the 150 ms pauses show as a little less or more here.
  EXPECT_GE(heard.at[1] - heard.at[0], 140ms);
  EXPECT_GE(heard.at[2] - heard.at[1], 140ms);
  EXPECT_LT(heard.at[2] - heard.at[0], 700ms);
  EXPECT_TRUE(window.messages.empty());

  // Closed for real: the port can be opened again at once (also by somebody else).
  EXPECT_TRUE(port.Open(sim.device_path().c_str(), 57600, 2000));
}

TEST(BootloaderEntry, PortThatDoesNotOpenSendsNothing) {
  SimPort sim;
  test::TempDir com_dir;
  test::ScopedEnv env("VOBISK_COM_DIR", com_dir.path().string());
  for (const std::string text : {"", "COM5", "/dev/vobisk-no-such-port"}) {
    SCOPED_TRACE(text);
    TComPort port;
    test::RecordingWindow window;
    EXPECT_FALSE(EnterBootloader(window, port, RealTimePump(0), text));
    EXPECT_EQ(window.messages, std::vector<std::string>{"И где же наш COM портик?"});
  }
  EXPECT_TRUE(sim->Chunks().empty());
}

TEST(BootloaderEntry, APortWithoutADeviceBehindItIsNoError) {
  // A line nobody listens on: the writes go out unnoticed and the entry counts as done.
  test::PtyPair nobody;
  TComPort port;
  test::RecordingWindow window;
  EXPECT_TRUE(EnterBootloader(window, port, RealTimePump(0), nobody.slave_path()));
  EXPECT_TRUE(window.messages.empty());
}

// What a handler that runs inside the first pause does.
TEST(BootloaderEntry, HandlersNestedInAPause) {
  struct Case {
    const char* what;
    bool image_exists;
    bool nested_entry;
    std::vector<Bytes> heard;
    std::vector<std::string> messages;
    bool in_bootloader;
  };
  const Bytes step1 = Of(protocol::kEntryStep1), step2 = Of(protocol::kEntryStep2), step3 = Of(protocol::kEntryStep3);
  const Case cases[] = {
      // The upload finds the port held by the entry; the entry goes on.
      {"upload of an existing image", true, false, {step1, step2, step3}, {"COM порт не доступен"}, true},
      // The upload fails on the file first and closes the entry's port: nothing more is sent.
      {"upload of a missing image", false, false, {step1}, {"Файл не найден"}, false},
      // A second entry runs whole and closes the port; the outer one's last writes go nowhere.
      {"another entry", true, true, {step1, step1, step2, step3}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::filesystem::path image = dir.Write("image.fmw", mkimage::ToHexText(mkimage::MakeImage(8, 1, 1)));
    SimPort sim;
    TComPort port;
    test::RecordingWindow window;
    window.port_text = sim.port_text();
    window.file_text = c.image_exists ? image.string() : (dir / "missing.fmw").string();
    bool once = false;
    const auto begin = std::chrono::steady_clock::now();
    MessagePump pump;
    pump = RealTimePump(0, [&] {
      // Well inside the pause, so that the device hears the first command on its own.
      if (once || std::chrono::steady_clock::now() - begin < 50ms) return;
      once = true;
      if (c.nested_entry)
        EnterBootloader(window, port, pump, sim.port_text());
      else
        EXPECT_EQ(StartDirectUpload(window, port), -1);
    });
    test::StdoutCapture quiet;
    EXPECT_TRUE(EnterBootloader(window, port, pump, sim.port_text()));
    EXPECT_FALSE(port.IsOpen());
    if (c.in_bootloader) sim->WaitUntil([](const sim::SimDevice& d) { return d.InBootloader(); }, 2s);
    else std::this_thread::sleep_for(100ms);
    EXPECT_EQ(HeardBy(sim.device()).chunks, c.heard);
    EXPECT_EQ(window.messages, c.messages);
    EXPECT_EQ(sim->InBootloader(), c.in_bootloader);
  }
}

}  // namespace
}  // namespace vobisk
