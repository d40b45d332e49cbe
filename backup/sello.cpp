#include "backup/sello.h"

#include <array>
#include <cctype>

#include "platform/error.h"
#include "platform/text/nocase.h"

namespace orvo::respaldo {

std::string Sello(std::time_t momento) {
  std::tm local{};
  if (::localtime_r(&momento, &local) == nullptr) throw RuntimeError(5, "Fecha y hora del sistema no válidas");
  std::array<char, 32> texto{};
  const std::size_t n = std::strftime(texto.data(), texto.size(), "%d%m%y_%H%M%S.ZIP", &local);
  return std::string(texto.data(), n);
}

bool EsSello(std::string_view sello) {
  if (sello.size() != kLargoSello) return false;
  for (std::size_t i = 0; i < 13; ++i) {
    const bool digito = std::isdigit(static_cast<unsigned char>(sello[i])) != 0;
    if (i == 6 ? sello[i] != '_' : !digito) return false;
  }
  return text::EqualsNoCase(sello.substr(13), ".ZIP");
}

std::string NombreArchivo(std::string_view prefijo, std::string_view sello) {
  return std::string(prefijo) + std::string(sello);
}

bool EsArchivoPrincipal(std::string_view nombre) {
  return nombre.size() == 4 + kLargoSello && text::EqualsNoCase(nombre.substr(0, 4), "QR1_") &&
         EsSello(nombre.substr(4));
}

std::string_view SelloDe(std::string_view nombre) {
  return nombre.size() <= kLargoSello ? nombre : nombre.substr(nombre.size() - kLargoSello);
}

}  // namespace orvo::respaldo
