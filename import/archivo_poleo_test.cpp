#include "import/archivo_poleo.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orvo::importer {
namespace {

using common::Checada;
using common::Lectura;
using common::Motivo;
using common::TextoError;
using common::TextoMotivo;

TEST(LeePoleoTest, ReadsEachLinesDateNumberAndTime) {
  struct Caso {
    std::string linea;
    std::string fecha;
    std::int32_t empleado;
    std::string hora;
  };
  const Caso casos[] = {
      {"2010 05 03,00125,07:58:10", "2010 05 03", 125, "07:58:10"},
      {"2010 05 03,125,07:58", "2010 05 03", 125, "07:58:00"},               // five-character time
      {"2010 05 03,125,07:58:10.250", "2010 05 03", 125, "07:58:10"},        // cut to 8
      {"2010 05 03,125,07:58:10,1,extra", "2010 05 03", 125, "07:58:10"},
      {"03/05/2010,125,7:58:10", "2010 05 03", 125, "07:58:10"},             // day first
      {"2010 05 03X,125,07:58:10", "2010 05 03", 125, "07:58:10"},           // past 10: not the date
      {"2010 05 03, 00125 ,07:58:10", "2010 05 03", 125, "07:58:10"},
      {"2010 05 03,-7,07:58:10", "2010 05 03", -7, "07:58:10"},
      {"2010 05 03,2147483647,07:58:10", "2010 05 03", 2147483647, "07:58:10"},
      {"2010 05 03,-2147483648,07:58:10", "2010 05 03", -2147483647 - 1, "07:58:10"},
      {"2010 13 03,125,25:00:00", "2010 13 03", 125, "25:00:00"},            // no date, no time: kept
      {"2010'05'03,125,07'58'10", "2010'05'03", 125, "07'58'10"},            // quotes are just text
      {"3 f\xE9vr. 10,125,07:58:10", "3 févr. 10", 125, "07:58:10"},         // 10 characters, 11 bytes in UTF-8
      {"2010 05 03,125,07:58:10\r", "2010 05 03", 125, "07:58:10"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.linea);
    const Lectura l = LeePoleo(c.linea + "\r\n");
    ASSERT_FALSE(l.error) << TextoMotivo(l.error->motivo);
    ASSERT_EQ(l.checadas.size(), 1u);
    EXPECT_EQ(l.checadas[0], (Checada{1, c.fecha, c.empleado, c.hora}));
  }
}

TEST(LeePoleoTest, RefusesALineThatDoesNotParse) {
  const std::pair<std::string, Motivo> casos[] = {
      {"2010 05 03,00125", Motivo::FaltanComas},
      {"2010 05 03 00125 07:58:10", Motivo::FaltanComas},
      {"2010 05 03,abc,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,12.5,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,1 2,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,2147483648,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,99999999999999999999,07:58:10", Motivo::EmpleadoNoValido},
      {"2010 5 3,125,07:58:10", Motivo::CampoIncompleto},  // the date would take in ",1"
      {",125,07:58:10", Motivo::CampoIncompleto},
      {"2010 05 03,125,", Motivo::CampoIncompleto},
      {"2010 05 03,125,   ", Motivo::CampoIncompleto},
      {"2010 05\x81" "03,125,07:58:10", Motivo::CaracterNoValido},
  };
  for (const auto& [linea, motivo] : casos) {
    SCOPED_TRACE(linea);
    const Lectura l = LeePoleo(linea);
    ASSERT_TRUE(l.error);
    EXPECT_EQ(l.error->motivo, motivo);
    EXPECT_EQ(l.error->linea, 1u);
    EXPECT_TRUE(l.checadas.empty());
  }
}

TEST(LeePoleoTest, BadLineInTheMiddleGivesNoPunchAndNamesItsLineCountingEmptyOnes) {
  const Lectura l = LeePoleo(
      "2010 05 03,1,07:58:10\r\n"
      "\r\n"
      "2010 05 03,x\xE9,07:59:00\r\n"
      "2010 05 03,2,08:00:00\r\n");
  ASSERT_TRUE(l.error);
  EXPECT_EQ(l.error->linea, 3u);
  EXPECT_EQ(l.error->texto, "2010 05 03,xé,07:59:00");
  EXPECT_EQ(l.error->motivo, Motivo::EmpleadoNoValido);
  EXPECT_TRUE(l.checadas.empty());
}

TEST(LeePoleoTest, ACtrlZEndsTheFileOnlyAtItsEnd) {
  const std::string dos = "2010 05 03,1,07:58:10\r\n2010 05 03,2,07:59:10\r\n";
  for (const std::string fin : {"\x1A", "\x1A\r\n", "\x1A\x1A  \r\n\x1A"}) {
    const Lectura l = LeePoleo(dos + fin);
    ASSERT_FALSE(l.error) << l.error->texto;
    ASSERT_EQ(l.checadas.size(), 2u);
    EXPECT_EQ(l.checadas[1], (Checada{2, "2010 05 03", 2, "07:59:10"}));
  }
  // Lines after it: not the file as it was written; refused at its line.
  for (const auto& [resto, linea, texto] :
       {std::tuple{"\x1A" "2010 05 03,9,09:00:00\r\n", 3u, "\u241A" "2010 05 03,9,09:00:00"},
        std::tuple{"\x1A\r\nbasura sin comas\r\n", 3u, "\u241A"},
        std::tuple{"2010 05 03,3,08:00:00\x1A\r\n2010 05 03,4,08:01:00\r\n", 3u, "2010 05 03,3,08:00:00\u241A"}}) {
    const Lectura l = LeePoleo(dos + resto);
    ASSERT_TRUE(l.error) << resto;
    EXPECT_EQ(l.error->linea, linea);
    EXPECT_EQ(l.error->motivo, Motivo::FinDeArchivo);
    EXPECT_EQ(l.error->texto, texto);
    EXPECT_TRUE(l.checadas.empty());
  }
}

TEST(LeePoleoTest, AFileWithAByteOrderMarkIsUtf8) {
  const Lectura l = LeePoleo(
      "\xEF\xBB\xBF" "2010 05 03,00125,07:58:10\r\n"
      "3 f\xC3\xA9vr. 10,7,07:58:10\r\n");
  ASSERT_FALSE(l.error) << TextoError(*l.error);
  ASSERT_EQ(l.checadas.size(), 2u);
  EXPECT_EQ(l.checadas[0], (Checada{1, "2010 05 03", 125, "07:58:10"}));
  EXPECT_EQ(l.checadas[1], (Checada{2, "3 févr. 10", 7, "07:58:10"}));

  // An invalid sequence refuses its line, as an undefined byte does.
  const Lectura malo = LeePoleo("\xEF\xBB\xBF" "2010 05 03,1,07:58:10\r\n2010 05 0\xC3(,2,07:58:10\r\n");
  ASSERT_TRUE(malo.error);
  EXPECT_EQ(malo.error->linea, 2u);
  EXPECT_EQ(malo.error->motivo, Motivo::CaracterNoValido);
  EXPECT_EQ(malo.error->caracter, "el byte 0xC3");
  EXPECT_TRUE(malo.checadas.empty());
}

TEST(LeePoleoTest, ANulInsideALineRefusesItNamingIt) {
  const Lectura l = LeePoleo(std::string("2010 05 03,1,07:58:10\r\n2010 05 03,2,07:5\0" "9:00\r\n", 48));
  ASSERT_TRUE(l.error);
  EXPECT_EQ(l.error->linea, 2u);
  EXPECT_EQ(l.error->motivo, Motivo::CaracterNoValido);
  EXPECT_EQ(TextoError(*l.error), "la línea contiene un carácter no válido (NUL)");
  EXPECT_EQ(l.error->texto, "2010 05 03,2,07:5\xE2\x90\x80" "9:00");
  EXPECT_TRUE(l.checadas.empty());
}

TEST(LeePoleoTest, SkipsEmptyLinesAndReadsAnEmptyFileAsNoPunch) {
  EXPECT_TRUE(LeePoleo("").checadas.empty());
  EXPECT_FALSE(LeePoleo("").error);
  EXPECT_FALSE(LeePoleo("\r\n \r\n").error);

  const Lectura l = LeePoleo("\r\n2010 05 03,1,07:58:10\n\t\n2010 05 04,2,08:00:00\r\n\r\n");
  ASSERT_FALSE(l.error);
  ASSERT_EQ(l.checadas.size(), 2u);
  EXPECT_EQ(l.checadas[0], (Checada{2, "2010 05 03", 1, "07:58:10"}));
  EXPECT_EQ(l.checadas[1], (Checada{4, "2010 05 04", 2, "08:00:00"}));
}

}  // namespace
}  // namespace orvo::importer
