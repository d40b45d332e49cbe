#include "import/archivo_poleo.h"

#include "common/fecha_hora.h"
#include "import/texto_externo.h"

namespace orvo::importer {

namespace {

constexpr std::size_t kAnchoFecha = 10;
constexpr std::size_t kAnchoHora = 8;

}  // namespace

Lectura LeePoleo(std::string_view contenido) {
  Lectura lectura;
  const std::vector<Linea> lineas = Lineas(contenido);
  lectura.checadas.reserve(lineas.size());
  for (const Linea& l : lineas) {
    if (EsLineaVacia(l.bytes)) continue;
    const std::size_t coma1 = l.bytes.find(',');
    const std::size_t coma2 = coma1 == std::string_view::npos ? coma1 : l.bytes.find(',', coma1 + 1);
    if (coma2 == std::string_view::npos) {
      return Falla(l, Motivo::FaltanComas);
    }
    // A date shorter than its width would take in the comma and the number.
    if (coma1 < kAnchoFecha || EsLineaVacia(l.bytes.substr(coma2 + 1, kAnchoHora))) {
      return Falla(l, Motivo::CampoIncompleto);
    }
    const auto empleado = LeeEmpleado(l.bytes.substr(coma1 + 1, coma2 - coma1 - 1));
    if (!empleado) {
      return Falla(l, Motivo::EmpleadoNoValido);
    }
    if (!AgregaChecada(lectura, l, *empleado, l.bytes.substr(0, kAnchoFecha), l.bytes.substr(coma2 + 1, kAnchoHora))) return lectura;
  }
  return lectura;
}

}  // namespace orvo::importer
