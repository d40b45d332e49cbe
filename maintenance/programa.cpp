#include "maintenance/programa.h"

#include "platform/forms/application.h"

#include "platform/forms/qt_dialogs.h"

namespace orvo::maintenance {

void Arranca(common::Bases& bases, int recordsets, forms::Dialogs& dialogs) {
  common::Inicia(bases, {.pruebaArchivo = false, .recordsets = recordsets, .bloqueo = db::LockType::ReadOnly},
                 dialogs);
}

int Programa(int argc, char** argv, const char* nombre, int recordsets, const HazVentana& ventana) {
  orvo::forms::Application app(argc, argv);
  forms::QtDialogs dialogs;
  forms::Runtime runtime(dialogs, nombre);
  common::Bases bases;
  runtime.Guard([&] { Arranca(bases, recordsets, dialogs); });
  if (runtime.Ended()) return runtime.Status();

  const std::unique_ptr<forms::Form> w = ventana(bases, dialogs, runtime);
  dialogs.SetParent(w.get());
  if (!w->Open()) return runtime.Status();
  return app.exec();
}

}  // namespace orvo::maintenance
