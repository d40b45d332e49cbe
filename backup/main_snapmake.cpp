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
#include "common/lanzamiento.h"
#include "common/programa.h"
#include "platform/drive/drive.h"
#include "platform/forms/application.h"

int main(int argc, char** argv) {
  using namespace orvo;
  const auto carpeta = drive::ProgramFolder();
  // Started by Snapload, it answers Snapload alone and does not outlive it.
  const bool esperado = common::AtiendeAQuienEspera();
  // Stopped from outside, the program tells its caller as on every other way out.
  common::FallaAnteSenales(carpeta, common::Resultado::Vacio);
  if (!esperado) {
    std::cerr << "Snapmake: el programa que lo inició ya terminó; no se hizo el respaldo." << std::endl;
    backup::ResultadoVacio(carpeta);
    return 1;
  }
  if (argc > 1) forms::Application::OffscreenWithoutDisplay();
  return common::Ejecuta(
      argc, argv,
      {.nombre = "Snapmake",
       // modSnapmake: the shared connection and no recordset.
       .arranque = common::Arranque{.pruebaArchivo = false, .recordsets = 0},
       .ventana = [&carpeta](common::Entorno& e) {
         return std::make_unique<backup::Snapmake>(e.bases, e.dialogs, e.runtime, carpeta);
       },
       // Whatever ends the program with a failure, a caller waiting for its
       // result file is told; a result written before stays, as its caller may
       // have answered it already.
       .fin = [&carpeta](int status) {
         if (status != 0 && !common::ResultadoEscrito()) backup::ResultadoVacio(carpeta);
         // Without an event loop main returns by itself: the connection then
         // closes, and no write-ahead log is left beside the database.
         if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(status);
       },
       // Before the connection opens: an interrupted restore may have to move
       // the database back, and a backup must not take a half-swapped folder.
       .previo = [](common::Entorno& e) {
         for (const std::string& aviso : backup::RecuperaInterrumpidos()) {
           // An unattended run has a caller waiting on it, and no one to click.
           if (e.desatendido) {
             std::cerr << "Snapmake: " << aviso << std::endl;
           } else {
             e.dialogs.MsgBox(aviso, forms::Buttons::Ok, forms::Icon::Information, e.runtime.Title());
           }
         }
       },
       .alFallarArranque = [&carpeta] { backup::ResultadoVacio(carpeta); },
       .avisosSinPantalla = true,
       .desatendida = [](forms::Form& ventana) { static_cast<backup::Snapmake&>(ventana).Desatendido(); }});
}
