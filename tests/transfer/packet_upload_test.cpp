#include "packet_upload.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "child_process.h"
#include "mkimage.h"
#include "recording_window.h"
#include "sim_port.h"
#include "stdout_capture.h"
#include "temp_dir.h"

namespace vobisk {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using test::SimPort;

constexpr const char* kFinished = "Обновление завершено";
constexpr const char* kNotAnswering = "Устройство не отвечает";

class PacketUpload : public ::testing::Test {
 protected:
  // Writes the image as a firmware file and names it in the window's file field.
  void UseImage(const Bytes& bytes, const std::string& name = "image.fmw") {
    image = bytes;
    file = dir.Write(name, mkimage::ToHexText(bytes));
    window.file_text = file.string();
  }
  void UseFileText(const std::string& text) {
    file = dir.Write("image.fmw", text);
    window.file_text = file.string();
  }

  // StartDirectUpload against the device, with the trace and the time it took.
  int Upload(SimPort& sim) {
    window.port_text = sim.port_text();
    test::StdoutCapture capture;
    const auto start = std::chrono::steady_clock::now();
    const int result = StartDirectUpload(window, port);
    took = std::chrono::steady_clock::now() - start;
    trace = capture.Text();
    EXPECT_FALSE(port.IsOpen()) << "the port is closed on every way out";
    EXPECT_EQ(test::OpenDescriptorsOf(file.string()), 0) << "so is the file";
    return result;
  }

  test::TempDir dir;
  TComPort port;
  test::RecordingWindow window;
  std::filesystem::path file;
  Bytes image;
  std::string trace;
  std::chrono::steady_clock::duration took{};
};

TEST_F(PacketUpload, SendsTheImageAndReportsSuccess) {
  // A port text of more than 11 characters and a file named in Cyrillic, relative to the
  // current directory.
  SimPort sim(test::Bootloader());
  const std::filesystem::path long_port = dir / "usb-serial-adapter-port0";
  std::filesystem::create_symlink(sim->SlavePath(), long_port);
  UseImage(mkimage::MakeImage(100, 5, 7), "прошивка.fmw");
  test::ScopedCwd cwd(dir.path());
  window.file_text = "прошивка.fmw";
  window.port_text = long_port.string();

  test::StdoutCapture capture;
  EXPECT_EQ(StartDirectUpload(window, port), 0);
  const std::string device_path = "\\\\.\\" + long_port.string();
  EXPECT_EQ(capture.Text(), device_path + " opened.\n\rTransferring.. 100% done.  \nTarget updated successfully.\n");
  EXPECT_EQ(sim->AcceptedImage(), image);
  EXPECT_EQ(sim->PacketsReceived(), 5);
  const std::vector<std::string> expected = {"visible 1",   "position 0",  "position 20", "position 40",
                                             "position 60", "position 80", "position 0",  "visible 0",
                                             std::string("status ") + kFinished};
  EXPECT_EQ(window.log, expected);
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(PacketUpload, ProgressIsAcknowledgedBytesOverImageSize) {
  // Packets of 2, 11 and 502 bytes: 0, then 2*100/515, then 13*100/515.
  Bytes bytes = {0x00, 0x00};
  const Bytes second = mkimage::MakeImage(9, 1, 1), third = mkimage::MakeImage(500, 1, 2);
  bytes.insert(bytes.end(), second.begin(), second.end());
  bytes.insert(bytes.end(), third.begin(), third.end());
  UseImage(bytes);
  SimPort sim(test::Bootloader());
  EXPECT_EQ(Upload(sim), 0);
  EXPECT_EQ(window.Positions(), (std::vector<int>{0, 0, 2, 0}));
  EXPECT_EQ(sim->AcceptedImage(), bytes);
}

TEST_F(PacketUpload, ThreeRejectionsAreResentAndEveryPacketHasFourTries) {
  sim::SimOptions options = test::Bootloader();
  options.reject_times = {{1, 3}, {2, 3}};
  SimPort sim(options);
  UseImage(mkimage::MakeImage(64, 3, 3));
  EXPECT_EQ(Upload(sim), 0);
  EXPECT_EQ(sim->PacketsReceived(), 4 + 4 + 1);
  EXPECT_EQ(sim->AcceptedImage(), image);
  EXPECT_EQ(window.status, kFinished);
}

TEST_F(PacketUpload, FourthRejectionInARowEndsIt) {
  sim::SimOptions options = test::Bootloader();
  options.reject_all = true;
  SimPort sim(options);
  UseImage(mkimage::MakeImage(64, 3, 4));
  window.status = "earlier";
  EXPECT_EQ(Upload(sim), -1);
  EXPECT_EQ(sim->PacketsReceived(), 4);
  EXPECT_EQ(trace, sim.device_path() + " opened.\n\nCRC error. File damaged.\n");
  EXPECT_TRUE(window.progress_visible);  // left as it was
  EXPECT_EQ(window.status, "earlier");
}

TEST_F(PacketUpload, SilentDeviceEndsItAfterTheReplyTimeout) {
  sim::SimOptions options = test::Bootloader();
  options.silent_after = 1;
  SimPort sim(options);
  UseImage(mkimage::MakeImage(64, 3, 5));
  EXPECT_EQ(Upload(sim), -1);
  EXPECT_GE(took, 8000ms);
  EXPECT_LT(took, 9500ms);
  EXPECT_EQ(sim->PacketsReceived(), 2);
  EXPECT_EQ(trace, sim.device_path() + " opened.\n\nFailed: Target is not responding.\n");
  EXPECT_FALSE(window.progress_visible);
  EXPECT_EQ(window.progress_position, 0);
  EXPECT_EQ(window.status, kNotAnswering);
}

TEST_F(PacketUpload, StrayBytesAreDrainedNotTakenForTheAnswer) {
  // After every answer the device sends an acknowledge byte too many. Taken for the answer to
  // the next packet, it would pass the rejected second packet as accepted.
  sim::SimOptions options = test::Bootloader();
  options.stray = {0x11, 0x11};
  options.reject_times = {{2, 1}};
  SimPort sim(options);
  UseImage(mkimage::MakeImage(200, 4, 6));
  EXPECT_EQ(Upload(sim), 0);
  EXPECT_EQ(sim->AcceptedImage(), image);
  EXPECT_EQ(sim->PacketsReceived(), 5);
}

TEST_F(PacketUpload, AnAnswerThatComesLateIsStillTaken) {
  sim::SimOptions options = test::Bootloader();
  options.reply_delay_ms = 300;
  SimPort sim(options);
  UseImage(mkimage::MakeImage(16, 2, 8));
  EXPECT_EQ(Upload(sim), 0);
  EXPECT_EQ(sim->AcceptedImage(), image);
}

TEST_F(PacketUpload, ZeroByteImageOpensAndClosesThePortAndSucceeds) {
  SimPort sim(test::Bootloader());
  UseFileText("  \r\n ; nothing here");
  EXPECT_EQ(Upload(sim), 0);
  EXPECT_TRUE(sim->Chunks().empty());
  EXPECT_EQ(trace, sim.device_path() + " opened.\n\rTransferring.. 100% done.  \nTarget updated successfully.\n");
  EXPECT_EQ(window.status, kFinished);
}

TEST_F(PacketUpload, MissingFileEndsItBeforeThePortIsOpened) {
  SimPort sim(test::Bootloader());
  for (const std::string& name : {(dir / "missing.fmw").string(), dir.path().string(), std::string()}) {
    SCOPED_TRACE(name);
    window = {};
    file = dir / "missing.fmw";
    window.file_text = name;
    EXPECT_EQ(Upload(sim), -1);
    EXPECT_EQ(trace, "Error: File '" + name + "' not found.\n");
    EXPECT_EQ(window.messages, std::vector<std::string>{"Файл не найден"});
    EXPECT_EQ(window.log, (std::vector<std::string>{"visible 1", "message Файл не найден"}));
  }
}

TEST_F(PacketUpload, BusyOrMissingPortEndsItWithTheFileClosed) {
  SimPort sim(test::Bootloader());
  UseImage(mkimage::MakeImage(16, 2, 9));
  // Held by another copy of the program.
  test::HoldingChild other([&] {
    static TComPort held;
    return held.Open(sim.device_path().c_str(), 57600, 2000) ? 0 : 1;
  });
  ASSERT_TRUE(other.holding());
  // The box is modal: the file is still open while it shows, and closed after.
  int open_while_shown = -1;
  window.while_message_open = [&] { open_while_shown = test::OpenDescriptorsOf(file.string()); };
  EXPECT_EQ(Upload(sim), -1);
  EXPECT_EQ(trace, "Error: " + sim.device_path() + " in use or does not exist.\n");
  EXPECT_EQ(window.messages, std::vector<std::string>{"COM порт не доступен"});
  EXPECT_EQ(open_while_shown, 1);
  EXPECT_TRUE(sim->Chunks().empty());

  window = {};
  window.file_text = file.string();
  window.port_text = "COM97";
  test::StdoutCapture capture;
  EXPECT_EQ(StartDirectUpload(window, port), -1);
  EXPECT_EQ(capture.Text(), "Error: \\\\.\\COM97 in use or does not exist.\n");
}

TEST_F(PacketUpload, DamagedImageSendsNothing) {
  const std::string too_many = [] {
    std::string text;
    for (int i = 0; i < 262145; ++i) text += "00 ";
    return text;
  }();
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"more tokens than the image holds", too_many},
      {"a length that runs past the end", "00 02 AA BB 00 05 CC"},
      {"a lone length byte at the end", "00 01 AA 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimPort sim(test::Bootloader());
    window = {};
    window.status = "earlier";
    UseFileText(c.text);
    EXPECT_EQ(Upload(sim), -1);
    EXPECT_TRUE(sim->Chunks().empty()) << "not a byte on the line";
    EXPECT_EQ(trace, sim.device_path() + " opened.\nError: File '" + file.string() +
                         "' is not a valid firmware image.\n");
    EXPECT_EQ(window.messages, std::vector<std::string>{"Файл прошивки повреждён"});
    EXPECT_EQ(window.status, "earlier");
    EXPECT_TRUE(window.progress_visible);
  }
}

TEST_F(PacketUpload, HangUpEndsItAtOnce) {
  struct Case {
    const char* what;
    int after, inside;
  };
  const Case cases[] = {{"after the first answer", 1, -1}, {"inside the second packet", -1, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::SimOptions options = test::Bootloader();
    options.hangup_after = c.after;
    options.hangup_inside = c.inside;
    SimPort sim(options);
    window = {};
    UseImage(mkimage::MakeImage(1000, 4, 10));
    EXPECT_EQ(Upload(sim), -1);
    EXPECT_LT(took, 1500ms);
    EXPECT_EQ(trace, sim.device_path() + " opened.\n\nFailed: Target is not responding.\n");
    EXPECT_EQ(window.status, kNotAnswering);
  }
}

TEST_F(PacketUpload, ALineThatNeverGoesQuietDoesNotHangIt) {
  sim::SimOptions options = test::Bootloader();
  options.chatter = true;
  SimPort sim(options);
  UseImage(mkimage::MakeImage(16, 2, 11));
  EXPECT_EQ(Upload(sim), -1);
  // Each send's drain gives up after 8 s; where the chatter pauses for a moment a send goes out
  // and a chatter byte is taken for a rejection, so at most four sends of 8 s each.
  EXPECT_LT(took, 36s);
  EXPECT_TRUE(sim->AcceptedImage().empty());
}

}  // namespace
}  // namespace vobisk
