#include "ftp/poleo_internet.h"

namespace orvo::ftp {

namespace {

constexpr std::size_t kAnchoHora = 10;  // Checadas.Hora and Listado1.Hora are Text(10)

// Blanks, and what is left of a line end written twice ("\r\r\n").
std::string Recorta(const std::string& texto) {
  constexpr const char* kBlancos = " \t\r";
  const auto b = texto.find_first_not_of(kBlancos);
  if (b == std::string::npos) return {};
  return texto.substr(b, texto.find_last_not_of(kBlancos) - b + 1);
}

std::size_t Caracteres(const std::string& utf8) {
  std::size_t n = 0;
  for (char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

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
    std::string f = Recorta(*fecha);
    std::string h = Recorta(*hora);
    if (f.empty() || h.empty()) return common::Falla(l, Motivo::CampoIncompleto);
    if (Caracteres(h) > kAnchoHora) return common::Falla(l, Motivo::HoraMuyLarga);
    lectura.checadas.push_back({l.numero, std::move(f), campos->empleado, std::move(h)});
  }
  return lectura;
}

}  // namespace orvo::ftp
