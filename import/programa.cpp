#include "import/programa.h"

#include <memory>

namespace orvo::importer {

const char* NombrePrograma(Variante variante) {
  return variante == Variante::Usb ? "stickimport" : "pollimport";
}

bool Arranca(common::Bases& bases, forms::Dialogs& dialogs) { return common::Inicia(bases, kArranque, dialogs); }

common::Programa Importador(Variante variante) {
  return {.nombre = NombrePrograma(variante), .arranque = kArranque, .ventana = [variante](common::Entorno& e) {
            return std::make_unique<Principal>(e.bases, e.dialogs, e.runtime, variante);
          }};
}

}  // namespace orvo::importer
