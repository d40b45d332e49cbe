#include "import/programa.h"

#include "platform/forms/application.h"

#include "platform/forms/qt_dialogs.h"
#include "platform/forms/runtime.h"

namespace orvo::importer {

const char* NombrePrograma(Variante variante) {
  return variante == Variante::Usb ? "stickimport" : "pollimport";
}

bool Arranca(common::Bases& bases, forms::Dialogs& dialogs) {
  return common::Inicia(bases, {.pruebaArchivo = true, .recordsets = 8, .bloqueo = db::LockType::ReadOnly}, dialogs);
}

int Programa(int argc, char** argv, Variante variante) {
  forms::Application app(argc, argv);
  forms::QtDialogs dialogs;
  forms::Runtime runtime(dialogs, NombrePrograma(variante));
  common::Bases bases;
  bool conectado = false;
  runtime.Guard([&] { conectado = Arranca(bases, dialogs); });
  if (runtime.Ended()) return runtime.Status();
  if (!conectado) return 0;

  Principal principal(bases, dialogs, runtime, variante);
  dialogs.SetParent(&principal);
  if (!principal.Open()) return runtime.Status();
  return app.exec();
}

}  // namespace orvo::importer
