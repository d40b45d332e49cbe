#include "import/archivo_poleo.h"

#include "common/fecha_hora.h"
#include "import/texto_externo.h"

namespace orvo::importer {

namespace {

constexpr std::size_t kAnchoFecha = 10;
constexpr std::size_t kAnchoHora = 8;

ErrorLinea Falla(const Linea& l, Motivo motivo) {
  return {l.numero, Windows1252Legible(l.bytes), motivo};
}

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
      lectura = {{}, Falla(l, Motivo::FaltanComas)};
      return lectura;
    }
    // A date shorter than its width would take in the comma and the number.
    if (coma1 < kAnchoFecha || EsLineaVacia(l.bytes.substr(coma2 + 1, kAnchoHora))) {
      lectura = {{}, Falla(l, Motivo::CampoIncompleto)};
      return lectura;
    }
    const auto empleado = LeeEmpleado(l.bytes.substr(coma1 + 1, coma2 - coma1 - 1));
    if (!empleado) {
      lectura = {{}, Falla(l, Motivo::EmpleadoNoValido)};
      return lectura;
    }
    const auto fecha = DesdeWindows1252(l.bytes.substr(0, kAnchoFecha));
    const auto hora = DesdeWindows1252(l.bytes.substr(coma2 + 1, kAnchoHora));
    if (!fecha || !hora) {
      lectura = {{}, Falla(l, Motivo::CaracterNoValido)};
      return lectura;
    }
    lectura.checadas.push_back({l.numero, common::TextoFecha(*fecha), *empleado, common::TextoHora(*hora)});
  }
  return lectura;
}

}  // namespace orvo::importer
