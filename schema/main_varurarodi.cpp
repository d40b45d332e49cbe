// Varurarodi: brings the main database up to the structure the other programs
// expect and rebuilds the auxiliary database, once per start.
#include "platform/forms/application.h"

#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"
#include "platform/process/process.h"
#include "schema/regenera.h"

int main(int argc, char** argv) {
  orvo::forms::Application app(argc, argv);
  orvo::process::SetCommandLine(argc, argv);
  orvo::forms::QtDialogs dialogs;
  orvo::forms::Runtime runtime(dialogs, "Varurarodi");
  orvo::common::Bases bases;
  auto ventana = orvo::schema::Inicio(bases, dialogs, runtime);
  if (!ventana) return runtime.Status();
  dialogs.SetParent(ventana.get());
  return app.exec();
}
