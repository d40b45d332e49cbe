#include "backup/nombres_respaldo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "platform/drive/wildcard.h"

namespace orvo::backup {
namespace {

std::time_t Utc(int anio, int mes, int dia, int hora, int minuto, int segundo) {
  std::tm t{};
  t.tm_year = anio - 1900;
  t.tm_mon = mes - 1;
  t.tm_mday = dia;
  t.tm_hour = hora;
  t.tm_min = minuto;
  t.tm_sec = segundo;
  return ::timegm(&t);
}

TEST(NombresRespaldoTest, StampIsDayMonthTwoDigitYearThenTwentyFourHourTime) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  struct Caso {
    std::time_t momento;
    const char* sello;
  } casos[] = {
      {Utc(2026, 2, 3, 9, 5, 7), "030226_090507.ZIP"},
      {Utc(2026, 12, 31, 23, 59, 59), "311226_235959.ZIP"},
      {Utc(2000, 1, 1, 0, 0, 0), "010100_000000.ZIP"},
      {Utc(2026, 7, 15, 13, 0, 9), "150726_130009.ZIP"},
  };
  for (const Caso& caso : casos) {
    const std::string sello = Sello(caso.momento);
    EXPECT_EQ(sello, caso.sello);
    EXPECT_EQ(sello.size(), kLargoSello);
    EXPECT_TRUE(EsSello(sello));
    EXPECT_TRUE(EsArchivoPrincipal(NombreArchivo(kPrincipal, sello)));
  }
}

// The names older runs left on disk: each must keep parsing to the same thing.
TEST(NombresRespaldoTest, ValidNamesParse) {
  struct Caso {
    const char* nombre;
    Nombre leido;
  } casos[] = {
      {"QR1_030226_090507.ZIP", {Clase::Archivo, &kComponentes[0], "030226_090507.ZIP"}},
      {"qr1_030226_090507.zip", {Clase::Archivo, &kComponentes[0], "030226_090507.zip"}},
      {"QR1_311299_235959.Zip", {Clase::Archivo, &kComponentes[0], "311299_235959.Zip"}},
      {"QR2_030226_090507.ZIP", {Clase::Archivo, &kComponentes[1], "030226_090507.ZIP"}},
      {"ft1_010100_000000.ZIP", {Clase::Archivo, &kComponentes[2], "010100_000000.ZIP"}},
      {"POL_150726_130009.ZIP", {Clase::Archivo, &kComponentes[3], "150726_130009.ZIP"}},
      {"~respaldo_030226_090507", {Clase::EscenaRespaldo, nullptr, "030226_090507.ZIP"}},
      {"~restaura_a1B2c3", {Clase::EscenaRestauracion, nullptr, ""}},
      {"~restaura_XXXXXX", {Clase::EscenaRestauracion, nullptr, ""}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(LeeNombre(caso.nombre), caso.leido);
    EXPECT_EQ(EsArchivoPrincipal(caso.nombre), caso.leido.componente == &kPrincipal);
  }
}

TEST(NombresRespaldoTest, InvalidNamesDoNotParse) {
  for (const char* invalido :
       {"", "QR1_", "QR1_030226-090507.ZIP", "QR1_03022_090507.ZIP", "QR1_030226_090507.ZIPX",
        "QR1_0302a6_090507.ZIP", "../QR1_030226_090507.ZIP", "QR1_030226_090507.ZIP/", "xQR1_030226_090507.ZIP",
        "QR1_030226_090507.TXT", "QR3_030226_090507.ZIP", "QR1030226_090507.ZIP", "QR1_0302_0905.ZIP",
        "~respaldo_030226_0905", "~respaldo_030226_090507x", "~respaldo_030226_090507.ZIP", "~RESPALDO_030226_090507",
        "~respaldo_", "~restaura_abc", "~restaura_abc-12", "~restaura_a1B2c3d", "~RESTAURA_a1B2c3", "~restaura_",
        "diario", "anteriores", "mios", "~respaldo_otro.txt"}) {
    EXPECT_EQ(LeeNombre(invalido), std::nullopt) << invalido;
    EXPECT_FALSE(EsArchivoPrincipal(invalido)) << invalido;
  }
}

// What the programs make parses back to what it was made from, and the names
// stay those on disk since the first sets.
TEST(NombresRespaldoTest, MadeNamesParseBack) {
  const std::string sello = "030226_090507.ZIP";
  const char* archivos[] = {"QR1_030226_090507.ZIP", "QR2_030226_090507.ZIP", "FT1_030226_090507.ZIP",
                            "POL_030226_090507.ZIP"};
  const char* carpetas[] = {"QR1", "QR2", "FT1", "POL"};
  for (std::size_t i = 0; i < kComponentes.size(); ++i) {
    const std::string nombre = NombreArchivo(kComponentes[i], sello);
    EXPECT_EQ(nombre, archivos[i]);
    EXPECT_EQ(LeeNombre(nombre), (Nombre{Clase::Archivo, &kComponentes[i], sello}));
    EXPECT_EQ(CarpetaEnEscena(kComponentes[i]), carpetas[i]);
  }
  EXPECT_EQ(NombreEscenaRespaldo(sello), "~respaldo_030226_090507");
  EXPECT_EQ(LeeNombre(NombreEscenaRespaldo(sello)), (Nombre{Clase::EscenaRespaldo, nullptr, sello}));

  EXPECT_EQ(PlantillaEscenaRestauracion(), "~restaura_XXXXXX");

  // The listing takes every main archive and none of its companions.
  EXPECT_EQ(PatronListado(), "QR1*");
  for (const char* archivo : archivos) {
    EXPECT_EQ(drive::MatchesWildcard(PatronListado(), archivo), EsArchivoPrincipal(archivo)) << archivo;
  }
}

}  // namespace
}  // namespace orvo::backup
