#include "ftp/poleo_internet.h"

#include "platform/text/blanks.h"

namespace orvo::ftp {

namespace {

constexpr std::size_t kAnchoHora = 10;  // Checadas.Hora and Listado1.Hora are Text(10)

}  // namespace

common::Lectura LeePoleoInternet(std::string_view contenido) {
  using common::Motivo;
  return common::LeeLineas(contenido, [](common::Lectura& lectura, const common::Linea& l) {
    const auto campos = common::LeeLineaPoleo(lectura, l);
    if (!campos) return false;
    const auto fecha = common::DecodificaCampo(lectura, l, campos->fecha);
    if (!fecha) return false;
    const auto hora = common::DecodificaCampo(lectura, l, campos->resto);
    if (!hora) return false;
    // Blanks, and what is left of a line end written twice ("\r\r\n").
    std::string f(text::TrimBlanks(*fecha));
    std::string h(text::TrimBlanks(*hora));
    if (f.empty() || h.empty()) {
      lectura = common::Falla(l, Motivo::CampoIncompleto);
      return false;
    }
    if (common::CuentaCaracteres(h, common::Codificacion::Utf8) > kAnchoHora) {
      lectura = common::Falla(l, Motivo::HoraMuyLarga);
      return false;
    }
    lectura.checadas.push_back({l.numero, std::move(f), campos->empleado, std::move(h)});
    return true;
  });
}

}  // namespace orvo::ftp
