#include "maintenance/programa.h"

#include <utility>

namespace orvo::maintenance {

common::Arranque ArranqueDe(int recordsets) {
  return {.pruebaArchivo = false, .recordsets = recordsets, .bloqueo = db::LockType::ReadOnly};
}

void Arranca(common::Bases& bases, int recordsets, forms::Dialogs& dialogs) {
  common::Inicia(bases, ArranqueDe(recordsets), dialogs);
}

common::Programa Herramienta(const char* nombre, int recordsets,
                             std::function<std::unique_ptr<forms::Form>(common::Entorno&)> ventana) {
  return {.nombre = nombre, .arranque = ArranqueDe(recordsets), .ventana = std::move(ventana)};
}

}  // namespace orvo::maintenance
