#include <exception>

#include "application.h"
#include "command_line.h"
#include "main_form.h"

// The exit code is 0 whatever happened: calling programs rely on it and read the outcome from the
// trace lines on standard output.
int main(int argc, char** argv) {
  vobisk::TApplication application(argc, argv);
  try {
    vobisk::TForm1 form(vobisk::ProgramParameters(argc, argv));
    // While the window lives, exceptions from handlers show as its own message boxes.
    application.SetExceptionDisplay([&form](const QString& message) { form.ShowException(message); });
    struct WindowGone {
      vobisk::TApplication& application;
      ~WindowGone() { application.SetExceptionDisplay(nullptr); }
    } window_gone{application};
    form.show();
    application.exec();
  } catch (const std::exception& error) {
    application.ShowException(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    application.ShowException(QString());
  }
  return 0;
}
