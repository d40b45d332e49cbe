#include "import/checada.h"

#include <charconv>
#include <limits>

#include "common/fecha_hora.h"
#include "import/texto_externo.h"

namespace orvo::importer {

std::string_view TextoMotivo(Motivo motivo) {
  switch (motivo) {
    case Motivo::FaltanComas: return "faltan comas entre fecha, empleado y hora";
    case Motivo::EmpleadoNoValido: return "el número de empleado no es un número entero válido";
    case Motivo::CampoIncompleto: return "la línea termina antes de completar la fecha o la hora";
    case Motivo::CaracterNoValido: return "la línea contiene un carácter no válido";
  }
  return {};
}

std::optional<std::int32_t> LeeEmpleado(std::string_view texto) {
  const auto b = texto.find_first_not_of(" \t");
  if (b == std::string_view::npos) return std::nullopt;
  texto = texto.substr(b, texto.find_last_not_of(" \t") - b + 1);
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

Lectura Falla(const Linea& l, Motivo motivo) { return {{}, ErrorLinea{l.numero, Windows1252Legible(l.bytes), motivo}}; }

bool AgregaChecada(Lectura& lectura, const Linea& l, std::int32_t empleado, std::string_view fecha,
                   std::string_view hora) {
  const auto f = DesdeWindows1252(fecha);
  const auto h = DesdeWindows1252(hora);
  if (!f || !h) {
    lectura = Falla(l, Motivo::CaracterNoValido);
    return false;
  }
  lectura.checadas.push_back({l.numero, common::TextoFecha(*f), empleado, common::TextoHora(*h)});
  return true;
}

}  // namespace orvo::importer
