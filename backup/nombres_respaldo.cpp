#include "backup/nombres_respaldo.h"

#include <algorithm>
#include <cctype>

#include "platform/error.h"
#include "platform/text/nocase.h"

namespace orvo::backup {

namespace {

constexpr std::string_view kPrefijoEscenaRespaldo = "~respaldo_";
constexpr std::string_view kPrefijoEscenaRestauracion = "~restaura_";
constexpr std::size_t kLetrasEscenaRestauracion = 6;
constexpr std::string_view kExtension = ".ZIP";
constexpr std::size_t kLargoSinExtension = kLargoSello - kExtension.size();

std::string_view SinGuion(std::string_view prefijo) { return prefijo.substr(0, prefijo.size() - 1); }

}  // namespace

std::string Sello(std::time_t momento) {
  std::tm local{};
  if (::localtime_r(&momento, &local) == nullptr) throw RuntimeError(5, "Fecha y hora del sistema no válidas");
  std::array<char, 32> texto{};
  const std::size_t n = std::strftime(texto.data(), texto.size(), "%d%m%y_%H%M%S.ZIP", &local);
  return std::string(texto.data(), n);
}

bool EsSello(std::string_view sello) {
  if (sello.size() != kLargoSello) return false;
  for (std::size_t i = 0; i < kLargoSinExtension; ++i) {
    const bool digito = std::isdigit(static_cast<unsigned char>(sello[i])) != 0;
    if (i == 6 ? sello[i] != '_' : !digito) return false;
  }
  return text::EqualsNoCase(sello.substr(kLargoSinExtension), kExtension);
}

std::string NombreArchivo(const Componente& componente, std::string_view sello) {
  return std::string(componente.prefijo) + std::string(sello);
}

bool EsArchivoPrincipal(std::string_view nombre) {
  const std::optional<Nombre> leido = LeeNombre(nombre);
  return leido && leido->componente == &kPrincipal;
}

RuntimeError NombreNoValido(std::string_view nombre) {
  return RuntimeError(52, "Nombre de respaldo no válido: \"" + std::string(nombre) + "\"");
}

std::string PatronListado() { return std::string(SinGuion(kPrincipal.prefijo)) + "*"; }

std::string NombreEscenaRespaldo(std::string_view sello) {
  return std::string(kPrefijoEscenaRespaldo) + std::string(sello.substr(0, kLargoSinExtension));
}

std::string PlantillaEscenaRestauracion() {
  return std::string(kPrefijoEscenaRestauracion) + std::string(kLetrasEscenaRestauracion, 'X');
}

std::string CarpetaEnEscena(const Componente& componente) { return std::string(SinGuion(componente.prefijo)); }

std::optional<Nombre> LeeNombre(std::string_view nombre) {
  for (const Componente& c : kComponentes) {
    const std::size_t largo = c.prefijo.size();
    if (nombre.size() == largo + kLargoSello && text::EqualsNoCase(nombre.substr(0, largo), c.prefijo) &&
        EsSello(nombre.substr(largo))) {
      return Nombre{Clase::Archivo, &c, std::string(nombre.substr(largo))};
    }
  }
  if (nombre.starts_with(kPrefijoEscenaRespaldo)) {
    const std::string sello = std::string(nombre.substr(kPrefijoEscenaRespaldo.size())) + std::string(kExtension);
    if (EsSello(sello)) return Nombre{Clase::EscenaRespaldo, nullptr, sello};
  }
  if (nombre.starts_with(kPrefijoEscenaRestauracion)) {
    const std::string_view letras = nombre.substr(kPrefijoEscenaRestauracion.size());
    if (letras.size() == kLetrasEscenaRestauracion &&
        std::all_of(letras.begin(), letras.end(), [](unsigned char c) { return std::isalnum(c) != 0; })) {
      return Nombre{Clase::EscenaRestauracion, nullptr, {}};
    }
  }
  return std::nullopt;
}

}  // namespace orvo::backup
