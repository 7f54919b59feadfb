// The update run through the window, offscreen, against the simulated device.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "device_protocol.h"
#include "main_form.h"
#include "mkimage.h"
#include "modal_closer.h"
#include "sim_port.h"
#include "stdout_capture.h"
#include "temp_dir.h"

namespace vobisk {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Params = std::vector<std::string>;
using test::RunEventsFor;
using test::RunEventsUntil;
using test::SimPort;
using Clock = std::chrono::steady_clock;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
const QString kFinished = U("Обновление завершено");

class Workflow : public ::testing::Test {
 protected:
  // A firmware file in the current folder, the one the window will find.
  void PutImage(const std::string& name = "demo.fmw") {
    image = mkimage::MakeImage(64, 4, 3);
    folder.Write(name, mkimage::ToHexText(image));
  }
  SimPort& Device(sim::SimOptions options = {}, int com = 1) {
    devices.push_back(std::make_unique<SimPort>(std::move(options), ports.path(), com));
    return *devices.back();
  }
  // Shows the window and lets its first activation run (a run under /run included).
  void Show(TForm1& form) {
    form.show();
    RunEventsFor(100);
  }

  // Standard output holds the trace lines, and while it is caught also the test's own report of
  // a failure: hand that on.
  void TearDown() override {
    if (HasFailure()) std::fprintf(stderr, "%s", trace.Text().c_str());
  }

  test::TempDir ports;
  test::ScopedEnv com_dir{"VOBISK_COM_DIR", ports.path().string()};
  test::TempDir folder;
  test::ScopedCwd cwd{folder.path()};
  test::ModalCloser user;
  test::StdoutCapture trace;
  std::vector<std::unique_ptr<SimPort>> devices;
  Bytes image;
};

// When the device first heard bytes at a speed, and when it last did.
struct Span {
  std::optional<Clock::time_point> first, last;
};
Span HeardAt(const sim::SimDevice& device, std::uint32_t baud) {
  Span span;
  for (const sim::ReceivedChunk& chunk : device.Chunks()) {
    if (chunk.noise || chunk.baud != baud) continue;
    if (!span.first) span.first = chunk.at;
    span.last = chunk.at;
  }
  return span;
}

TEST_F(Workflow, ActivationFillsPortAndFileAndStartsNothing) {
  PutImage();
  SimPort& sim = Device();
  TForm1 form;
  Show(form);
  EXPECT_EQ(form.CB_ComPotr->count(), 1);
  EXPECT_EQ(form.CB_ComPotr->currentText(), "COM1");
  EXPECT_EQ(form.E_Firmeware_filename->text(), "demo.fmw");
  EXPECT_EQ(form.windowTitle(), U("Обновление ПО - demo.fmw"));
  RunEventsFor(300);
  EXPECT_TRUE(sim->Chunks().empty());
  EXPECT_TRUE(user.texts.isEmpty());
}

TEST_F(Workflow, StartEntersTheBootloaderWaitsASecondAndUploads) {
  PutImage();
  SimPort& sim = Device();  // running its normal firmware
  TForm1 form;
  Show(form);
  form.Panel_Info->setText("old");

  QTest::mouseClick(form.BT_StartUpdate, Qt::LeftButton);  // returns after the entry
  EXPECT_TRUE(form.Panel_Info->text().isEmpty());
  EXPECT_TRUE(form.PB_UploadStatus->isVisible());
  EXPECT_TRUE(form.UploadDelayTimer->Enabled());
  EXPECT_FALSE(form.ComPort->IsOpen());

  ASSERT_TRUE(RunEventsUntil([&] { return form.Panel_Info->text() == kFinished; }, 5000));
  EXPECT_EQ(sim->AcceptedImage(), image);
  const Span entry = HeardAt(sim.device(), protocol::kEntryBaud);
  const Span upload = HeardAt(sim.device(), protocol::kUploadBaud);
  ASSERT_TRUE(entry.last && upload.first);
  EXPECT_GE(*upload.first - *entry.last, 980ms);  // the device hears the last command a little late
  EXPECT_LT(*upload.first - *entry.last, 1600ms);
  EXPECT_FALSE(form.UploadDelayTimer->Enabled());
  EXPECT_FALSE(form.PB_UploadStatus->isVisible());
  EXPECT_TRUE(form.isVisible());  // no /close
}

TEST_F(Workflow, ManualBootloaderStartUploadsAtOnceAndNeverCloses) {
  PutImage();
  SimPort& sim = Device(test::Bootloader());
  TForm1 form({"vobisk-update", "/run", "/close"});
  form.CB_DirectUpload->setChecked(true);
  Show(form);  // /run presses Start at the first activation
  ASSERT_TRUE(RunEventsUntil([&] { return form.Panel_Info->text() == kFinished; }, 3000));
  EXPECT_EQ(sim->AcceptedImage(), image);
  EXPECT_FALSE(HeardAt(sim.device(), protocol::kEntryBaud).first);  // no entry commands
  EXPECT_FALSE(form.UploadDelayTimer->Enabled());
  RunEventsFor(1200);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(Workflow, CloseSwitchEndsTheProgramAfterASuccessfulUpload) {
  PutImage();
  SimPort& sim = Device();
  TForm1 form({"vobisk-update", "anything", "/close"});  // a run started by hand
  Show(form);
  QTest::mouseClick(form.BT_StartUpdate, Qt::LeftButton);
  ASSERT_TRUE(RunEventsUntil([&] { return !form.isVisible(); }, 5000));
  EXPECT_EQ(sim->AcceptedImage(), image);
}

TEST_F(Workflow, FailedUploadNeverClosesTheWindow) {
  PutImage();
  sim::SimOptions rejecting;
  rejecting.reject_all = true;
  SimPort& sim = Device(rejecting);
  TForm1 form({"vobisk-update", "/run", "/close"});
  Show(form);
  ASSERT_TRUE(RunEventsUntil([&] { return sim->PacketsReceived() == 4; }, 5000));
  RunEventsFor(500);
  EXPECT_TRUE(form.isVisible());
  EXPECT_NE(trace.Text().find("\nCRC error. File damaged.\n"), std::string::npos);
  EXPECT_EQ(sim->PacketsReceived(), 4);  // and no second run
}

TEST_F(Workflow, StartWhileADelayIsPendingKeepsItsDeadline) {
  PutImage();
  SimPort& sim = Device();
  TForm1 form;
  Show(form);
  QTest::mouseClick(form.BT_StartUpdate, Qt::LeftButton);
  const Clock::time_point first_entry_done = Clock::now();
  RunEventsFor(400);
  QTest::mouseClick(form.BT_StartUpdate, Qt::LeftButton);  // a second entry, ~700 ms after the first
  ASSERT_TRUE(RunEventsUntil([&] { return form.Panel_Info->text() == kFinished; }, 5000));
  const Span upload = HeardAt(sim.device(), protocol::kUploadBaud);
  ASSERT_TRUE(upload.first);
  EXPECT_LT(*upload.first - first_entry_done, 1700ms);  // not 1000 ms after the second entry (~2000)
  EXPECT_EQ(sim->AcceptedImage(), image);
}

TEST_F(Workflow, RunStartsAtTheFirstShowingWithTheSelectedPortAndTheFoundFile) {
  PutImage("first.fmw");
  SimPort& com3 = Device({}, 3);
  SimPort& com7 = Device({}, 7);
  TForm1 form({"vobisk-update", "/run"});
  form.show();
  ASSERT_TRUE(RunEventsUntil([&] { return form.Panel_Info->text() == kFinished; }, 5000));
  EXPECT_EQ(form.CB_ComPotr->currentText(), "COM3");
  EXPECT_EQ(com3->AcceptedImage(), image);
  EXPECT_TRUE(com7->Chunks().empty());
}

TEST_F(Workflow, ALastingFailureUnderRunIsNotRepeated) {
  PutImage();
  TForm1 form({"vobisk-update", "/run"});  // and no port at all
  Show(form);
  RunEventsFor(1500);
  EXPECT_EQ(user.texts, QStringList{U("И где же наш COM портик?")});
  EXPECT_TRUE(form.Panel_Info->text().isEmpty());

  // The window getting the focus back from its own box is no new activation...
  QApplication::setActiveWindow(&form);
  RunEventsFor(300);
  EXPECT_EQ(user.texts.size(), 1);
  // ...coming back from another program is: another run, another box.
  QApplication::setActiveWindow(nullptr);
  QApplication::setActiveWindow(&form);
  RunEventsFor(500);
  EXPECT_EQ(user.texts.size(), 2);
}

TEST_F(Workflow, ScanReplacesTheChoiceWithTheLowestPortAndKeepsTypedTextWhenNoneIsFound) {
  TForm1 form;
  form.CB_ComPotr->setEditText("ttyUSB0");
  form.ScanComPorts();
  EXPECT_EQ(form.CB_ComPotr->count(), 0);
  EXPECT_EQ(form.CB_ComPotr->currentText(), "ttyUSB0");

  Device({}, 6);
  Device({}, 2);
  form.CB_ComPotr->setEditText("COM6");
  form.ScanComPorts();
  EXPECT_EQ(form.CB_ComPotr->count(), 2);
  EXPECT_EQ(form.CB_ComPotr->itemText(0), "COM2");
  EXPECT_EQ(form.CB_ComPotr->itemText(1), "COM6");
  EXPECT_EQ(form.CB_ComPotr->currentIndex(), 0);
  EXPECT_EQ(form.CB_ComPotr->currentText(), "COM2");
  EXPECT_FALSE(form.ComPort->IsOpen());
}

TEST_F(Workflow, DropDownScansOnlyAnEmptyList) {
  TForm1 form;
  Show(form);  // nothing attached yet: the list stays empty
  ASSERT_EQ(form.CB_ComPotr->count(), 0);
  Device({}, 4);
  form.CB_ComPotr->showPopup();
  form.CB_ComPotr->hidePopup();
  EXPECT_EQ(form.CB_ComPotr->count(), 1);
  Device({}, 2);  // attached after the last scan
  form.CB_ComPotr->showPopup();
  form.CB_ComPotr->hidePopup();
  EXPECT_EQ(form.CB_ComPotr->count(), 1);
  EXPECT_EQ(form.CB_ComPotr->currentText(), "COM4");
}

TEST_F(Workflow, StartWithAnEmptyListScansFirstThenTakesTheBoxText) {
  PutImage();
  TForm1 form;
  Show(form);
  form.CB_ComPotr->setEditText("COM9");
  form.Panel_Info->setText("old");
  QTest::mouseClick(form.BT_StartUpdate, Qt::LeftButton);
  EXPECT_EQ(user.texts, QStringList{U("И где же наш COM портик?")});
  EXPECT_TRUE(form.Panel_Info->text().isEmpty());
  EXPECT_FALSE(form.UploadDelayTimer->Enabled());

  SimPort& sim = Device();
  QTest::mouseClick(form.BT_StartUpdate, Qt::LeftButton);  // the list is still empty: scans, finds COM1
  EXPECT_EQ(form.CB_ComPotr->currentText(), "COM1");
  ASSERT_TRUE(RunEventsUntil([&] { return form.Panel_Info->text() == kFinished; }, 5000));
  EXPECT_EQ(sim->AcceptedImage(), image);
}

TEST_F(Workflow, ExitDuringTheEntryEndsTheProgramWithoutUpload) {
  PutImage();
  SimPort& sim = Device();
  TForm1 form;
  Show(form);
  // Start from the main loop; Exit is pressed during the entry's first pause.
  QTimer::singleShot(0, &form, [&] { QTest::mouseClick(form.BT_StartUpdate, Qt::LeftButton); });
  QTimer::singleShot(80, form.BT_Exit, &QPushButton::click);
  QApplication::exec();  // returns once the handler is back in the main loop
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(form.UploadDelayTimer->Enabled());  // the delay was switched on all the same
  EXPECT_TRUE(sim->WaitUntil([](const sim::SimDevice& d) { return d.InBootloader(); }, 1s));
  std::this_thread::sleep_for(1300ms);  // the program has ended: no event runs any more
  EXPECT_EQ(sim->PacketsReceived(), 0);
}

}  // namespace
}  // namespace vobisk
