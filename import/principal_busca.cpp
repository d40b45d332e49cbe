// Principal's entry into the classification engine.
#include "classify/clasificador.h"
#include "import/principal.h"

namespace orvo::importer {

classify::Resultado Principal::Busca_Empleado() { return classify::Busca_Empleado(bases_, EnrollName, Fecha, Hora); }

}  // namespace orvo::importer
