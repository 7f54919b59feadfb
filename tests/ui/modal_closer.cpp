#include "modal_closer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>

namespace vobisk::test {

ModalCloser::ModalCloser() {
  timer_.setInterval(10);
  connect(&timer_, &QTimer::timeout, this, &ModalCloser::Look);
  timer_.start();
}

void ModalCloser::Look() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || !modal->isVisible()) return;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    texts << box->text();
    icons << box->icon();
    if (on_message_box) on_message_box(*box);
    box->button(QMessageBox::Ok)->click();
  } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
    on_file_dialog(*dialog);
  }
}

void RunEventsFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool RunEventsUntil(const std::function<bool()>& pred, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!pred() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return pred();
}

}  // namespace vobisk::test
