// Snapmake: packs the data folders into a dated backup set. With any
// argument it makes the set without showing its window and ends: the
// unattended run of Snapload and of scheduled jobs. With no display such a
// run works offscreen, and its messages go to standard error, since nobody
// would see a box there, nor close it.
#include <QCoreApplication>
#include <QThread>
#include <iostream>
#include <string>

#include "backup/recuperacion.h"
#include "backup/snapmake.h"
#include "common/arranque.h"
#include "common/lanzamiento.h"
#include "platform/drive/drive.h"
#include "platform/forms/application.h"
#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"
#include "platform/forms/stream_dialogs.h"
#include "platform/process/process.h"

int main(int argc, char** argv) {
  using namespace orvo;
  const auto carpeta = drive::ProgramFolder();
  // Stopped from outside, the program tells its caller as on every other way out.
  common::FallaAnteSenales(carpeta, common::Resultado::Vacio);
  if (argc > 1) forms::Application::OffscreenWithoutDisplay();
  forms::Application app(argc, argv);
  process::SetCommandLine(argc, argv);
  const bool desatendido = !process::CommandLine().empty();
  forms::QtDialogs cajas;
  forms::StreamDialogs avisos(std::cerr, "Snapmake");
  forms::Dialogs& dialogs =
      desatendido && forms::Application::Unseen() ? static_cast<forms::Dialogs&>(avisos) : cajas;
  // Whatever ends the program with a failure, a caller waiting for its
  // result file is told; a result written before stays, as its caller may
  // have answered it already.
  forms::Runtime runtime(dialogs, "Snapmake", [carpeta](int status) {
    if (status != 0 && !common::ResultadoEscrito()) respaldo::ResultadoVacio(carpeta);
    // Without an event loop main returns by itself: the connection then
    // closes, and no write-ahead log is left beside the database.
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(status);
  });

  // modSnapmake: the shared connection and no recordset.
  common::Bases bases;
  runtime.Guard([&] {
    try {
      // Before the connection opens: an interrupted restore may have to move
      // the database back, and a backup must not take a half-swapped folder.
      for (const std::string& aviso : respaldo::RecuperaInterrumpidos()) {
        // An unattended run has a caller waiting on it, and no one to click.
        if (desatendido) {
          std::cerr << "Snapmake: " << aviso << std::endl;
        } else {
          dialogs.MsgBox(aviso, forms::Buttons::Ok, forms::Icon::Information, runtime.Title());
        }
      }
      common::Inicia(bases, {.pruebaArchivo = false, .recordsets = 0}, dialogs);
    } catch (...) {
      respaldo::ResultadoVacio(carpeta);
      throw;
    }
  });
  if (runtime.Ended()) return runtime.Status();

  respaldo::Snapmake snapmake(bases, dialogs, runtime, carpeta);
  cajas.SetParent(&snapmake);
  if (desatendido) {
    snapmake.Desatendido();
    return runtime.Status();
  }
  if (!snapmake.Open()) return runtime.Status();
  return app.exec();
}
