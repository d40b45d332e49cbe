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
  return common::LeeLineas(contenido, [](common::Lectura& lectura, const common::Linea& l) {
    const auto empleado = common::LeeEmpleado(common::CortaCaracteres(l, kEmpleado, kAnchoEmpleado));
    if (!empleado) {
      lectura = common::Falla(l, common::Motivo::EmpleadoNoValido);
      return false;
    }
    const std::string_view fecha = common::CortaCaracteres(l, kFecha, kAnchoFecha);
    const std::string_view hora = common::CortaCaracteres(l, kHora, kAnchoHora);
    if (common::CortaCaracteres(l, kFecha + kAnchoFecha - 1, 1).empty() || common::EsLineaVacia(hora)) {
      lectura = common::Falla(l, common::Motivo::CampoIncompleto);
      return false;
    }
    return AgregaChecada(lectura, l, *empleado, fecha, hora);
  });
}

}  // namespace orvo::importer
