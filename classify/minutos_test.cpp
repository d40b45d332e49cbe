#include "classify/minutos.h"

#include <gtest/gtest.h>

#include "classify/numero_error.h"
#include "platform/error.h"

namespace orvo::classify {
namespace {

TEST(MinutoTest, MinuteOfTheDay) {
  struct Caso {
    const char* texto;
    int minuto;
  };
  for (const Caso& c : {Caso{"00:00", 0}, Caso{"23:59", 1439}, Caso{"07:59:59", 479}, Caso{"07:59:00", 479},
                        Caso{"08:05", 485}, Caso{" 8:05", 485}, Caso{"13:00", 780}}) {
    EXPECT_EQ(Minuto(c.texto), c.minuto) << c.texto;
  }
}

TEST(MinutoTest, TextsThatAreNoNumberFail) {
  for (const char* texto : {"8:05", "", "ab:cd", "08", "08:x5"}) {
    EXPECT_EQ(Numero([&] { Minuto(texto); }), 13) << texto;
  }
}

TEST(EnteroCortoTest, TolerancesConvertOrFail) {
  EXPECT_EQ(EnteroCorto("10"), 10);
  EXPECT_EQ(EnteroCorto(" 5 "), 5);
  EXPECT_EQ(EnteroCorto("-3"), -3);
  EXPECT_EQ(EnteroCorto("0"), 0);
  EXPECT_EQ(EnteroCorto("32767"), 32767);
  for (const char* texto : {"", " ", "1.5", "x", "1 0", "-"}) {
    EXPECT_EQ(Numero([&] { EnteroCorto(texto); }), 13) << texto;
  }
  EXPECT_EQ(Numero([] { EnteroCorto("32768"); }), 6);
  EXPECT_EQ(Numero([] { EnteroCorto("9999999999"); }), 6);
}

TEST(SumaTest, BoundsAreKeptUnclampedButNeverLeave16Bits) {
  EXPECT_EQ(Resta(Minuto("00:10"), EnteroCorto("30")), -20);
  EXPECT_EQ(Suma(Minuto("23:50"), EnteroCorto("30")), 1460);
  EXPECT_EQ(Numero([] { Suma(32767, 1); }), 6);
  EXPECT_EQ(Numero([] { Resta(-32768, 1); }), 6);
}

TEST(SacaDiferenciaTest, WorkedExamples) {
  struct Caso {
    const char* hora;
    const char* original;
    const char* acumulado;
    const char* resultado;
  };
  for (const Caso& c : {
           Caso{"08:17:40", "08:00", "00:00", "00:17"},
           Caso{"15:09:05", "15:00", "00:17", "00:26"},  // 9 min 5 s plus 17 minutes
           Caso{"23:40:00", "08:00", "09:00", "00:40"},  // wraps past 24 hours
           Caso{"08:00:59", "08:00", "00:00", "00:00"},  // seconds dropped, not rounded
           Caso{"08:00:00", "08:00", "00:00", "00:00"},
           Caso{"08:15:00", "08:00", "00:00", "00:15"},  // counted from the entry, not its tolerance
           Caso{"15:12:00", "15:00", "00:31", "00:43"},
           Caso{"08:30:30", "08:00", "00:29:45", "01:00"},  // seconds of both add up before dropping
           Caso{"07:50:00", "08:00", "00:20", "00:20"},  // early: adds nothing
       }) {
    EXPECT_EQ(Saca_Diferencia(c.hora, c.original, c.acumulado), c.resultado)
        << c.hora << " " << c.original << " " << c.acumulado;
  }
}

TEST(SacaDiferenciaTest, TextsThatNameNoTimeFail) {
  EXPECT_EQ(Numero([] { Saca_Diferencia("08:17:40", "08:00", ""); }), 13);
  EXPECT_EQ(Numero([] { Saca_Diferencia("08:17:40", "25:00", "00:00"); }), 13);
  EXPECT_EQ(Numero([] { Saca_Diferencia("", "08:00", "00:00"); }), 13);
  EXPECT_EQ(Numero([] { Saca_Diferencia("99:99:99", "08:00", "00:00"); }), 13);
}

TEST(TextoTest, NullFails) {
  EXPECT_EQ(Texto(std::optional<std::string>("x")), "x");
  EXPECT_EQ(Numero([] { Texto(std::nullopt); }), 94);
}

}  // namespace
}  // namespace orvo::classify
