#include "common/fecha_hora.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "platform/error.h"

namespace orvo::common {
namespace {

using namespace std::chrono;

struct CasoFecha {
  const char* texto;
  OrdenFecha orden;
  const char* esperado;
};

TEST(TextoFecha, ConvierteLoQueSeLeeComoFecha) {
  const CasoFecha casos[] = {
      // Year first, whatever the regional order.
      {"2010 05 03", OrdenFecha::DiaMesAnio, "2010 05 03"},
      {"2010/5/3", OrdenFecha::DiaMesAnio, "2010 05 03"},
      {"2010-05-03", OrdenFecha::MesDiaAnio, "2010 05 03"},
      {"2010.12.31", OrdenFecha::DiaMesAnio, "2010 12 31"},
      {"  2010 05 03 ", OrdenFecha::DiaMesAnio, "2010 05 03"},
      {"\t2010/05/03\t", OrdenFecha::DiaMesAnio, "2010 05 03"},
      // Day first by default, month first by setting.
      {"03/05/2010", OrdenFecha::DiaMesAnio, "2010 05 03"},
      {"3-5-2010", OrdenFecha::DiaMesAnio, "2010 05 03"},
      {"03.05.2010", OrdenFecha::DiaMesAnio, "2010 05 03"},
      {"03 05 2010", OrdenFecha::DiaMesAnio, "2010 05 03"},
      {"05/03/2010", OrdenFecha::MesDiaAnio, "2010 05 03"},
      {"12/31/2010", OrdenFecha::MesDiaAnio, "2010 12 31"},
      {"31/12/2010", OrdenFecha::DiaMesAnio, "2010 12 31"},
      // Two-digit years as the legacy platform read them.
      {"03/05/10", OrdenFecha::DiaMesAnio, "2010 05 03"},
      {"01/01/00", OrdenFecha::DiaMesAnio, "2000 01 01"},
      {"31/12/29", OrdenFecha::DiaMesAnio, "2029 12 31"},
      {"01/01/30", OrdenFecha::DiaMesAnio, "1930 01 01"},
      {"31/12/99", OrdenFecha::DiaMesAnio, "1999 12 31"},
      // 29 February in leap years, including the 400-year rule.
      {"29/02/2012", OrdenFecha::DiaMesAnio, "2012 02 29"},
      {"2000 2 29", OrdenFecha::DiaMesAnio, "2000 02 29"},
      {"02/29/24", OrdenFecha::MesDiaAnio, "2024 02 29"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(TextoFecha(c.texto, c.orden), c.esperado) << '"' << c.texto << '"';
}

TEST(TextoFecha, GuardaTalCualLoQueNoEsFecha) {
  const char* textos[] = {
      "",
      "   ",
      "abc",
      "29/02/2011",    // common year
      "29/02/1900",    // century, not a leap year
      "2011 02 29",
      "31/04/2010",    // April has 30 days
      "32/01/2010",
      "00/01/2010",
      "13/13/2010",
      "2010 13 01",
      "2010 00 10",
      "0000 01 01",    // no year 0
      "03/05",         // would depend on the current year
      "2010 05",
      "03/05/201",     // three-digit year
      "03/05/20100",
      "003/05/2010",
      "2010/005/03",
      "2010/05-03",    // separators must agree
      "2010  05 03",   // one separator, not a run of them
      "2010,05,03",
      "03/05/2010x",
      "2010 05 03 07:58:10",
      "-3/05/2010",
      "+2010/05/03",
      "1e3/05/2010",
  };
  for (const char* t : textos) {
    EXPECT_EQ(TextoFecha(t), t) << '"' << t << '"';
    EXPECT_EQ(TextoFecha(t, OrdenFecha::MesDiaAnio), t) << '"' << t << '"';
  }
  // The month-first setting refuses what day-first accepts, and the reverse.
  EXPECT_EQ(TextoFecha("31/12/2010", OrdenFecha::MesDiaAnio), "31/12/2010");
  EXPECT_EQ(TextoFecha("12/31/2010", OrdenFecha::DiaMesAnio), "12/31/2010");
}

TEST(TextoHora, ConvierteLoQueSeLeeComoHora) {
  const struct {
    const char* texto;
    const char* esperado;
  } casos[] = {
      {"07:58:10", "07:58:10"},
      {"07:58", "07:58:00"},
      {"08:05", "08:05:00"},
      {"7:5:3", "07:05:03"},
      {"0:00", "00:00:00"},
      {"23:59:59", "23:59:59"},
      {" 07:58:10 ", "07:58:10"},
      {"\t7:58\t", "07:58:00"},
      // A 12-hour suffix, in any letter case, with or without one blank.
      {"7:58 pm", "19:58:00"},
      {"7:58PM", "19:58:00"},
      {"07:58:10 am", "07:58:10"},
      {"12:00 am", "00:00:00"},
      {"12:30:15 Am", "00:30:15"},
      {"12:00 pm", "12:00:00"},
      {"11:59:59 pM", "23:59:59"},
      {"1:00 am ", "01:00:00"},
  };
  for (const auto& c : casos) EXPECT_EQ(TextoHora(c.texto), c.esperado) << '"' << c.texto << '"';
}

TEST(TextoHora, GuardaTalCualLoQueNoEsHora) {
  const char* textos[] = {
      "",         "  ",       "ab:cd",     "25:00",    "24:00",      "07:60",
      "07:58:60", "7",        "07:",       ":58",      "07::10",     "007:58",
      "07:580",   "07-58-10", "07.58",     "07:58:10:00", "07:58:1x", "-7:58",
      "0:00 am",  "13:00 pm", "7:58 xm",   "7:58  pm", "am",         "7:58 a",
      "07:58:10,",
  };
  for (const char* t : textos) EXPECT_EQ(TextoHora(t), t) << '"' << t << '"';
}

TEST(FechaTexto, EscribeYLeeLaFormaGuardada) {
  EXPECT_EQ(FechaTexto(2010y / 5 / 3), "2010 05 03");
  EXPECT_EQ(FechaTexto(year{1} / 1 / 1), "0001 01 01");
  EXPECT_EQ(FechaTexto(year{9999} / 12 / 31), "9999 12 31");
  EXPECT_THROW(FechaTexto(2011y / 2 / 29), orvo::RuntimeError);
  EXPECT_THROW(FechaTexto(year{10000} / 1 / 1), orvo::RuntimeError);
  EXPECT_THROW(FechaTexto(year{0} / 1 / 1), orvo::RuntimeError);

  EXPECT_EQ(LeeFechaTexto("2010 05 03"), 2010y / 5 / 3);
  EXPECT_EQ(LeeFechaTexto("2024 02 29"), 2024y / 2 / 29);
  for (const char* t : {"", "2010 5 3", "2010/05/03", " 2010 05 03", "2010 05 03 ",
                        "2010 05 3x", "2023 02 29", "2010 04 31", "0000 01 01"})
    EXPECT_FALSE(LeeFechaTexto(t)) << '"' << t << '"';
}

TEST(DiaSemana, NombraLosDiasDeUnaSemanaConocida) {
  // 4 to 10 March 2024, Monday to Sunday.
  const char* nombres[] = {"LUNES",   "MARTES", "MIÉRCOLES", "JUEVES",
                           "VIERNES", "SÁBADO", "DOMINGO"};
  for (unsigned i = 0; i < 7; ++i)
    EXPECT_EQ(DiaSemana(2024y / 3 / day{4 + i}), nombres[i]) << i;
  EXPECT_EQ(DiaSemana(2024y / 3 / 6), "MI\xC3\x89RCOLES");  // UTF-8 É
  EXPECT_EQ(DiaSemana(2024y / 3 / 9), "S\xC3\x81" "BADO");  // UTF-8 Á
  EXPECT_EQ(DiaSemana(2000y / 1 / 1), "SÁBADO");
  EXPECT_EQ(DiaSemana(2011y / 2 / 29), "");
}

TEST(DiaAnterior, CruzaMesAnioYDiaBisiesto) {
  const struct {
    const char* texto;
    const char* esperado;
  } casos[] = {
      {"2010 05 03", "2010 05 02"}, {"2010 05 01", "2010 04 30"},
      {"2010 01 01", "2009 12 31"}, {"2024 03 01", "2024 02 29"},
      {"2023 03 01", "2023 02 28"}, {"2000 03 01", "2000 02 29"},
      {"1900 03 01", "1900 02 28"}, {"2024 02 29", "2024 02 28"},
  };
  for (const auto& c : casos) EXPECT_EQ(DiaAnterior(c.texto), c.esperado) << c.texto;
  for (const char* t : {"", "abc", "2023 02 29", "2010/05/03", "0001 01 01"})
    EXPECT_EQ(DiaAnterior(t), std::nullopt) << '"' << t << '"';
}

TEST(FechaHoy, EsElDiaDelRelojLocal) {
  // Read the local day on both sides, so a midnight between them cannot fail the test.
  const auto diaLocal = [] {
    const std::time_t ahora = std::time(nullptr);
    std::tm local{};
    localtime_r(&ahora, &local);
    return FechaTexto(year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday);
  };
  const std::string antes = diaLocal();
  const std::string hoy = FechaTexto(FechaHoy());
  const std::string despues = diaLocal();
  EXPECT_TRUE(hoy == antes || hoy == despues) << hoy;
}

}  // namespace
}  // namespace orvo::common
