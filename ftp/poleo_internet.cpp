#include "ftp/poleo_internet.h"

#include <array>

#include "platform/text/blanks.h"

namespace orvo::ftp {

namespace {

constexpr std::size_t kAnchoHora = 10;  // Checadas.Hora and Listado1.Hora are Text(10)

}  // namespace

common::Lectura LeePoleoInternet(std::string_view contenido) {
  using common::Motivo;
  common::Lectura lectura;
  const std::vector<common::Linea> lineas = common::Lineas(contenido);
  lectura.checadas.reserve(lineas.size());
  for (const common::Linea& l : lineas) {
    if (common::EsLineaVacia(l.bytes)) continue;
    const auto campos = common::LeeLineaPoleo(lectura, l);
    if (!campos) return lectura;
    const auto fecha = common::DecodificaCampo(lectura, l, campos->fecha);
    if (!fecha) return lectura;
    const auto hora = common::DecodificaCampo(lectura, l, campos->resto);
    if (!hora) return lectura;
    // Blanks, and what is left of a line end written twice ("\r\r\n").
    std::string f(text::TrimBlanks(*fecha));
    std::string h(text::TrimBlanks(*hora));
    if (f.empty() || h.empty()) return common::Falla(l, Motivo::CampoIncompleto);
    if (common::CuentaCaracteres(h, common::Codificacion::Utf8) > kAnchoHora)
      return common::Falla(l, Motivo::HoraMuyLarga);
    lectura.checadas.push_back({l.numero, std::move(f), campos->empleado, std::move(h)});
  }
  return lectura;
}

}  // namespace orvo::ftp
