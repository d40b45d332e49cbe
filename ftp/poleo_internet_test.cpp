#include "ftp/poleo_internet.h"

#include <gtest/gtest.h>

namespace orvo::ftp {
namespace {

using common::Checada;
using common::Motivo;

TEST(LeePoleoInternetTest, KeepsTheFileTextsTrimmedAndUnconverted) {
  struct Caso {
    std::string linea;
    Checada esperada;
  };
  const Caso casos[] = {
      {"2010 05 03,00125,07:58:10", {1, "2010 05 03", 125, "07:58:10"}},
      {"03/05/2010,125,7:58", {1, "03/05/2010", 125, "7:58"}},          // stored as written
      {"2010 05 03, 125 ,  07:58:10  ", {1, "2010 05 03", 125, "07:58:10"}},
      {" 2010 5 3 ,125,07:58:10", {1, "2010 5 3", 125, "07:58:10"}},     // ten characters, trimmed
      {"2010 05 03,-7,07:58:10 x", {1, "2010 05 03", -7, "07:58:10 x"}},  // ten characters of time
      {"2010 05 03X,125,07:58:10", {1, "2010 05 03", 125, "07:58:10"}},
      {"2010'05'03,125,07'58'10", {1, "2010'05'03", 125, "07'58'10"}},
      {"2010 05 03,125,12:00:00\r", {1, "2010 05 03", 125, "12:00:00"}},
  };
  for (const Caso& c : casos) {
    const common::Lectura l = LeePoleoInternet(c.linea + "\r\n");
    ASSERT_FALSE(l.error) << c.linea << ": " << common::TextoError(*l.error);
    ASSERT_EQ(l.checadas.size(), 1u) << c.linea;
    EXPECT_EQ(l.checadas[0], c.esperada) << c.linea;
  }
}

TEST(LeePoleoInternetTest, RefusesALineThatCannotBeStoredAndGivesNothing) {
  const std::pair<std::string, Motivo> casos[] = {
      {"2010 05 03,00125", Motivo::FaltanComas},
      {"2010 05 03;125;07:58:10", Motivo::FaltanComas},
      {"2010 5 3,125,07:58:10", Motivo::CampoIncompleto},   // the date would take in the number
      {"2010 05 03,abc,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,12.5,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,9999999999,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,125,", Motivo::CampoIncompleto},
      {"2010 05 03,125,    ", Motivo::CampoIncompleto},
      {"          ,125,07:58:10", Motivo::CampoIncompleto},
      {"2010 05 03,125,07:58:10,extra", Motivo::HoraMuyLarga},
      {"2010 05 03,125,07:58:1\x81", Motivo::CaracterNoValido},
      {std::string("2010 05 03,125,07:5\0" "8", 22), Motivo::CaracterNoValido},
  };
  for (const auto& [linea, motivo] : casos) {
    const common::Lectura l = LeePoleoInternet("2010 05 03,1,07:00:00\r\n\r\n" + linea + "\r\n2010 05 03,2,08:00:00\r\n");
    ASSERT_TRUE(l.error) << linea;
    EXPECT_EQ(l.error->motivo, motivo) << linea;
    EXPECT_EQ(l.error->linea, 3u) << linea;
    EXPECT_TRUE(l.checadas.empty());
  }
}

TEST(LeePoleoInternetTest, ReadsUtf8WithItsMarkAndSkipsBlankLines) {
  const common::Lectura l = LeePoleoInternet("\xEF\xBB\xBF" "2010 05 03,1,07:00:00\n  \n2010 05 03,2,08:00:00");
  ASSERT_FALSE(l.error);
  ASSERT_EQ(l.checadas.size(), 2u);
  EXPECT_EQ(l.checadas[1], (Checada{3, "2010 05 03", 2, "08:00:00"}));
  EXPECT_TRUE(LeePoleoInternet("").checadas.empty());
}

TEST(LeePoleoInternetTest, ACtrlZEndsTheFileOnlyAtItsEnd) {
  const common::Lectura dos = LeePoleoInternet("2010 05 03,1,07:00:00\r\n\x1A\r\n\x1A");
  ASSERT_FALSE(dos.error) << dos.error->texto;
  EXPECT_EQ(dos.checadas.size(), 1u);
  // The date would otherwise be stored with the Ctrl-Z in front of it.
  const common::Lectura medio =
      LeePoleoInternet("2010 05 03,125,07:58:10\r\n\x1A" "2010 05 03,125,14:01:00\r\n2010 05 03,125,18:00:00\r\n");
  ASSERT_TRUE(medio.error);
  EXPECT_EQ(medio.error->linea, 2u);
  EXPECT_EQ(medio.error->motivo, common::Motivo::FinDeArchivo);
  EXPECT_EQ(common::TextoError(*medio.error), "hay un fin de archivo (Ctrl-Z) antes del final del archivo");
  EXPECT_TRUE(medio.checadas.empty());
}

}  // namespace
}  // namespace orvo::ftp
