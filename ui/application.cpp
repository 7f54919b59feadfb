#include "application.h"

#include <QMessageBox>
#include <exception>

namespace vobisk {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TApplication::SetExceptionDisplay(std::function<void(const QString&)> display) {
  display_ = std::move(display);
}

void TApplication::ShowException(const QString& message) {
  if (display_) {
    display_(message);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QString(), message, QMessageBox::Ok);
  box.exec();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowException(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    ShowException(QString());
  }
  return false;
}

}  // namespace vobisk
