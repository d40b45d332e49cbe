#include "backup/sello.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace orvo::respaldo {
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

TEST(SelloTest, DayMonthTwoDigitYearThenTwentyFourHourTime) {
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
    EXPECT_EQ(NombreArchivo("QR1_", sello).size(), 21u);
  }
}

TEST(SelloTest, MainArchiveNames) {
  for (const char* valido : {"QR1_030226_090507.ZIP", "qr1_030226_090507.zip", "QR1_311299_235959.Zip"}) {
    EXPECT_TRUE(EsArchivoPrincipal(valido)) << valido;
  }
  for (const char* invalido :
       {"", "QR1_", "QR2_030226_090507.ZIP", "QR1_030226-090507.ZIP", "QR1_03022_090507.ZIP",
        "QR1_030226_090507.ZIPX", "QR1_0302a6_090507.ZIP", "../QR1_030226_090507.ZIP",
        "QR1_030226_090507.ZIP/", "xQR1_030226_090507.ZIP", "QR1_030226_090507.TXT"}) {
    EXPECT_FALSE(EsArchivoPrincipal(invalido)) << invalido;
  }
}

TEST(SelloTest, StampOfAnArchiveIsItsLastSeventeenCharacters) {
  EXPECT_EQ(SelloDe("QR1_030226_090507.ZIP"), "030226_090507.ZIP");
  EXPECT_EQ(NombreArchivo("POL_", SelloDe("QR1_030226_090507.ZIP")), "POL_030226_090507.ZIP");
}

}  // namespace
}  // namespace orvo::respaldo
