#include "common/checada.h"

#include <charconv>
#include <limits>

namespace orvo::common {

std::string_view TextoMotivo(Motivo motivo) {
  switch (motivo) {
    case Motivo::FaltanComas: return "faltan comas entre fecha, empleado y hora";
    case Motivo::EmpleadoNoValido: return "el número de empleado no es un número entero válido";
    case Motivo::CampoIncompleto: return "la línea termina antes de completar la fecha o la hora";
    case Motivo::CaracterNoValido: return "la línea contiene un carácter no válido";
    case Motivo::HoraMuyLarga: return "la hora tiene más de 10 caracteres";
    case Motivo::FinDeArchivo: return "hay un fin de archivo (Ctrl-Z) antes del final del archivo";
  }
  return {};
}

std::string TextoError(const ErrorLinea& error) {
  std::string texto(TextoMotivo(error.motivo));
  if (!error.caracter.empty()) texto += " (" + error.caracter + ")";
  return texto;
}

std::string LineaCitada(const ErrorLinea& error) {
  constexpr std::size_t kMaximo = 200;
  const std::string& texto = error.texto;
  if (texto.size() <= kMaximo) return texto;
  std::size_t corte = kMaximo;
  while (corte > 0 && (static_cast<unsigned char>(texto[corte]) & 0xC0) == 0x80) --corte;
  return texto.substr(0, corte) + "…";
}

std::optional<std::int32_t> LeeEmpleado(std::string_view texto) {
  texto = SinBlancos(texto);
  if (texto.empty()) return std::nullopt;
  bool negativo = false;
  if (texto.front() == '+' || texto.front() == '-') {
    negativo = texto.front() == '-';
    texto.remove_prefix(1);
  }
  if (texto.empty()) return std::nullopt;
  for (char c : texto)
    if (c < '0' || c > '9') return std::nullopt;
  // Read with the sign's room, so -2147483648 fits and 2147483648 does not.
  std::int64_t valor = 0;
  const auto [fin, ec] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
  if (ec != std::errc() || fin != texto.data() + texto.size()) return std::nullopt;
  if (negativo) valor = -valor;
  if (valor < std::numeric_limits<std::int32_t>::min() || valor > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(valor);
}

Lectura Falla(const Linea& l, Motivo motivo) {
  std::string texto = Legible(l.bytes, l.codificacion);
  // A Ctrl-Z is invisible in a message box: its symbol stands for it.
  for (std::size_t i = texto.find(kFinDeArchivo); i != std::string::npos; i = texto.find(kFinDeArchivo, i))
    texto.replace(i, 1, "\xE2\x90\x9A");
  return {{}, ErrorLinea{l.numero, std::move(texto), motivo, {}}};
}

std::optional<std::string> DecodificaCampo(Lectura& lectura, const Linea& l, std::string_view bytes) {
  auto texto = Decodifica(l, bytes);
  if (!texto) {
    lectura = Falla(l, Motivo::CaracterNoValido);
    lectura.error->caracter = CaracterRechazado(bytes, l.codificacion).value_or("");
  }
  return texto;
}

std::optional<LineaPoleo> LeeLineaPoleo(Lectura& lectura, const Linea& l) {
  const std::size_t coma1 = l.bytes.find(',');
  const std::size_t coma2 = coma1 == std::string_view::npos ? coma1 : l.bytes.find(',', coma1 + 1);
  if (coma2 == std::string_view::npos) {
    lectura = Falla(l, Motivo::FaltanComas);
    return std::nullopt;
  }
  // A date shorter than its width would take in the comma and the number.
  const std::string_view fecha = CortaCaracteres(l, 0, kAnchoFechaPoleo);
  if (fecha.find(',') != std::string_view::npos) {
    lectura = Falla(l, Motivo::CampoIncompleto);
    return std::nullopt;
  }
  const auto empleado = LeeEmpleado(l.bytes.substr(coma1 + 1, coma2 - coma1 - 1));
  if (!empleado) {
    lectura = Falla(l, Motivo::EmpleadoNoValido);
    return std::nullopt;
  }
  return LineaPoleo{fecha, *empleado, l.bytes.substr(coma2 + 1)};
}

}  // namespace orvo::common
