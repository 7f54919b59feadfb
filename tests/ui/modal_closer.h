#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace vobisk::test {

// Stands in for the user in front of modal windows: every message box that comes up is read and
// closed with OK (its text is kept), and a file dialog is handed to `on_file_dialog`.
class ModalCloser : public QObject {
 public:
  ModalCloser();

  QStringList texts;  // of the message boxes, in order
  QList<QMessageBox::Icon> icons;
  std::function<void(QFileDialog&)> on_file_dialog = [](QFileDialog& dialog) { dialog.reject(); };
  // Called with each message box before it is closed (it is still open and modal).
  std::function<void(QMessageBox&)> on_message_box;

 private:
  void Look();
  QTimer timer_;
};

// Lets the event loop run for `ms` milliseconds (timers, queued calls, modal windows).
void RunEventsFor(int ms);
// Lets the event loop run until pred holds or `ms` pass; returns pred().
bool RunEventsUntil(const std::function<bool()>& pred, int ms);

}  // namespace vobisk::test
