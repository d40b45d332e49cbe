#include "import/agrega_checada.h"

#include "common/fecha_hora.h"

namespace orvo::importer {

bool AgregaChecada(common::Lectura& lectura, const common::Linea& l, std::int32_t empleado, std::string_view fecha,
                   std::string_view hora) {
  const auto f = common::DecodificaCampo(lectura, l, fecha);
  if (!f) return false;
  const auto h = common::DecodificaCampo(lectura, l, hora);
  if (!h) return false;
  lectura.checadas.push_back({l.numero, common::TextoFecha(*f), empleado, common::TextoHora(*h)});
  return true;
}

}  // namespace orvo::importer
