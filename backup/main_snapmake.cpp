// Snapmake: packs the data folders into a dated backup set. With any
// argument it makes the set without showing its window and ends.
#include <QCoreApplication>
#include <QThread>

#include "backup/snapmake.h"
#include "common/arranque.h"
#include "platform/drive/drive.h"
#include "platform/forms/application.h"
#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"
#include "platform/process/process.h"

int main(int argc, char** argv) {
  using namespace orvo;
  forms::Application app(argc, argv);
  process::SetCommandLine(argc, argv);
  const auto carpeta = drive::ProgramFolder();
  forms::QtDialogs dialogs;
  // Whatever ends the program with a failure, a caller waiting for its
  // result file is told.
  forms::Runtime runtime(dialogs, "Snapmake", [carpeta](int status) {
    if (status != 0) respaldo::ResultadoVacio(carpeta);
    // Without an event loop main returns by itself: the connection then
    // closes, and no write-ahead log is left beside the database.
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(status);
  });

  // modSnapmake: the shared connection and no recordset.
  common::Bases bases;
  runtime.Guard([&] {
    try {
      common::Inicia(bases, {.pruebaArchivo = false, .recordsets = 0}, dialogs);
    } catch (...) {
      respaldo::ResultadoVacio(carpeta);
      throw;
    }
  });
  if (runtime.Ended()) return runtime.Status();

  respaldo::Snapmake snapmake(bases, dialogs, runtime, carpeta);
  dialogs.SetParent(&snapmake);
  if (!process::CommandLine().empty()) {
    snapmake.Desatendido();
    return runtime.Status();
  }
  if (!snapmake.Open()) return runtime.Status();
  return app.exec();
}
