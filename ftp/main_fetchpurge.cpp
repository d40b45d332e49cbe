// Fetchpurge: downloads a punch file from the FTP server and loads it.
#include "platform/forms/application.h"

#include "common/arranque.h"
#include "ftp/fetchpurge.h"
#include "ftp/marcador_conexion.h"
#include "platform/drive/drive.h"
#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"

int main(int argc, char** argv) {
  orvo::forms::Application app(argc, argv);
  orvo::forms::QtDialogs dialogs;
  orvo::ftp::MarcadorConexion marcador(orvo::drive::ProgramFolder());
  // However the program ends, the connection marker goes with it.
  orvo::forms::Runtime runtime(dialogs, "Fetchpurge", [&marcador](int status) {
    marcador.Borra();
    orvo::forms::Runtime::DefaultEnd(status);
  });
  orvo::common::Bases bases;
  runtime.Guard([&] { orvo::common::Inicia(bases, {.pruebaArchivo = false, .recordsets = 0}, dialogs); });
  if (runtime.Ended()) return runtime.Status();

  orvo::ftp::Fetchpurge fetchpurge(bases, dialogs, runtime, marcador);
  dialogs.SetParent(&fetchpurge);
  if (!fetchpurge.Open()) return runtime.Status();
  return app.exec();
}
