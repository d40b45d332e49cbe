#include "classify/ventanas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "classify/numero_error.h"
#include "platform/error.h"

namespace orvo::classify {
namespace {

using R = Ranura;
using Par = std::pair<int, int>;

Turno Hace(std::string e1, std::string s1, std::string e2, std::string s2, std::string cambio,
           std::vector<std::string> tol) {
  Turno t{std::move(e1), std::move(s1), std::move(e2), std::move(s2), "0", std::move(cambio),
          tol[0],        tol[1],        tol[2],        tol[3],        tol[4], tol[5]};
  return t;
}

// The worked shift: 08:00-13:00 and 15:00-19:00, tolerances 30/10/15 and 20/5/15.
Turno Ejemplo(std::string cambio = "0") {
  return Hace("08:00", "13:00", "15:00", "19:00", std::move(cambio), {"30", "10", "15", "20", "5", "15"});
}

std::vector<Par> Windows(const Ventanas& v, int n) {
  std::vector<Par> out;
  for (int k = 1; k <= n; ++k) out.emplace_back(v.Lim_Inferior[k], v.Lim_Superior[k]);
  return out;
}

struct Punch {
  const char* hora;
  Ranura esperada;
};

// ---------------------------------------------------------------------------
// First punch of a same-day shift.

TEST(PrimeraTest, WorkedExampleWindows) {
  Ventanas v;
  v.Primera(Ejemplo(), "08:05:00");
  EXPECT_EQ(Windows(v, 4), (std::vector<Par>{{450, 490}, {491, 764}, {880, 905}, {906, 1124}}));
}

TEST(PrimeraTest, WorkedExampleSlotsAndBounds) {
  for (const Punch& c : {
           Punch{"08:05:00", R::Entrada1},      Punch{"08:31:00", R::Entrada1Tarde},
           Punch{"13:02:00", R::Salida1},       Punch{"14:50:00", R::Entrada2},
           Punch{"18:50:00", R::Salida2},       Punch{"07:00:00", R::Adicional},
           Punch{"07:30:00", R::Entrada1},      Punch{"07:29:59", R::Adicional},
           Punch{"08:10:59", R::Entrada1},      Punch{"08:11:00", R::Entrada1Tarde},
           Punch{"12:44:00", R::Entrada1Tarde}, Punch{"12:45:00", R::Salida1},
           Punch{"14:39:00", R::Salida1},       Punch{"14:40:00", R::Entrada2},
           Punch{"15:06:00", R::Entrada2Tarde}, Punch{"18:44:59", R::Entrada2Tarde},
           Punch{"18:45:00", R::Salida2},       Punch{"23:59:59", R::Salida2},
           Punch{"00:00:00", R::Adicional},
       }) {
    Ventanas v;
    EXPECT_EQ(v.Primera(Ejemplo(), c.hora), c.esperada) << c.hora;
  }
}

TEST(PrimeraTest, OverlappingWindowsTheHigherIndexWins) {
  // A short break with a wide early tolerance: window 3 starts inside window 2.
  const Turno t = Hace("08:00", "12:00", "12:30", "16:00", "0", {"10", "10", "0", "60", "10", "0"});
  Ventanas v;
  EXPECT_EQ(v.Primera(t, "11:40:00"), R::Entrada2);
  EXPECT_EQ(Windows(v, 4), (std::vector<Par>{{470, 490}, {491, 719}, {690, 760}, {761, 959}}));
  EXPECT_EQ(v.Primera(t, "11:29:00"), R::Entrada1Tarde);
}

TEST(PrimeraTest, ShapesOfTheShift) {
  struct Caso {
    const char* nombre;
    Turno turno;
    std::vector<Punch> punches;
  };
  const std::vector<Caso> casos = {
      {"no first segment: windows 1 and 2 stay unset",
       Hace("00:00", "x", "15:00", "19:00", "0", {"x", "x", "x", "20", "5", "15"}),
       {{"10:00:00", R::Salida1}, {"14:50:00", R::Entrada2}, {"16:00:00", R::Entrada2Tarde}, {"19:30:00", R::Salida2}}},
      {"no segment at all: every first punch is the first exit",
       Hace("00:00", "x", "00:00", "x", "0", {"x", "x", "x", "x", "x", "x"}),
       {{"00:00:00", R::Salida1}, {"12:00:00", R::Salida1}, {"23:59:00", R::Salida1}}},
      {"one segment",
       Hace("08:00", "17:00", "00:00", "x", "0", {"10", "10", "10", "x", "x", "x"}),
       {{"07:00:00", R::Adicional}, {"07:50:00", R::Entrada1}, {"16:49:00", R::Entrada1Tarde}, {"16:50:00", R::Salida1},
        {"23:59:00", R::Salida1}}},
      {"crosses midnight after the first entry: the late window runs to 23:59",
       Hace("22:00", "x", "x", "x", "1", {"10", "10", "x", "x", "x", "x"}),
       {{"21:00:00", R::Adicional}, {"21:50:00", R::Entrada1}, {"22:11:00", R::Entrada1Tarde},
        {"23:59:59", R::Entrada1Tarde}, {"06:00:00", R::Adicional}}},
      {"crosses midnight after the first entry, no first entry",
       Hace("00:00", "x", "x", "x", "1", {"x", "x", "x", "x", "x", "x"}),
       {{"00:00:00", R::Adicional}, {"12:00:00", R::Adicional}}},
      {"crosses midnight after the second entry: no exit fall-back",
       Hace("14:00", "18:00", "19:00", "01:00", "2", {"10", "10", "10", "10", "10", "x"}),
       {{"13:55:00", R::Entrada1}, {"17:49:00", R::Entrada1Tarde}, {"18:30:00", R::Adicional},
        {"18:55:00", R::Entrada2}, {"23:00:00", R::Entrada2Tarde}, {"15:00:00", R::Entrada1Tarde},
        {"03:00:00", R::Adicional}}},
      {"crosses midnight after the second entry, entry at midnight still sets windows",
       Hace("00:00", "04:00", "05:00", "09:00", "2", {"10", "10", "10", "10", "10", "x"}),
       {{"00:05:00", R::Entrada1}, {"00:11:00", R::Entrada1Tarde}}},
  };
  for (const Caso& c : casos) {
    for (const Punch& p : c.punches) {
      Ventanas v;
      EXPECT_EQ(v.Primera(c.turno, p.hora), p.esperada) << c.nombre << " at " << p.hora;
    }
  }
}

TEST(PrimeraTest, MidnightWindowsOfTheSecondRollOver) {
  Ventanas v;
  v.Primera(Hace("00:00", "04:00", "05:00", "09:00", "2", {"10", "10", "10", "10", "10", "x"}), "00:05:00");
  EXPECT_EQ(Windows(v, 4), (std::vector<Par>{{-10, 10}, {11, 229}, {290, 310}, {311, 1439}}));
}

TEST(PrimeraTest, UnknownRollOverCodeWritesNothing) {
  for (const char* codigo : {"", "3", " 0", "00"}) {
    Ventanas v;
    EXPECT_EQ(v.Primera(Ejemplo(codigo), "08:05:00"), R::Nada) << codigo;
    EXPECT_EQ(Windows(v, 4), (std::vector<Par>(4, {-1, -1})));
  }
}

TEST(PrimeraTest, BadShiftDataFails) {
  Turno unaCifra = Ejemplo();
  unaCifra.Entrada1 = "8:05";
  Turno sinTolerancia = Ejemplo();
  sinTolerancia.TolDE2 = "";
  Ventanas v;
  EXPECT_EQ(Numero([&] { v.Primera(unaCifra, "08:05:00"); }), 13);
  EXPECT_EQ(Numero([&] { v.Primera(sinTolerancia, "08:05:00"); }), 13);
  EXPECT_EQ(Numero([&] { v.Primera(Ejemplo(), ""); }), 13);
}

// ---------------------------------------------------------------------------
// Later punches.

const Registro kVacio{"-", "-", "-"};

TEST(DemasTest, WorkedExampleWindows) {
  Ventanas v;
  v.Lim_Inferior[5] = v.Lim_Inferior[6] = 77;
  v.Demas(Ejemplo(), "13:01:00", kVacio);
  EXPECT_EQ(Windows(v, 6), (std::vector<Par>{{765, 879}, {880, 905}, {906, 1124}, {1125, 1439}, {-1, -1}, {-1, -1}}));
}

TEST(DemasTest, SlotsColumnsAndFallBackToExtra) {
  struct Caso {
    const char* hora;
    Registro registro;
    Ranura esperada;
  };
  for (const Caso& c : {
           Caso{"13:01:00", kVacio, R::Salida1},
           Caso{"15:12:00", {"13:01:00", "-", "-"}, R::Entrada2Tarde},
           Caso{"19:03:00", {"13:01:00", "15:12:00", "-"}, R::Salida2},
           Caso{"19:10:00", {"13:01:00", "15:12:00", "19:03:00"}, R::Adicional},
           Caso{"10:00:00", kVacio, R::Adicional},  // in no window
           Caso{"08:05:00", kVacio, R::Adicional},  // a repeated first entry
           Caso{"13:05:00", {"13:01:00", "-", "-"}, R::Adicional},  // first exit kept
           Caso{"14:39:00", kVacio, R::Salida1},
           Caso{"14:40:00", kVacio, R::Entrada2},
           Caso{"12:44:00", kVacio, R::Adicional},
           Caso{"23:59:00", kVacio, R::Salida2},
           Caso{"14:50:00", {"-", "", "-"}, R::Adicional},  // empty text counts as punched
       }) {
    Ventanas v;
    EXPECT_EQ(v.Demas(Ejemplo(), c.hora, c.registro), c.esperada) << c.hora;
  }
}

TEST(DemasTest, ShapesOfTheShift) {
  const Turno unSegmento = Hace("08:00", "17:00", "00:00", "x", "0", {"x", "x", "10", "x", "x", "x"});
  const Turno cruzaEnSegunda = Hace("14:00", "18:00", "19:00", "01:00", "2", {"x", "x", "10", "10", "10", "x"});
  struct Caso {
    const char* nombre;
    Turno turno;
    const char* hora;
    Registro registro;
    Ranura esperada;
  };
  for (const Caso& c : {
           Caso{"one segment", unSegmento, "16:50:00", kVacio, R::Salida1},
           Caso{"one segment", unSegmento, "23:59:00", kVacio, R::Salida1},
           Caso{"one segment", unSegmento, "16:49:00", kVacio, R::Adicional},
           Caso{"second roll-over", cruzaEnSegunda, "17:50:00", kVacio, R::Salida1},
           Caso{"second roll-over", cruzaEnSegunda, "18:49:00", kVacio, R::Salida1},
           Caso{"second roll-over", cruzaEnSegunda, "18:50:00", kVacio, R::Entrada2},
           Caso{"second roll-over", cruzaEnSegunda, "23:30:00", kVacio, R::Entrada2Tarde},
           Caso{"second roll-over", cruzaEnSegunda, "23:30:00", {"-", "19:00:00", "-"}, R::Adicional},
           Caso{"first roll-over", Ejemplo("1"), "13:01:00", kVacio, R::Adicional},
           Caso{"first roll-over", Ejemplo("1"), "23:00:00", kVacio, R::Adicional},
           Caso{"unknown code", Ejemplo("3"), "13:01:00", kVacio, R::Nada},
           Caso{"empty code", Ejemplo(""), "13:01:00", kVacio, R::Nada},
       }) {
    Ventanas v;
    EXPECT_EQ(v.Demas(c.turno, c.hora, c.registro), c.esperada) << c.nombre << " at " << c.hora;
  }
}

// ---------------------------------------------------------------------------
// First punch after a shift that crossed midnight after its first entry.

Celda C(const char* texto) { return Celda{true, std::string(texto)}; }

// Yesterday 22:00-02:00 and 03:00-07:00, tolerances 10.
Ayer AyerDos() { return Ayer{C("02:00"), C("03:00"), C("07:00"), C("10"), C("10"), C("10"), C("10")}; }
// Yesterday 22:00-06:00, one segment: its second-segment columns are never read.
Ayer AyerUno() {
  return Ayer{C("06:00"), C("00:00"), C(""), C("10"), Celda{true, std::nullopt}, C("x"), C("x")};
}

const Turno kHoyDos = Hace("09:00", "13:00", "15:00", "19:00", "0", {"10", "10", "10", "10", "10", "10"});
const Turno kHoyUno = Hace("09:00", "13:00", "00:00", "x", "0", {"10", "10", "10", "x", "x", "x"});
const Turno kHoyCruza1 = Hace("09:00", "x", "15:00", "x", "1", {"10", "10", "x", "x", "x", "x"});
const Turno kHoyCruza2 = Hace("09:00", "13:00", "20:00", "x", "2", {"10", "10", "10", "10", "10", "x"});

TEST(PrimeraRollTest, WorkedExample) {
  Ventanas v;
  v.Primera_Roll(kHoyDos, AyerDos(), "02:05:30");
  EXPECT_EQ(Windows(v, 8), (std::vector<Par>{{110, 169}, {170, 190}, {191, 409}, {410, 529}, {530, 550}, {551, 769},
                                             {890, 910}, {911, 1129}}));
  for (const Punch& c : {
           Punch{"02:05:30", R::Salida1Ayer},   Punch{"03:30:00", R::Entrada2AyerTarde},
           Punch{"06:55:00", R::Salida2Ayer},   Punch{"08:55:00", R::Entrada1},
           Punch{"11:00:00", R::Entrada1Tarde}, Punch{"13:00:00", R::Adicional},
           Punch{"19:00:00", R::Adicional},     Punch{"01:00:00", R::Adicional},
           Punch{"02:50:00", R::Entrada2Ayer},  Punch{"01:50:00", R::Salida1Ayer},
           Punch{"15:10:00", R::Entrada2},      Punch{"18:49:00", R::Entrada2Tarde},
       }) {
    Ventanas w;
    EXPECT_EQ(w.Primera_Roll(kHoyDos, AyerDos(), c.hora), c.esperada) << c.hora;
  }
}

TEST(PrimeraRollTest, EveryBlock) {
  const Par s1a2{110, 169}, e2a{170, 190}, e2at{191, 409}, s2a{410, 529};
  const Par e1{530, 550}, e1t{551, 769}, e2{890, 910}, e2t{911, 1129};
  struct Caso {
    int bloque;
    Turno hoy;
    Ayer ayer;
    std::vector<Par> ventanas;
    std::vector<Ranura> ranuras;
  };
  const std::vector<Caso> casos = {
      {1, kHoyDos, AyerDos(), {s1a2, e2a, e2at, s2a, e1, e1t, e2, e2t},
       {R::Salida1Ayer, R::Entrada2Ayer, R::Entrada2AyerTarde, R::Salida2Ayer, R::Entrada1, R::Entrada1Tarde,
        R::Entrada2, R::Entrada2Tarde}},
      {2, kHoyDos, AyerUno(), {{350, 529}, e1, e1t, e2, e2t},
       {R::Salida1Ayer, R::Entrada1, R::Entrada1Tarde, R::Entrada2, R::Entrada2Tarde}},
      {3, kHoyUno, AyerDos(), {s1a2, e2a, e2at, s2a, e1, e1t},
       {R::Salida1Ayer, R::Entrada2Ayer, R::Entrada2AyerTarde, R::Salida2Ayer, R::Entrada1, R::Entrada1Tarde}},
      {4, kHoyUno, AyerUno(), {{350, 529}, e1, e1t}, {R::Salida1Ayer, R::Entrada1, R::Entrada1Tarde}},
      {5, kHoyCruza1, AyerDos(), {s1a2, e2a, e2at, s2a, e1, {551, 1439}},
       {R::Salida1Ayer, R::Entrada2Ayer, R::Entrada2AyerTarde, R::Salida2Ayer, R::Entrada1, R::Entrada1Tarde}},
      {6, kHoyCruza1, AyerUno(), {{350, 529}, e1, {551, 1439}}, {R::Salida1Ayer, R::Entrada1, R::Entrada1Tarde}},
      {7, kHoyCruza2, AyerDos(), {s1a2, e2a, e2at, s2a, e1, e1t, {1190, 1210}, {1211, 1439}},
       {R::Salida1Ayer, R::Entrada2Ayer, R::Entrada2AyerTarde, R::Salida2Ayer, R::Entrada1, R::Entrada1Tarde,
        R::Entrada2, R::Entrada2Tarde}},
      {8, kHoyCruza2, AyerUno(), {{350, 529}, e1, e1t, {1190, 1210}, {1211, 1439}},
       {R::Salida1Ayer, R::Entrada1, R::Entrada1Tarde, R::Entrada2, R::Entrada2Tarde}},
      {9, Turno::SinTurno(), AyerDos(), {s1a2, e2a, e2at, {410, 1439}},
       {R::Salida1Ayer, R::Entrada2Ayer, R::Entrada2AyerTarde, R::Salida2Ayer}},
      {10, Turno::SinTurno(), AyerUno(), {{350, 1439}}, {R::Salida1Ayer}},
  };
  for (const Caso& c : casos) {
    const int n = static_cast<int>(c.ventanas.size());
    Ventanas v;
    v.Primera_Roll(c.hoy, c.ayer, "00:00:00");
    std::vector<Par> esperadas = c.ventanas;
    esperadas.resize(7, {-1, -1});
    EXPECT_EQ(Windows(v, 7), esperadas) << "block " << c.bloque;
    // Each window's own first and last minute give its slot.
    for (int k = 0; k < n; ++k) {
      for (int minuto : {c.ventanas[k].first, c.ventanas[k].second}) {
        char hora[32];
        std::snprintf(hora, sizeof hora, "%02d:%02d:00", minuto / 60, minuto % 60);
        Ventanas w;
        EXPECT_EQ(w.Primera_Roll(c.hoy, c.ayer, hora), c.ranuras[k]) << "block " << c.bloque << " at " << hora;
      }
    }
  }
}

TEST(PrimeraRollTest, NothingOrFailure) {
  Ventanas v;
  EXPECT_EQ(v.Primera_Roll(Hace("09:00", "x", "x", "x", "3", {"x", "x", "x", "x", "x", "x"}), AyerDos(), "02:05:00"),
            R::Nada);
  EXPECT_EQ(Windows(v, 7), (std::vector<Par>(7, {-1, -1})));

  Ayer sinValor = AyerDos();
  sinValor.HE2 = Celda{true, std::nullopt};  // neither "00:00" nor anything else
  EXPECT_EQ(v.Primera_Roll(kHoyDos, sinValor, "02:05:00"), R::Nada);
  EXPECT_EQ(v.Primera_Roll(Turno::SinTurno(), sinValor, "02:05:00"), R::Nada);

  Ayer sinTolerancias = AyerDos();
  sinTolerancias.TAS1 = sinTolerancias.TAE2 = sinTolerancias.TDE2 = sinTolerancias.TAS2 = Celda::SinFila();
  EXPECT_EQ(Numero([&] { v.Primera_Roll(kHoyDos, sinTolerancias, "02:05:00"); }), 3021);
  // Without a block nothing is read, so the missing row does not matter.
  EXPECT_EQ(v.Primera_Roll(Hace("09:00", "x", "x", "x", "3", {"x", "x", "x", "x", "x", "x"}), sinTolerancias,
                           "02:05:00"),
            R::Nada);

  Ayer nula = AyerDos();
  nula.HS1 = Celda{true, std::nullopt};
  EXPECT_EQ(Numero([&] { v.Primera_Roll(kHoyDos, nula, "02:05:00"); }), 94);
  Ayer vacia = AyerDos();
  vacia.HS1 = C("");
  EXPECT_EQ(Numero([&] { v.Primera_Roll(kHoyDos, vacia, "02:05:00"); }), 13);
}

// ---------------------------------------------------------------------------
// First punch after a shift that crossed midnight after its second entry.

Ayer AyerSalida(const char* hs2, const char* tas2) {
  return Ayer{C("x"), C("x"), C(hs2), C("x"), C("x"), C("x"), C(tas2)};
}

TEST(PrimeraRoll2Test, WorkedExample) {
  const Turno hoy = Hace("08:00", "14:00", "00:00", "x", "0", {"15", "10", "0", "x", "x", "x"});
  Ventanas v;
  v.Primera_Roll2(hoy, AyerSalida("06:00", "30"), "07:00:10");
  EXPECT_EQ(Windows(v, 7),
            (std::vector<Par>{{330, 464}, {465, 490}, {491, 839}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}}));
  for (const Punch& c : {Punch{"07:00:10", R::Salida2Ayer}, Punch{"08:05:00", R::Entrada1},
                         Punch{"08:11:00", R::Entrada1Tarde}, Punch{"05:29:59", R::Adicional},
                         Punch{"14:00:00", R::Adicional}, Punch{"05:30:00", R::Salida2Ayer}}) {
    Ventanas w;
    EXPECT_EQ(w.Primera_Roll2(hoy, AyerSalida("06:00", "30"), c.hora), c.esperada) << c.hora;
  }
}

TEST(PrimeraRoll2Test, EveryBlock) {
  const Ayer ayer = AyerSalida("02:00", "0");
  struct Caso {
    const char* nombre;
    Turno hoy;
    std::vector<Par> ventanas;
    std::vector<Punch> punches;
  };
  const std::vector<Caso> casos = {
      {"1: two segments within the day",
       Hace("06:00", "10:00", "14:00", "18:00", "0", {"0", "5", "0", "0", "10", "0"}),
       {{120, 359}, {360, 365}, {366, 599}, {840, 850}, {851, 1079}},
       {{"10:30:00", R::Adicional}, {"17:59:00", R::Entrada2Tarde}, {"18:00:00", R::Adicional}}},
      {"2: one segment", Hace("06:00", "10:00", "00:00", "x", "0", {"0", "5", "0", "x", "x", "x"}),
       {{120, 359}, {360, 365}, {366, 599}},
       {{"01:59:00", R::Adicional}, {"02:00:00", R::Salida2Ayer}, {"10:00:00", R::Adicional}}},
      {"3: today crosses after its first entry", Hace("06:00", "x", "x", "x", "1", {"0", "5", "x", "x", "x", "x"}),
       {{120, 359}, {360, 365}, {366, 1439}},
       {{"23:59:00", R::Entrada1Tarde}, {"06:06:00", R::Entrada1Tarde}}},
      {"4: today crosses after its second entry",
       Hace("06:00", "10:00", "14:00", "x", "2", {"0", "5", "0", "0", "10", "x"}),
       {{120, 359}, {360, 365}, {366, 599}, {840, 850}, {851, 1439}},
       {{"14:08:00", R::Entrada2}, {"14:11:00", R::Entrada2Tarde}, {"23:59:00", R::Entrada2Tarde},
        {"12:00:00", R::Adicional}}},
      {"5: no shift today", Turno::SinTurno(), {{120, 1439}},
       {{"23:59:00", R::Salida2Ayer}, {"01:00:00", R::Adicional}}},
      {"5: a first entry at midnight counts as no shift",
       Hace("00:00", "x", "x", "x", "x", {"x", "x", "x", "x", "x", "x"}), {{120, 1439}},
       {{"12:00:00", R::Salida2Ayer}}},
  };
  for (const Caso& c : casos) {
    Ventanas v;
    v.Primera_Roll2(c.hoy, ayer, "03:00:00");
    std::vector<Par> esperadas = c.ventanas;
    esperadas.resize(7, {-1, -1});
    EXPECT_EQ(Windows(v, 7), esperadas) << c.nombre;
    for (const Punch& p : c.punches) {
      Ventanas w;
      EXPECT_EQ(w.Primera_Roll2(c.hoy, ayer, p.hora), p.esperada) << c.nombre << " at " << p.hora;
    }
  }
}

TEST(PrimeraRoll2Test, OverlapNothingAndFailure) {
  // Window 3 reaches into window 4 when the second entry's early tolerance is wide.
  const Turno hoy = Hace("08:00", "12:00", "12:30", "16:00", "0", {"10", "10", "0", "60", "10", "0"});
  Ventanas v;
  EXPECT_EQ(v.Primera_Roll2(hoy, AyerSalida("02:00", "0"), "11:45:00"), R::Entrada2);
  EXPECT_EQ(v.Primera_Roll2(hoy, AyerSalida("02:00", "0"), "11:29:00"), R::Entrada1Tarde);

  for (const char* codigo : {"3", ""}) {
    Ventanas w;
    EXPECT_EQ(w.Primera_Roll2(Ejemplo(codigo), Ayer{}, "08:00:00"), R::Nada) << codigo;
    EXPECT_EQ(Windows(w, 7), (std::vector<Par>(7, {-1, -1})));
  }
  Ayer sinTolerancia = AyerSalida("06:00", "30");
  sinTolerancia.TAS2 = Celda::SinFila();
  EXPECT_EQ(Numero([&] { v.Primera_Roll2(Ejemplo(), sinTolerancia, "07:00:00"); }), 3021);
  EXPECT_EQ(Numero([&] { v.Primera_Roll2(Ejemplo(), AyerSalida("6:00", "30"), "07:00:00"); }), 13);
}

TEST(EtiquetaTest, LabelsKeepTheirLeadingBlank) {
  EXPECT_EQ(Etiqueta(R::Entrada1Tarde), " ENTRADA 1 TARDE");
  EXPECT_EQ(Etiqueta(R::Salida2Ayer), " SALIDA 2 AYER");
  EXPECT_EQ(Etiqueta(R::Entrada2AyerTarde), " ENTRADA 2 AYER TARDE");
  EXPECT_EQ(Etiqueta(R::Adicional), " CHECADA ADICIONAL");
  EXPECT_EQ(Etiqueta(R::Nada), "");
}

}  // namespace
}  // namespace orvo::classify
