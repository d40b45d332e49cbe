// Linkset: saves the FTP settings that Fetchpurge reads.
#include "platform/forms/application.h"

#include "ftp/linkset.h"
#include "platform/drive/drive.h"
#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"

int main(int argc, char** argv) {
  orvo::forms::Application app(argc, argv);
  orvo::forms::QtDialogs dialogs;
  orvo::forms::Runtime runtime(dialogs, "Linkset");
  orvo::ftp::Linkset linkset(dialogs, runtime, orvo::drive::ProgramFolder());
  dialogs.SetParent(&linkset);
  if (!linkset.Open()) return runtime.Status();
  return app.exec();
}
