// Snapload: restores a chosen backup set, after Snapmake has backed up the
// current data. It opens no database connection of its own.
#include "backup/snapload.h"
#include "common/lanzamiento.h"
#include "platform/drive/drive.h"
#include "platform/forms/application.h"
#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"

int main(int argc, char** argv) {
  using namespace orvo;
  // Stopped from outside, the program tells its caller, and stops the
  // Snapmake it waits for first.
  common::FallaAnteSenales(drive::ProgramFolder(), common::Resultado::Err);
  forms::Application app(argc, argv);
  forms::QtDialogs dialogs;
  forms::Runtime runtime(dialogs, "Snapload");
  respaldo::Snapload snapload(dialogs, runtime, drive::ProgramFolder(), drive::ExecutableFolder());
  dialogs.SetParent(&snapload);
  if (!snapload.Open()) return runtime.Status();
  return app.exec();
}
