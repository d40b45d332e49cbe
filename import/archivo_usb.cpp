#include "import/archivo_usb.h"

#include "common/fecha_hora.h"
#include "import/texto_externo.h"

namespace orvo::importer {

namespace {

// 0-based starts and widths of the columns 1-9, 11-20 and 22-29.
constexpr std::size_t kEmpleado = 0, kAnchoEmpleado = 9;
constexpr std::size_t kFecha = 10, kAnchoFecha = 10;
constexpr std::size_t kHora = 21, kAnchoHora = 8;

std::string_view Columnas(std::string_view bytes, std::size_t desde, std::size_t ancho) {
  return desde < bytes.size() ? bytes.substr(desde, ancho) : std::string_view();
}

}  // namespace

Lectura LeeUsb(std::string_view contenido) {
  Lectura lectura;
  const std::vector<Linea> lineas = Lineas(contenido);
  lectura.checadas.reserve(lineas.size());
  for (const Linea& l : lineas) {
    if (EsLineaVacia(l.bytes)) continue;
    const auto empleado = LeeEmpleado(Columnas(l.bytes, kEmpleado, kAnchoEmpleado));
    if (!empleado) {
      return Falla(l, Motivo::EmpleadoNoValido);
    }
    const std::string_view horaBytes = Columnas(l.bytes, kHora, kAnchoHora);
    if (l.bytes.size() < kFecha + kAnchoFecha || EsLineaVacia(horaBytes)) {
      return Falla(l, Motivo::CampoIncompleto);
    }
    if (!AgregaChecada(lectura, l, *empleado, Columnas(l.bytes, kFecha, kAnchoFecha), horaBytes)) return lectura;
  }
  return lectura;
}

}  // namespace orvo::importer
