#include "ftp/listado_ftp.h"

#include "common/texto_externo.h"

namespace orvo::ftp {

std::vector<std::string> PartirListado(std::string_view listado) {
  std::vector<std::string> nombres;
  for (const common::Linea& l : common::Lineas(listado))
    if (!l.bytes.empty()) nombres.emplace_back(l.bytes);
  return nombres;
}

std::string NombreMostrado(std::string_view nombre) {
  if (auto utf8 = common::Decodifica(nombre, common::Codificacion::Utf8)) return *std::move(utf8);
  return common::Legible(nombre, common::Codificacion::Windows1252);
}

bool NombreRemotoValido(std::string_view nombre) {
  if (nombre.empty() || nombre == "." || nombre == "..") return false;
  for (char c : nombre) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || c == '/' || c == '\\') return false;
  }
  // The C1 controls (U+0080 to U+009F) are control characters too.
  const std::string mostrado = NombreMostrado(nombre);
  for (std::size_t i = 0; i + 1 < mostrado.size(); ++i) {
    const auto b = static_cast<unsigned char>(mostrado[i + 1]);
    if (static_cast<unsigned char>(mostrado[i]) == 0xC2 && b >= 0x80 && b <= 0x9F) return false;
  }
  return true;
}

}  // namespace orvo::ftp
