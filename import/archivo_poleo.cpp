#include "import/archivo_poleo.h"

#include "import/agrega_checada.h"

namespace orvo::importer {

namespace {

constexpr std::size_t kAnchoHora = 8;

}  // namespace

common::Lectura LeePoleo(std::string_view contenido) {
  return common::LeeLineas(contenido, [](common::Lectura& lectura, const common::Linea& l) {
    const auto campos = common::LeeLineaPoleo(lectura, l);
    if (!campos) return false;
    const std::string_view hora = common::CortaCaracteres(campos->resto, l.codificacion, 0, kAnchoHora);
    if (common::EsLineaVacia(hora)) {
      lectura = common::Falla(l, common::Motivo::CampoIncompleto);
      return false;
    }
    return AgregaChecada(lectura, l, campos->empleado, campos->fecha, hora);
  });
}

}  // namespace orvo::importer
