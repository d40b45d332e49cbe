#include "maintenance/texto.h"

#include <charconv>

namespace orvo::maintenance {

std::string RecortaEspacios(std::string_view texto) {
  const auto inicio = texto.find_first_not_of(' ');
  if (inicio == std::string_view::npos) return {};
  const auto fin = texto.find_last_not_of(' ');
  return std::string(texto.substr(inicio, fin - inicio + 1));
}

std::optional<std::int64_t> EnteroSinBlancos(std::string_view texto) {
  std::int64_t n = 0;
  const char* fin = texto.data() + texto.size();
  const auto [p, ec] = std::from_chars(texto.data(), fin, n);
  if (texto.empty() || ec != std::errc() || p != fin) return std::nullopt;
  return n;
}

}  // namespace orvo::maintenance
