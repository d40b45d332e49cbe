// The window Huerfanos of Strayfix on the offscreen platform, its boxes
// scripted, over a real main database.
#include "maintenance/huerfanos.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "maintenance/base_de_prueba.h"
#include "platform/forms/scripted_dialogs.h"

namespace orvo::maintenance {
namespace {

using forms::Buttons;
using forms::Icon;
using forms::ScriptedDialogs;
using prueba::BaseDePrueba;
using Filas = std::vector<std::string>;

constexpr const char* kFinalizada = "ReAsignación de chequeos finalizada";

struct Programa : prueba::ProgramaDePrueba<Huerfanos> {
  explicit Programa(const Datos& datos) : ProgramaDePrueba("Strayfix", 2, datos) {}
  void Restaura() { QTest::mouseClick(w.Find("Command5"), Qt::LeftButton); }
};

void EsperaFinal(const Programa& p) {
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EXPECT_EQ(p.boxes.shown[0].text, kFinalizada);
  EXPECT_EQ(p.boxes.shown[0].title, "Orvo");
  EXPECT_EQ(p.boxes.shown[0].icon, Icon::None);
  EXPECT_EQ(p.boxes.shown[0].buttons, Buttons::Ok);
}

TEST(StrayfixTest, ShowsItsTexts) {
  Programa p([](BaseDePrueba&) {});
  EXPECT_TRUE(p.w.isVisible());
  EXPECT_EQ(p.w.windowTitle(), "Restauracion de Chequeos ");
  EXPECT_EQ(p.w.Find<QLabel>("Label1")->text(), "  Restaurar chequeos a Personal ");
  ASSERT_NE(p.w.Find<QPushButton>("Command5"), nullptr);
  QTest::mouseClick(p.w.Find("Command1"), Qt::LeftButton);
  EXPECT_TRUE(p.w.Unloaded());
}

TEST(StrayfixTest, QueuesThePunchesOfRegisteredNumbersByDateThenNumber) {
  Programa p([](BaseDePrueba& b) {
    b.Empleado(std::int64_t{1}, "125");
    b.Empleado(std::int64_t{2}, "300");
    b.Fila("Checadas", "2015 01 01", std::int64_t{7}, "06:00:00");
    for (auto [f, e, h] : {std::tuple{"2015 01 03", 300, "08:00:00"}, {"2015 01 02", 999, "08:00:00"},
                           {"2015 01 02", 300, "07:00:00"}, {"2015 01 02", 125, "09:00:00"},
                           {"2015 01 01", 125, "18:00:00"}, {"2015 01 01", 1, "08:00:00"}})
      b.Fila("Huerfanos", f, std::int64_t{e}, h);
  });
  p.Restaura();
  EsperaFinal(p);
  // 999 is not registered, and 1 is an Id, not a number.
  EXPECT_EQ(p.b.Filas("Huerfanos"), (Filas{"2015 01 02,999,08:00:00", "2015 01 01,1,08:00:00"}));
  EXPECT_EQ(p.b.Filas("Checadas"), (Filas{"2015 01 01,7,06:00:00", "2015 01 01,125,18:00:00",
                                          "2015 01 02,125,09:00:00", "2015 01 02,300,07:00:00",
                                          "2015 01 03,300,08:00:00"}));
  // A second press finds nothing more to move.
  p.Restaura();
  EXPECT_EQ(p.b.Filas("Checadas").size(), 5u);
  EXPECT_EQ(p.b.Filas("Huerfanos").size(), 2u);
}

TEST(StrayfixTest, IdenticalRowsEachMoveOnce) {
  Programa p([](BaseDePrueba& b) {
    b.Empleado(std::int64_t{1}, "125");
    for (int i = 0; i < 3; ++i) b.Fila("Huerfanos", "2015 01 02", std::int64_t{125}, "08:00:00");
  });
  p.Restaura();
  EsperaFinal(p);
  EXPECT_EQ(p.b.Filas("Checadas"), Filas(3, "2015 01 02,125,08:00:00"));
  EXPECT_TRUE(p.b.Filas("Huerfanos").empty());
}

TEST(StrayfixTest, ATableNotNamedExactlyHuerfanosIsLeftAlone) {
  for (const char* nombre : {"HUERFANOS", "huerfanos", ""}) {
    SCOPED_TRACE(nombre);
    Programa p([nombre](BaseDePrueba& b) {
      b.Empleado(std::int64_t{1}, "125");
      b.bases.cn.Execute("DROP TABLE Huerfanos");
      if (*nombre) {
        b.bases.cn.Execute(std::string("CREATE TABLE ") + nombre + " (Fecha VARCHAR(10), Id_Emp INTEGER, Hora VARCHAR(10))");
        b.Fila(nombre, "2015 01 02", std::int64_t{125}, "08:00:00");
      }
    });
    p.Restaura();
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_TRUE(p.b.Filas("Checadas").empty());
    if (*nombre) {
      EXPECT_EQ(p.b.Filas(nombre).size(), 1u);
    }
    EXPECT_TRUE(p.ends.empty());
  }
}

TEST(StrayfixTest, AnEmptyTableOnlySaysItIsDone) {
  Programa p([](BaseDePrueba& b) { b.Empleado(std::int64_t{1}, "125"); });
  p.Restaura();
  EsperaFinal(p);
  EXPECT_TRUE(p.b.Filas("Checadas").empty());
}

TEST(StrayfixTest, APunchWithoutNumberStaysAndNullPartsMoveAsTheyAre) {
  Programa p([](BaseDePrueba& b) {
    b.Empleado(std::int64_t{1}, "125");
    b.Empleado(std::int64_t{2}, "");  // an empty number must not match a Null one
    b.bases.cn.Execute("INSERT INTO Huerfanos VALUES (?,?,?)", {std::string("2015 01 02"), db::Value{}, std::string("08:00:00")});
    b.bases.cn.Execute("INSERT INTO Huerfanos VALUES (?,?,?)", {db::Value{}, std::int64_t{125}, db::Value{}});
  });
  p.Restaura();
  EsperaFinal(p);
  EXPECT_EQ(p.b.Filas("Huerfanos"), (Filas{"2015 01 02,<null>,08:00:00"}));
  EXPECT_EQ(p.b.Filas("Checadas"), (Filas{"<null>,125,<null>"}));
}

TEST(StrayfixTest, ManyPunchesMoveInOrderAcrossPieces) {
  // More rows than one piece holds, half of them of an unregistered number,
  // so that pieces begin after rows that stay.
  constexpr int kFilas = 2600;
  Programa p([](BaseDePrueba& b) {
    b.Empleado(std::int64_t{1}, "125");
    auto t = b.bases.cn.Begin();
    for (int i = kFilas - 1; i >= 0; --i) {
      char hora[16];
      std::snprintf(hora, sizeof hora, "%02d:%02d:%02d", i / 3600, i / 60 % 60, i % 60);
      b.Fila("Huerfanos", "2015 01 " + std::string(i % 2 ? "02" : "01"), std::int64_t{i % 4 < 2 ? 125 : 999}, hora);
    }
    t.Commit();
  });
  p.Restaura();
  EsperaFinal(p);
  const Filas cola = p.b.Filas("Checadas");
  ASSERT_EQ(cola.size(), static_cast<std::size_t>(kFilas / 2));
  // Date, then number, order; within that the stored order (here, time descending).
  for (std::size_t i = 1; i < cola.size(); ++i) ASSERT_LE(cola[i - 1].substr(0, 14), cola[i].substr(0, 14)) << i;
  EXPECT_EQ(cola.front().substr(0, 14), "2015 01 01,125");
  EXPECT_EQ(cola.back().substr(0, 14), "2015 01 02,125");
  const Filas quedan = p.b.Filas("Huerfanos");
  ASSERT_EQ(quedan.size(), static_cast<std::size_t>(kFilas / 2));
  for (const auto& f : quedan) ASSERT_EQ(f.substr(11, 3), "999") << f;
}

}  // namespace
}  // namespace orvo::maintenance
