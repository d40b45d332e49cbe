// What every punch-file reader gives for any bytes: either the punches of all
// lines that are not blank, in order, or no punch and the first bad line.
#pragma once

#include <string_view>

#include "fuzz/check.h"
#include "import/checada.h"
#include "import/texto_externo.h"

inline void CheckLectura(std::string_view contenido, const orvo::importer::Lectura& lectura) {
  using namespace orvo::importer;
  const std::vector<Linea> lineas = Lineas(contenido);
  if (lectura.error) {
    FUZZ_CHECK(lectura.checadas.empty());
    FUZZ_CHECK(lectura.error->linea >= 1 && lectura.error->linea <= lineas.size());
    FUZZ_CHECK(!EsLineaVacia(lineas[lectura.error->linea - 1].bytes));
    FUZZ_CHECK(!TextoMotivo(lectura.error->motivo).empty());
    return;
  }
  std::size_t llenas = 0;
  for (const Linea& l : lineas) llenas += EsLineaVacia(l.bytes) ? 0 : 1;
  FUZZ_CHECK(lectura.checadas.size() == llenas);
  std::size_t anterior = 0;
  for (const Checada& c : lectura.checadas) {
    FUZZ_CHECK(c.linea > anterior && c.linea <= lineas.size());
    anterior = c.linea;
  }
}
