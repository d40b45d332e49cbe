// What every punch-file reader gives for any bytes: either the punches of all
// lines that are not blank, in order, or no punch and the first bad line.
#pragma once

#include <string_view>

#include "common/checada.h"
#include "common/texto_externo.h"
#include "fuzz/check.h"

// Well-formed UTF-8: what the database and the windows are given.
inline bool EsUtf8(std::string_view t) {
  for (std::size_t i = 0; i < t.size();) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > t.size() || (n == 2 && c < 0xC2)) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(t[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

inline void CheckLectura(std::string_view contenido, const orvo::common::Lectura& lectura) {
  using namespace orvo::common;
  const std::vector<Linea> lineas = Lineas(contenido);
  if (lectura.error) {
    FUZZ_CHECK(lectura.checadas.empty());
    FUZZ_CHECK(lectura.error->linea >= 1 && lectura.error->linea <= lineas.size());
    FUZZ_CHECK(!EsLineaVacia(lineas[lectura.error->linea - 1].bytes));
    FUZZ_CHECK(!TextoError(*lectura.error).empty());
    FUZZ_CHECK(LineaCitada(*lectura.error).size() <= 200 + 3);  // and "…"
    FUZZ_CHECK(EsUtf8(lectura.error->texto));
    return;
  }
  std::size_t llenas = 0;
  for (const Linea& l : lineas) llenas += EsLineaVacia(l.bytes) ? 0 : 1;
  FUZZ_CHECK(lectura.checadas.size() == llenas);
  std::size_t anterior = 0;
  for (const Checada& c : lectura.checadas) {
    FUZZ_CHECK(c.linea > anterior && c.linea <= lineas.size());
    FUZZ_CHECK(EsUtf8(c.Fecha) && EsUtf8(c.Hora));
    anterior = c.linea;
  }
}
