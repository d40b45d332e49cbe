#include "import/archivo_usb.h"

#include <gtest/gtest.h>

namespace orvo::importer {
namespace {

using common::Checada;
using common::Lectura;
using common::Motivo;
using common::TextoError;
using common::TextoMotivo;

TEST(LeeUsbTest, ReadsTheNumberDateAndTimeFromTheirColumns) {
  struct Caso {
    std::string linea;
    std::int32_t empleado;
    std::string fecha;
    std::string hora;
  };
  const Caso casos[] = {
      //         1        10        20        30
      //         123456789012345678901234567890
      {"000000125 2010 05 03 07:58:10", 125, "2010 05 03", "07:58:10"},
      {"      125 2010 05 03 07:58:10", 125, "2010 05 03", "07:58:10"},
      {"125       2010 05 03 07:58:10", 125, "2010 05 03", "07:58:10"},
      {"000000125X2010 05 03Y07:58:10", 125, "2010 05 03", "07:58:10"},  // separators not read
      {"000000125 2010 05 03 07:58:10Z99", 125, "2010 05 03", "07:58:10"},
      {"000000125 2010 05 03 07:58", 125, "2010 05 03", "07:58:00"},
      {"000000125 03/05/2010 7:58:10 ", 125, "2010 05 03", "07:58:10"},
      {"999999999 2010 05 03 07:58:10", 999999999, "2010 05 03", "07:58:10"},
      {"-12345678 2010 05 03 07:58:10", -12345678, "2010 05 03", "07:58:10"},
      {"000000125 2010'05'03 07:58'10", 125, "2010'05'03", "07:58'10"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.linea);
    const Lectura l = LeeUsb(c.linea + "\r\n");
    ASSERT_FALSE(l.error) << TextoMotivo(l.error->motivo);
    ASSERT_EQ(l.checadas.size(), 1u);
    EXPECT_EQ(l.checadas[0], (Checada{1, c.fecha, c.empleado, c.hora}));
  }
}

TEST(LeeUsbTest, RefusesALineThatDoesNotParse) {
  const std::pair<std::string, Motivo> casos[] = {
      {"00000012a 2010 05 03 07:58:10", Motivo::EmpleadoNoValido},
      {"          2010 05 03 07:58:10", Motivo::EmpleadoNoValido},
      {"2010 05 03,125,07:58:10", Motivo::EmpleadoNoValido},  // a poll line
      {"000000125", Motivo::CampoIncompleto},                 // the number alone
      {"000000125 2010 05", Motivo::CampoIncompleto},
      {"000000125 2010 05 03", Motivo::CampoIncompleto},
      {"000000125 2010 05 03 ", Motivo::CampoIncompleto},
      {"000000125 2010 05 03         ", Motivo::CampoIncompleto},
      {"000000125 2010 05 03 07:58:1\x90", Motivo::CaracterNoValido},
  };
  for (const auto& [linea, motivo] : casos) {
    SCOPED_TRACE(linea);
    const Lectura l = LeeUsb(linea);
    ASSERT_TRUE(l.error);
    EXPECT_EQ(l.error->motivo, motivo);
    EXPECT_TRUE(l.checadas.empty());
  }
}

TEST(LeeUsbTest, SkipsEmptyLinesAndStopsAtTheFirstBadOne) {
  EXPECT_FALSE(LeeUsb("").error);
  EXPECT_TRUE(LeeUsb("\r\n").checadas.empty());
  const Lectura buena = LeeUsb("000000001 2010 05 03 07:58:10\r\n\r\n000000002 2010 05 03 07:59:10\n");
  ASSERT_FALSE(buena.error);
  ASSERT_EQ(buena.checadas.size(), 2u);
  EXPECT_EQ(buena.checadas[1].linea, 3u);

  const Lectura mala = LeeUsb("000000001 2010 05 03 07:58:10\r\n000000002\r\n000000003 2010 05 03 07:59:10\r\n");
  ASSERT_TRUE(mala.error);
  EXPECT_EQ(mala.error->linea, 2u);
  EXPECT_EQ(mala.error->texto, "000000002");
  EXPECT_TRUE(mala.checadas.empty());
}

TEST(LeeUsbTest, ACtrlZEndsTheFileOnlyAtItsEnd) {
  const std::string dos = "000000001 2010 05 03 07:58:10\r\n000000002 2010 05 03 07:59:10\r\n";
  for (const std::string fin : {"\x1A", "\x1A\r\n", "\x1A\x1A \t\r\n"}) {
    const Lectura l = LeeUsb(dos + fin);
    ASSERT_FALSE(l.error) << l.error->texto;
    ASSERT_EQ(l.checadas.size(), 2u);
    EXPECT_EQ(l.checadas[1].Empleado, 2);
  }
  for (const std::string resto : {"\x1A" "000000009 2010 05 03 09:00:00\r\n", "\x1A\r\nbasura\r\n"}) {
    const Lectura l = LeeUsb(dos + resto);
    ASSERT_TRUE(l.error) << resto;
    EXPECT_EQ(l.error->linea, 3u);
    EXPECT_EQ(l.error->motivo, Motivo::FinDeArchivo);
    EXPECT_TRUE(l.checadas.empty());
  }
}

TEST(LeeUsbTest, AFileWithAByteOrderMarkIsUtf8AndItsColumnsCountCharacters) {
  //              1        10        20        30
  //              123456789012345678901234567890
  const Lectura l = LeeUsb(
      "\xEF\xBB\xBF" "000000125 2010 05 03 07:58:10\r\n"
      "000000007 3 f\xC3\xA9vr. 10 07:58:10\r\n");
  ASSERT_FALSE(l.error) << TextoError(*l.error);
  ASSERT_EQ(l.checadas.size(), 2u);
  EXPECT_EQ(l.checadas[0], (Checada{1, "2010 05 03", 125, "07:58:10"}));
  EXPECT_EQ(l.checadas[1], (Checada{2, "3 févr. 10", 7, "07:58:10"}));

  const Lectura malo = LeeUsb("\xEF\xBB\xBF" "000000125 2010 05 03 07:58:1\xFF\r\n");
  ASSERT_TRUE(malo.error);
  EXPECT_EQ(malo.error->motivo, Motivo::CaracterNoValido);
  EXPECT_TRUE(malo.checadas.empty());
}

TEST(LeeUsbTest, ANulInsideALineRefusesItNamingIt) {
  const Lectura l = LeeUsb(std::string("000000125 2010\0" "05 03 07:58:10\r\n", 31));
  ASSERT_TRUE(l.error);
  EXPECT_EQ(l.error->motivo, Motivo::CaracterNoValido);
  EXPECT_EQ(l.error->caracter, "NUL");
}

}  // namespace
}  // namespace orvo::importer
