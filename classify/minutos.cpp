#include "classify/minutos.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "common/fecha_hora.h"
#include "common/texto_externo.h"
#include "platform/error.h"
#include "platform/error/numbers.h"

namespace orvo::classify {

namespace {

[[noreturn]] void NoCoinciden(std::string_view texto) {
  throw RuntimeError(13, "No coinciden los tipos ('" + std::string(texto) + "')");
}

[[noreturn]] void Desbordamiento() { throw RuntimeError(err::kOverflow, std::string(err::Text(err::kOverflow))); }

Minutos En16(std::int32_t valor) {
  if (valor < std::numeric_limits<Minutos>::min() || valor > std::numeric_limits<Minutos>::max())
    Desbordamiento();
  return static_cast<Minutos>(valor);
}

// Seconds of the day named by a time text; the forms a date-time conversion
// reads ("h:m", "h:m:s", am/pm), nothing else.
std::int32_t Segundos(std::string_view texto) {
  const std::string hora = common::TextoHora(texto);
  const auto cifras = [&](std::size_t i) {
    return hora[i] >= '0' && hora[i] <= '9' && hora[i + 1] >= '0' && hora[i + 1] <= '9';
  };
  if (hora.size() != 8 || hora[2] != ':' || hora[5] != ':' || !cifras(0) || !cifras(3) || !cifras(6))
    NoCoinciden(texto);
  const auto numero = [&](std::size_t i) { return (hora[i] - '0') * 10 + (hora[i + 1] - '0'); };
  const int h = numero(0), m = numero(3), s = numero(6);
  if (h > 23 || m > 59 || s > 59) NoCoinciden(texto);
  return h * 3600 + m * 60 + s;
}

}  // namespace

Minutos EnteroCorto(std::string_view texto) {
  std::string_view t = common::SinBlancos(texto);
  bool negativo = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negativo = t.front() == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) NoCoinciden(texto);
  std::int64_t valor = 0;
  for (char c : t) {
    if (c < '0' || c > '9') NoCoinciden(texto);
    valor = valor * 10 + (c - '0');
    if (valor > 100000) Desbordamiento();
  }
  return En16(static_cast<std::int32_t>(negativo ? -valor : valor));
}

Minutos Minuto(std::string_view hora) {
  const Minutos horas = EnteroCorto(hora.substr(0, 2));
  const Minutos minutos = EnteroCorto(hora.size() > 3 ? hora.substr(3, 2) : std::string_view());
  return Suma(En16(horas * 60), minutos);
}

Minutos Suma(Minutos a, Minutos b) { return En16(std::int32_t{a} + b); }
Minutos Resta(Minutos a, Minutos b) { return En16(std::int32_t{a} - b); }

std::string Saca_Diferencia(std::string_view hora, std::string_view original,
                            std::string_view acumulado) {
  const std::int32_t p = Segundos(hora);
  const std::int32_t o = Segundos(original);
  const std::int32_t a = Segundos(acumulado);
  const std::int32_t d = (p > o ? p - o : 0) + a;
  const std::int32_t delDia = d % 86400;
  const int h = delDia / 3600, m = delDia % 3600 / 60;
  std::string texto(5, ':');
  texto[0] = static_cast<char>('0' + h / 10);
  texto[1] = static_cast<char>('0' + h % 10);
  texto[3] = static_cast<char>('0' + m / 10);
  texto[4] = static_cast<char>('0' + m % 10);
  return texto;
}

const std::string& Texto(const std::optional<std::string>& columna) {
  if (!columna) throw RuntimeError(94, "Uso no válido de Null");
  return *columna;
}

}  // namespace orvo::classify
