// Date and time texts as punch files carry them: a conversion either gives the
// stored form or hands the text back unchanged, and the stored forms read back.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/fecha_hora.h"
#include "fuzz/check.h"

namespace {

using namespace std::chrono;
using orvo::common::OrdenFecha;

bool EsHoraGuardada(std::string_view t) {
  if (t.size() != 8 || t[2] != ':' || t[5] != ':') return false;
  for (std::size_t i : {0, 1, 3, 4, 6, 7})
    if (t[i] < '0' || t[i] > '9') return false;
  const auto n = [&](std::size_t i) { return (t[i] - '0') * 10 + (t[i + 1] - '0'); };
  return n(0) <= 23 && n(3) <= 59 && n(6) <= 59;
}

void Fecha(std::string_view texto, OrdenFecha orden) {
  const std::string fecha = orvo::common::TextoFecha(texto, orden);
  if (fecha == texto && !orvo::common::LeeFechaTexto(fecha)) return;
  // Converted (or already stored): it reads back, and converting again keeps it.
  const auto leida = orvo::common::LeeFechaTexto(fecha);
  FUZZ_CHECK(leida.has_value());
  FUZZ_CHECK(orvo::common::FechaTexto(*leida) == fecha);
  FUZZ_CHECK(orvo::common::TextoFecha(fecha, orden) == fecha);
  FUZZ_CHECK(!orvo::common::DiaSemana(*leida).empty());
  if (const auto anterior = orvo::common::DiaAnterior(fecha)) {
    const auto dia = orvo::common::LeeFechaTexto(*anterior);
    FUZZ_CHECK(dia.has_value());
    FUZZ_CHECK(sys_days{*dia} + days{1} == sys_days{*leida});
  } else {
    FUZZ_CHECK(*leida == year{1} / January / 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view texto(reinterpret_cast<const char*>(data), size);
  Fecha(texto, OrdenFecha::DiaMesAnio);
  Fecha(texto, OrdenFecha::MesDiaAnio);

  const std::string hora = orvo::common::TextoHora(texto);
  FUZZ_CHECK(hora == texto || EsHoraGuardada(hora));
  if (EsHoraGuardada(hora)) FUZZ_CHECK(orvo::common::TextoHora(hora) == hora);

  if (const auto fecha = orvo::common::LeeFechaTexto(texto)) {
    FUZZ_CHECK(fecha->ok());
    FUZZ_CHECK(orvo::common::FechaTexto(*fecha) == texto);
  }
  return 0;
}
