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
    application.SetExceptionDisplay([&form](const QString& message) { form.ShowException(message); });
    form.show();
    application.exec();
    application.SetExceptionDisplay(nullptr);
  } catch (const std::exception& error) {
    application.SetExceptionDisplay(nullptr);
    application.ShowException(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    application.SetExceptionDisplay(nullptr);
    application.ShowException(QString());
  }
  return 0;
}
