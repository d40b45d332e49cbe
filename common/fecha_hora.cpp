#include "common/fecha_hora.h"

#include <array>
#include <ctime>

#include "platform/error.h"
#include "platform/error/numbers.h"

namespace orvo::common {

namespace {

using namespace std::chrono;

constexpr bool EsBlanco(char c) { return c == ' ' || c == '\t'; }
constexpr bool EsDigito(char c) { return c >= '0' && c <= '9'; }

std::string_view SinBlancos(std::string_view t) {
  while (!t.empty() && EsBlanco(t.front())) t.remove_prefix(1);
  while (!t.empty() && EsBlanco(t.back())) t.remove_suffix(1);
  return t;
}

struct Campo {
  int valor = 0;
  int cifras = 0;
};

// Reads a run of digits at the front of `t` and consumes it; at most five, so
// the value always fits and any longer run fails the caller's length checks.
Campo LeeCifras(std::string_view& t) {
  Campo campo;
  while (!t.empty() && EsDigito(t.front()) && campo.cifras < 5) {
    campo.valor = campo.valor * 10 + (t.front() - '0');
    ++campo.cifras;
    t.remove_prefix(1);
  }
  return campo;
}

// Appends `valor` (not negative, below 10^cifras) in exactly `cifras` digits.
void AnadeCifras(std::string& salida, int valor, int cifras) {
  salida.resize(salida.size() + static_cast<std::size_t>(cifras));
  for (auto i = salida.size(); cifras-- > 0; valor /= 10)
    salida[--i] = static_cast<char>('0' + valor % 10);
}

// The stored form has four year digits, and year 0 is no year of the calendar
// the dates come from.
std::optional<year_month_day> Fecha(int anio, int mes, int dia) {
  if (anio < 1 || anio > 9999 || mes < 1 || mes > 12 || dia < 1 || dia > 31)
    return std::nullopt;
  year_month_day fecha{year{anio}, month{static_cast<unsigned>(mes)},
                       day{static_cast<unsigned>(dia)}};
  if (!fecha.ok()) return std::nullopt;
  return fecha;
}

std::optional<year_month_day> LeeFecha(std::string_view t, OrdenFecha orden) {
  t = SinBlancos(t);
  const Campo primero = LeeCifras(t);
  if (primero.cifras == 0 || t.empty()) return std::nullopt;
  const char separador = t.front();
  if (separador != ' ' && separador != '/' && separador != '-' && separador != '.')
    return std::nullopt;
  t.remove_prefix(1);
  const Campo segundo = LeeCifras(t);
  if (segundo.cifras == 0 || t.empty() || t.front() != separador) return std::nullopt;
  t.remove_prefix(1);
  const Campo tercero = LeeCifras(t);
  if (tercero.cifras == 0 || !t.empty()) return std::nullopt;

  const auto unoODos = [](const Campo& c) { return c.cifras == 1 || c.cifras == 2; };
  if (primero.cifras == 4) {
    if (!unoODos(segundo) || !unoODos(tercero)) return std::nullopt;
    return Fecha(primero.valor, segundo.valor, tercero.valor);
  }
  if (!unoODos(primero) || !unoODos(segundo)) return std::nullopt;
  int anio = tercero.valor;
  if (tercero.cifras == 2)
    anio += tercero.valor < 30 ? 2000 : 1900;
  else if (tercero.cifras != 4)
    return std::nullopt;
  return orden == OrdenFecha::DiaMesAnio ? Fecha(anio, segundo.valor, primero.valor)
                                         : Fecha(anio, primero.valor, segundo.valor);
}

bool TerminaEnSufijo(std::string_view t, std::string_view& resto, bool& pm) {
  if (t.size() < 2) return false;
  const char a = t[t.size() - 2];
  const char m = t[t.size() - 1];
  if (m != 'm' && m != 'M') return false;
  if (a == 'a' || a == 'A')
    pm = false;
  else if (a == 'p' || a == 'P')
    pm = true;
  else
    return false;
  resto = t.substr(0, t.size() - 2);
  if (!resto.empty() && resto.back() == ' ') resto.remove_suffix(1);
  return true;
}

}  // namespace

std::string TextoFecha(std::string_view texto, OrdenFecha orden) {
  if (const auto fecha = LeeFecha(texto, orden)) return FechaTexto(*fecha);
  return std::string(texto);
}

std::string TextoHora(std::string_view texto) {
  std::string_view t = SinBlancos(texto);
  bool doceHoras = false;
  bool pm = false;
  if (std::string_view resto; TerminaEnSufijo(t, resto, pm)) {
    doceHoras = true;
    t = resto;
  }
  const auto unoODos = [](const Campo& c) { return c.cifras == 1 || c.cifras == 2; };
  const Campo hora = LeeCifras(t);
  if (!unoODos(hora) || t.empty() || t.front() != ':') return std::string(texto);
  t.remove_prefix(1);
  const Campo minuto = LeeCifras(t);
  if (!unoODos(minuto)) return std::string(texto);
  Campo segundo;
  if (!t.empty()) {
    if (t.front() != ':') return std::string(texto);
    t.remove_prefix(1);
    segundo = LeeCifras(t);
    if (!unoODos(segundo) || !t.empty()) return std::string(texto);
  }
  if (minuto.valor > 59 || segundo.valor > 59) return std::string(texto);
  int h = hora.valor;
  if (doceHoras) {
    if (h < 1 || h > 12) return std::string(texto);
    h = h % 12 + (pm ? 12 : 0);
  } else if (h > 23) {
    return std::string(texto);
  }
  std::string salida;
  AnadeCifras(salida, h, 2);
  salida += ':';
  AnadeCifras(salida, minuto.valor, 2);
  salida += ':';
  AnadeCifras(salida, segundo.valor, 2);
  return salida;
}

std::optional<year_month_day> LeeFechaTexto(std::string_view t) {
  if (t.size() != 10 || t[4] != ' ' || t[7] != ' ') return std::nullopt;
  for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (!EsDigito(t[i])) return std::nullopt;
  const auto numero = [&](std::size_t desde, std::size_t cifras) {
    int n = 0;
    for (std::size_t i = desde; i < desde + cifras; ++i) n = n * 10 + (t[i] - '0');
    return n;
  };
  return Fecha(numero(0, 4), numero(5, 2), numero(8, 2));
}

std::string FechaTexto(year_month_day fecha) {
  const int anio = static_cast<int>(fecha.year());
  if (!fecha.ok() || anio < 1 || anio > 9999)
    throw RuntimeError(err::kInvalidCall, std::string(err::Text(err::kInvalidCall)));
  std::string salida;
  AnadeCifras(salida, anio, 4);
  salida += ' ';
  AnadeCifras(salida, static_cast<int>(static_cast<unsigned>(fecha.month())), 2);
  salida += ' ';
  AnadeCifras(salida, static_cast<int>(static_cast<unsigned>(fecha.day())), 2);
  return salida;
}

std::optional<std::string> DiaAnterior(std::string_view fechaTexto) {
  const auto fecha = LeeFechaTexto(fechaTexto);
  if (!fecha) return std::nullopt;
  const year_month_day anterior{sys_days{*fecha} - days{1}};
  if (static_cast<int>(anterior.year()) < 1) return std::nullopt;
  return FechaTexto(anterior);
}

year_month_day FechaHoy() {
  // The legacy system date is the local calendar day; system_clock alone
  // would give the UTC day, which differs around midnight.
  const std::time_t ahora = std::time(nullptr);
  std::tm local{};
  localtime_r(&ahora, &local);
  return year_month_day{year{local.tm_year + 1900},
                        month{static_cast<unsigned>(local.tm_mon + 1)},
                        day{static_cast<unsigned>(local.tm_mday)}};
}

std::string DiaSemana(year_month_day fecha) {
  static constexpr std::array<const char*, 7> kNombres = {
      "DOMINGO", "LUNES", "MARTES", "MIÉRCOLES", "JUEVES", "VIERNES", "SÁBADO"};
  if (!fecha.ok()) return {};
  return kNombres[weekday{sys_days{fecha}}.c_encoding()];
}

}  // namespace orvo::common
