#pragma once

#include <QApplication>
#include <functional>

namespace vobisk {

// The application object. An exception that escapes an event handler is shown and the event
// loop goes on; one that escapes the program's start or its loop is shown by main.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  // How an exception's message is shown; the main window sets it, so that the box is one of its
  // own modal windows. Before that, a plain message box shows it.
  void SetExceptionDisplay(std::function<void(const QString&)> display);
  void ShowException(const QString& message);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  std::function<void(const QString&)> display_;
};

}  // namespace vobisk
