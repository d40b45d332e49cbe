#include "import/archivo_poleo.h"

#include "import/agrega_checada.h"

namespace orvo::importer {

namespace {

constexpr std::size_t kAnchoHora = 8;

}  // namespace

common::Lectura LeePoleo(std::string_view contenido) {
  common::Lectura lectura;
  const std::vector<common::Linea> lineas = common::Lineas(contenido);
  lectura.checadas.reserve(lineas.size());
  for (const common::Linea& l : lineas) {
    if (common::EsLineaVacia(l.bytes)) continue;
    const auto campos = common::LeeLineaPoleo(lectura, l);
    if (!campos) return lectura;
    const std::string_view hora = common::CortaCaracteres(campos->resto, l.codificacion, 0, kAnchoHora);
    if (common::EsLineaVacia(hora)) return common::Falla(l, common::Motivo::CampoIncompleto);
    if (!AgregaChecada(lectura, l, campos->empleado, campos->fecha, hora)) return lectura;
  }
  return lectura;
}

}  // namespace orvo::importer
