// Principal's entry into the classification engine, built where the engine is.
#include "classify/clasificador.h"
#include "import/principal.h"
#include "platform/error.h"

namespace orvo::importer {

void Principal::Busca_Empleado() {
  try {
    classify::Busca_Empleado(bases_, EnrollName, Fecha, Hora);
  } catch (const RuntimeError&) {
    // The engine has rolled its rows back; the punch is simply not classified.
  }
}

}  // namespace orvo::importer
