#include "common/programa.h"

#include <iostream>

#include "platform/forms/application.h"
#include "platform/forms/qt_dialogs.h"
#include "platform/forms/qt_notes.h"
#include "platform/forms/stream_dialogs.h"
#include "platform/process/process.h"

namespace orvo::common {

std::unique_ptr<forms::Form> Comienza(const Programa& programa, Entorno& entorno) {
  bool conectado = true;
  entorno.runtime.Guard([&] {
    try {
      if (programa.previo) programa.previo(entorno);
      if (programa.arranque) conectado = Inicia(entorno.bases, *programa.arranque, entorno.dialogs);
    } catch (...) {
      if (programa.alFallarArranque) programa.alFallarArranque();
      throw;
    }
  });
  if (entorno.runtime.Ended() || !conectado) return nullptr;
  return programa.ventana(entorno);
}

int Ejecuta(int argc, char** argv, const Programa& programa) {
  // A scheduled run mails its standard error: only the program's own Spanish
  // messages belong there, and Qt speaks while the application is made.
  forms::SilenceQtNotes();
  forms::Application app(argc, argv);
  process::SetCommandLine(argc, argv);
  const bool desatendido = !process::CommandLine().empty();
  forms::QtDialogs cajas;
  forms::StreamDialogs avisos(std::cerr, programa.nombre);
  forms::Dialogs& dialogs = programa.avisosSinPantalla && desatendido && forms::Application::Unseen()
                                ? static_cast<forms::Dialogs&>(avisos)
                                : cajas;
  forms::Runtime runtime(dialogs, programa.nombre, programa.fin);
  Bases bases;
  Entorno entorno{bases, dialogs, runtime, desatendido};

  const std::unique_ptr<forms::Form> ventana = Comienza(programa, entorno);
  if (!ventana) return runtime.Status();
  cajas.SetParent(ventana.get());
  if (desatendido && programa.desatendida) {
    programa.desatendida(*ventana);
    return runtime.Status();
  }
  if (!ventana->Open()) return runtime.Status();
  return app.exec();
}

}  // namespace orvo::common
