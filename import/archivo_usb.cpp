#include "import/archivo_usb.h"

#include "import/agrega_checada.h"

namespace orvo::importer {

namespace {

// 0-based starts and widths of the columns 1-9, 11-20 and 22-29.
constexpr std::size_t kEmpleado = 0, kAnchoEmpleado = 9;
constexpr std::size_t kFecha = 10, kAnchoFecha = 10;
constexpr std::size_t kHora = 21, kAnchoHora = 8;

}  // namespace

common::Lectura LeeUsb(std::string_view contenido) {
  common::Lectura lectura;
  const std::vector<common::Linea> lineas = common::Lineas(contenido);
  lectura.checadas.reserve(lineas.size());
  for (const common::Linea& l : lineas) {
    if (common::EsLineaVacia(l.bytes)) continue;
    const auto empleado = common::LeeEmpleado(common::CortaCaracteres(l, kEmpleado, kAnchoEmpleado));
    if (!empleado) return common::Falla(l, common::Motivo::EmpleadoNoValido);
    const std::string_view fecha = common::CortaCaracteres(l, kFecha, kAnchoFecha);
    const std::string_view hora = common::CortaCaracteres(l, kHora, kAnchoHora);
    if (common::CortaCaracteres(l, kFecha + kAnchoFecha - 1, 1).empty() || common::EsLineaVacia(hora)) {
      return common::Falla(l, common::Motivo::CampoIncompleto);
    }
    if (!AgregaChecada(lectura, l, *empleado, fecha, hora)) return lectura;
  }
  return lectura;
}

}  // namespace orvo::importer
