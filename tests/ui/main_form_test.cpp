#include "main_form.h"

#include <dirent.h>

#include <QApplication>
#include <QFontInfo>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "application.h"
#include "modal_closer.h"
#include "temp_dir.h"

namespace vobisk {
namespace {

using test::ModalCloser;
using test::RunEventsFor;
using test::RunEventsUntil;
using test::ScopedCwd;
using test::TempDir;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(MainForm, StateAtCreation) {
  TForm1 form;
  EXPECT_EQ(form.windowTitle(), U("Обновление ПО"));
  EXPECT_EQ(form.size(), QSize(317, 131));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());  // the user cannot resize it
  EXPECT_EQ(form.pos(), QPoint(713, 315));
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));

  struct Placed {
    QWidget* widget;
    QRect geometry;
  };
  const Placed layout[] = {
      {form.Panel1, {0, 0, 185, 106}},          {form.Panel2, {185, 0, 132, 106}},
      {form.Panel_Info, {0, 106, 317, 25}},     {form.E_Firmeware_filename, {40, 17, 129, 21}},
      {form.CB_ComPotr, {41, 49, 128, 21}},     {form.CB_DirectUpload, {8, 80, 161, 17}},
      {form.BT_StartUpdate, {24, 45, 81, 25}},  {form.BT_Exit, {24, 74, 81, 25}},
      {form.PB_UploadStatus, {8, 4, 303, 16}},
  };
  for (const Placed& p : layout) {
    SCOPED_TRACE(p.widget->metaObject()->className());
    EXPECT_EQ(p.widget->geometry(), p.geometry);
  }
  EXPECT_EQ(form.Label2->pos(), QPoint(7, 20));
  EXPECT_EQ(form.Label1->pos(), QPoint(9, 52));
  EXPECT_EQ(form.Label4->pos(), QPoint(8, 10));
  EXPECT_EQ(form.CB_ComPotr->parentWidget(), form.Panel1);
  EXPECT_EQ(form.BT_StartUpdate->parentWidget(), form.Panel2);
  EXPECT_EQ(form.PB_UploadStatus->parentWidget(), form.Panel_Info);

  EXPECT_EQ(form.Label2->text(), U("Файл"));
  EXPECT_EQ(form.Label1->text(), U("Порт"));
  EXPECT_EQ(form.Label4->text(), U("   Vobisk   "));
  EXPECT_EQ(form.BT_StartUpdate->text(), U("Пуск"));
  EXPECT_EQ(form.BT_Exit->text(), U("Выход"));
  EXPECT_EQ(form.CB_DirectUpload->text(), U("Ручной запуск загрузчика"));
  EXPECT_EQ(form.CB_DirectUpload->toolTip(),
            U("Установить, если Bootloader будет активирован вручную при включении питания, в случае "
              "повреждения основной программы"));
  EXPECT_TRUE(form.BT_StartUpdate->toolTip().isEmpty());
  EXPECT_TRUE(form.E_Firmeware_filename->text().isEmpty());
  EXPECT_TRUE(form.CB_ComPotr->currentText().isEmpty());
  EXPECT_EQ(form.CB_ComPotr->count(), 0);
  EXPECT_EQ(form.CB_ComPotr->currentIndex(), -1);
  EXPECT_TRUE(form.CB_ComPotr->isEditable());
  EXPECT_FALSE(form.CB_DirectUpload->isChecked());
  EXPECT_TRUE(form.Panel_Info->text().isEmpty());

  EXPECT_EQ(form.font().pixelSize(), 11);
  EXPECT_FALSE(form.font().bold());
  EXPECT_EQ(form.Panel_Info->font().pixelSize(), 13);
  EXPECT_TRUE(form.Panel_Info->font().bold());
  EXPECT_EQ(form.Panel_Info->alignment(), Qt::AlignCenter);
  EXPECT_EQ(form.Label4->font().pixelSize(), 24);
  EXPECT_TRUE(form.Label4->font().bold());
  EXPECT_EQ(form.Label4->palette().color(QPalette::WindowText), QColor(255, 128, 0));
  EXPECT_EQ(form.Label4->palette().color(QPalette::Window), QColor(128, 0, 0));
  EXPECT_TRUE(form.Label4->autoFillBackground());
  EXPECT_EQ(QFontInfo(form.font()).pixelSize(), 11);  // a real font of that height stands in

  for (QFrame* panel : {form.Panel1, form.Panel2, static_cast<QFrame*>(form.Panel_Info)}) {
    EXPECT_EQ(panel->frameShape(), QFrame::Panel);
    EXPECT_EQ(panel->frameShadow(), QFrame::Raised);
    EXPECT_EQ(panel->lineWidth(), 1);
  }

  EXPECT_FALSE(form.PB_UploadStatus->isVisibleTo(&form));
  EXPECT_EQ(form.PB_UploadStatus->minimum(), 0);
  EXPECT_EQ(form.PB_UploadStatus->maximum(), 100);
  EXPECT_EQ(form.PB_UploadStatus->value(), 0);
  EXPECT_EQ(form.PB_UploadStatus->focusPolicy(), Qt::NoFocus);

  for (QPushButton* button : {form.BT_StartUpdate, form.BT_Exit}) {
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }
  EXPECT_FALSE(form.UploadDelayTimer->Enabled());
  EXPECT_EQ(form.UploadDelayTimer->Interval(), 1000);
  ASSERT_NE(form.ComPort, nullptr);
  EXPECT_FALSE(form.ComPort->IsOpen());
}

TEST(MainForm, KeyboardOrderAndFirstFocus) {
  TempDir empty;
  ScopedCwd cwd(empty.path());
  TForm1 form;
  form.show();
  ASSERT_TRUE(RunEventsUntil([&] { return QApplication::focusWidget() != nullptr; }, 1000));
  EXPECT_EQ(QApplication::focusWidget(), form.CB_ComPotr);

  const QWidget* expected[] = {form.E_Firmeware_filename, form.CB_DirectUpload, form.BT_Exit,
                               form.BT_StartUpdate, form.CB_ComPotr};
  for (const QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
}

TEST(MainForm, EnterAndEscapePressNoButton) {
  TempDir empty;
  ScopedCwd cwd(empty.path());
  TForm1 form;
  form.show();
  RunEventsFor(50);
  QSignalSpy start(form.BT_StartUpdate, &QPushButton::clicked);
  QSignalSpy exit(form.BT_Exit, &QPushButton::clicked);
  for (QWidget* field : {static_cast<QWidget*>(form.E_Firmeware_filename), static_cast<QWidget*>(form.CB_ComPotr)}) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Enter);
    QTest::keyClick(field, Qt::Key_Escape);
  }
  EXPECT_EQ(start.count(), 0);
  EXPECT_EQ(exit.count(), 0);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.CB_ComPotr->count(), 0);  // typed text is not added to the list
}

TEST(MainForm, CaptionFollowsTheFileField) {
  struct Case {
    const char* field;
    const char* caption;
  };
  const Case cases[] = {
      {"C:\\fw\\dev.fmw", "Обновление ПО - dev.fmw"},
      {"C:dev.fmw", "Обновление ПО - dev.fmw"},
      {"C:\\fw\\", "Обновление ПО - "},
      {"", "Обновление ПО - "},
      {"/home/service/прошивки/dev.fmw", "Обновление ПО - dev.fmw"},
      {"dev.fmw", "Обновление ПО - dev.fmw"},
      {"прошивка.fmw", "Обновление ПО - прошивка.fmw"},
  };
  TForm1 form;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    form.E_Firmeware_filename->setText(U(c.field));
    form.UpdateCaption();
    EXPECT_EQ(form.windowTitle(), U(c.caption));
  }
  // Typing alone does not change it.
  QTest::keyClicks(form.E_Firmeware_filename, "x");
  EXPECT_EQ(form.windowTitle(), U("Обновление ПО - прошивка.fmw"));
}

// The entries of dir in the order the file system lists them.
std::vector<std::string> DirectoryOrder(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  while (dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
  ::closedir(d);
  return names;
}

TEST(MainForm, FindFirmwareFileTakesTheFirstEntryInDirectoryOrder) {
  TempDir dir;
  ScopedCwd cwd(dir.path());
  TForm1 form;

  // None: the field keeps its text, the caption is computed from it.
  form.E_Firmeware_filename->setText("C:\\chosen\\old.fmw");
  form.FindFirmwareFile();
  EXPECT_EQ(form.E_Firmeware_filename->text(), "C:\\chosen\\old.fmw");
  EXPECT_EQ(form.windowTitle(), U("Обновление ПО - old.fmw"));

  // Several, among them a directory, a hidden file and other names: the first listed wins, and
  // it replaces the earlier choice.
  for (const char* name : {"b.fmw", "a.fmw", ".hidden.fmw", "notes.txt", "c.FMW", "x.fmwx"}) dir.Write(name, "00 00");
  std::filesystem::create_directory(dir / "folder.fmw");
  std::string first;
  for (const std::string& name : DirectoryOrder(dir.path())) {
    if (name != "notes.txt" && name != "x.fmwx" && name != "." && name != "..") {
      first = name;
      break;
    }
  }
  form.FindFirmwareFile();
  EXPECT_EQ(form.E_Firmeware_filename->text().toStdString(), first);
  EXPECT_EQ(form.windowTitle(), U("Обновление ПО - ") + QString::fromStdString(first));
}

TEST(MainForm, FindFirmwareFileCountsADirectory) {
  TempDir dir;
  ScopedCwd cwd(dir.path());
  std::filesystem::create_directory(dir / "x.fmw");
  dir.Write("readme.txt", "");
  TForm1 form;
  form.FindFirmwareFile();
  EXPECT_EQ(form.E_Firmeware_filename->text(), "x.fmw");
}

TEST(MainForm, FileDialogConfirmedAndCancelled) {
  TempDir dir;
  const std::filesystem::path chosen = dir.Write("dev.fmw", "00 00");
  TForm1 form;
  ModalCloser user;
  QString opened_in;
  QStringList filters;
  user.on_file_dialog = [&](QFileDialog& dialog) {
    opened_in = dialog.directory().absolutePath();
    filters = dialog.nameFilters();
    EXPECT_EQ(dialog.selectedNameFilter(), "fmw");  // shown by name alone
    // The user types the file's path into the name field and confirms.
    auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(chosen.string()));
    static_cast<QDialog&>(dialog).accept();
  };
  QTest::mouseClick(form.E_Firmeware_filename, Qt::LeftButton);
  EXPECT_EQ(opened_in, QCoreApplication::applicationDirPath());
  EXPECT_EQ(filters, QStringList({"fmw (*.fmw)", "dat (*.dat)", "All files (*)"}));
  EXPECT_EQ(form.E_Firmeware_filename->text().toStdString(), chosen.string());
  EXPECT_EQ(form.windowTitle(), U("Обновление ПО - dev.fmw"));

  user.on_file_dialog = [](QFileDialog& dialog) { dialog.reject(); };
  QTest::mouseClick(form.E_Firmeware_filename, Qt::LeftButton);
  EXPECT_EQ(form.E_Firmeware_filename->text().toStdString(), chosen.string());
  EXPECT_EQ(form.windowTitle(), U("Обновление ПО - dev.fmw"));
}

TEST(MainForm, ExitClosesTheWindow) {
  TempDir empty;
  ScopedCwd cwd(empty.path());
  TForm1 form;
  form.show();
  RunEventsFor(20);
  QTest::mouseClick(form.BT_Exit, Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
}

TEST(MainForm, ExceptionInAHandlerIsShownAndTheLoopGoesOn) {
  TempDir empty;
  ScopedCwd cwd(empty.path());
  TForm1 form;
  static_cast<TApplication*>(qApp)->SetExceptionDisplay([&](const QString& m) { form.ShowException(m); });
  ModalCloser user;
  QTimer::singleShot(0, &form, [] { throw std::runtime_error("handler failed"); });
  bool later = false;
  QTimer::singleShot(50, &form, [&] { later = true; });
  EXPECT_TRUE(RunEventsUntil([&] { return later; }, 2000));
  static_cast<TApplication*>(qApp)->SetExceptionDisplay(nullptr);
  EXPECT_EQ(user.texts, QStringList{"handler failed"});
  EXPECT_EQ(user.icons.value(0), QMessageBox::Critical);
}

TEST(UploadDelayTimer, SwitchingOnAgainOrTheSameIntervalKeepsTheDeadline) {
  TTimer timer;
  timer.SetEnabled(false);
  timer.SetInterval(1000);
  timer.SetEnabled(true);
  RunEventsFor(600);
  timer.SetEnabled(true);
  timer.SetInterval(1000);
  int fired = 0;
  QObject::connect(&timer, &TTimer::OnTimer, [&] { ++fired; });
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(RunEventsUntil([&] { return fired > 0; }, 2000));
  EXPECT_LT(clock.elapsed(), 850);  // about 400 ms were left; restarted, it would take 1000
  EXPECT_TRUE(timer.Enabled());     // it repeats until switched off
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Enabled());
}

}  // namespace
}  // namespace vobisk
