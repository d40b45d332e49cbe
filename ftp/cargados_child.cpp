// Test helper: the load of one downloaded punch file as Fetchpurge makes it,
// in a process of its own, for the tests of two programs loading one file at
// once and of a program killed between its punches and the record.
//
//   cargados_child COPIA NOMBRE SALIDA [MARCA]
//
// COPIA is the downloaded file, NOMBRE its remote name. The child waits until
// the file SALIDA exists, so that two children start their load together.
// With MARCA, it makes that marker once its punches are written and before
// the record's row, and waits there to be killed. Exit status: 10 loaded,
// 11 already loaded, 12 a bad line, 1 any error.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "common/arranque.h"
#include "common/carga_checadas.h"
#include "common/texto_externo.h"
#include "ftp/archivos_cargados.h"
#include "ftp/poleo_internet.h"
#include "platform/db/connection.h"
#include "platform/testsupport/second_process.h"

int main(int argc, char** argv) {
  using namespace orvo;
  if (argc < 4) return 1;
  try {
    const auto contenido = common::LeeArchivo(argv[1]);
    if (!contenido) return 1;
    const common::Lectura lectura = ftp::LeePoleoInternet(*contenido);
    db::Connection cn;
    cn.OpenFile(common::kBasePrincipal, common::kClavePrincipal);
    while (!std::filesystem::exists(argv[3])) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const ftp::ResultadoCarga carga = ftp::CargaUnaVez(cn, ftp::Huella(argv[2], *contenido), [&] {
      if (lectura.error) return false;
      common::CargaChecadas(cn, lectura.checadas);
      if (argc > 4) {
        orvo::testing::Mark(argv[4]);
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
      }
      return true;
    });
    return carga == ftp::ResultadoCarga::Cargado ? 10 : carga == ftp::ResultadoCarga::YaCargado ? 11 : 12;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
