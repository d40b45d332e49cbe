#include "import/archivo_poleo.h"

namespace orvo::importer {

namespace {

constexpr std::size_t kAnchoHora = 8;

}  // namespace

Lectura LeePoleo(std::string_view contenido) {
  Lectura lectura;
  const std::vector<Linea> lineas = common::Lineas(contenido);
  lectura.checadas.reserve(lineas.size());
  for (const Linea& l : lineas) {
    if (common::EsLineaVacia(l.bytes)) continue;
    const auto campos = common::LeeLineaPoleo(lectura, l);
    if (!campos) return lectura;
    const std::string_view hora = common::CortaCaracteres(campos->resto, l.codificacion, 0, kAnchoHora);
    if (common::EsLineaVacia(hora)) return common::Falla(l, Motivo::CampoIncompleto);
    if (!AgregaChecada(lectura, l, campos->empleado, campos->fecha, hora)) return lectura;
  }
  return lectura;
}

}  // namespace orvo::importer
