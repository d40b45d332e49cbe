// The window diVovavavAdicionales on the offscreen platform, its boxes
// scripted, over a real main database.
#include "maintenance/divovavav_adicionales.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

constexpr const char* kTerminado = "Ahora puede procesar nuevamente estas checadas en CHECADAS - PROCESAR CHECADAS";
constexpr const char* kSinInformacion = "No hay información para divovavavr";

// The employees: numbers 125 and 300 with ids 1 and 2, and number 42 whose id
// is 125, so that a mix-up of id and number shows.
void Empleados(BaseDePrueba& b) {
  b.Empleado(std::int64_t{1}, "125", std::int64_t{0}, "Ana", "Ruiz", "López");
  b.Empleado(std::int64_t{2}, "300", std::int64_t{0}, "Luis", std::nullopt, "Gómez");
  b.Empleado(std::int64_t{125}, "42");
}

// Five days of archive, queue, results and set-aside punches.
void Historia(BaseDePrueba& b) {
  Empleados(b);
  // The archive, not in date order.
  for (auto [f, e, h] : {std::tuple{"2015 01 03", 125, "17:00:00"}, {"2015 01 01", 125, "08:00:00"},
                         {"2015 01 03", 300, "07:30:00"}, {"2015 01 02", 125, "08:05:00"},
                         {"2015 01 04", 300, "08:00:00"}, {"2015 01 05", 125, "08:00:00"},
                         {"2015 01 03", 125, "08:01:00"}, {"2015 01 02", 300, "08:10:00"},
                         {"2015 01 03", 42, "08:00:00"}})
    b.Fila("Listado1", f, std::int64_t{e}, h);
  for (auto [f, e, h] : {std::tuple{"2015 01 01", 125, "08:00:00"}, {"2015 01 03", 125, "09:00:00"},
                         {"2015 01 04", 300, "09:00:00"}, {"2015 01 05", 300, "09:00:00"}})
    b.Fila("Checadas", f, std::int64_t{e}, h);
  for (const char* dia : {"01", "02", "03", "04", "05"}) {
    const std::string fecha = std::string("2015 01 ") + dia;
    for (std::int64_t id : {1, 2, 125}) {
      b.Fila("Chequeo", fecha, id, "08:00:00");
      b.Fila("ChequeoF", fecha, id, "08:01:00");
      b.Fila("ChequeoExtra", fecha, id, "12:00:00");
    }
    for (std::int64_t numero : {1, 125, 300}) b.Fila("Huerfanos", fecha, numero, "07:00:00");
  }
}

std::string FechaDe(const std::string& fila) { return fila.substr(0, 10); }
std::int64_t ClaveDe(const std::string& fila) { return std::stoll(fila.substr(11, fila.find(',', 11) - 11)); }

// `filas` without those of the range 2015 01 02 .. 2015 01 04 that `quita` picks.
Filas Sin(const Filas& filas, const std::function<bool(std::int64_t)>& quita = [](std::int64_t) { return true; }) {
  Filas quedan;
  for (const auto& f : filas)
    if (!(FechaDe(f) >= "2015 01 02" && FechaDe(f) <= "2015 01 04" && quita(ClaveDe(f)))) quedan.push_back(f);
  return quedan;
}

Filas Mas(Filas a, const Filas& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Programa : prueba::ProgramaDePrueba<diVovavavAdicionales> {
  explicit Programa(const Datos& datos = Historia) : ProgramaDePrueba("diVovavav", 3, datos) {}
  template <class W = QWidget>
  W* Control(const char* nombre) {
    return w.Find<W>(nombre);
  }
  void Fechas(QDate desde, QDate hasta) {
    Control<QDateEdit>("DTP1")->setDate(desde);
    Control<QDateEdit>("DTP2")->setDate(hasta);
  }
  void Rango() { Fechas(QDate(2015, 1, 2), QDate(2015, 1, 4)); }
  void Click(const char* nombre) { QTest::mouseClick(Control(nombre), Qt::LeftButton); }
  // One employee, typed into cmb1.
  void Uno(const QString& numero, bool eliminar = false) {
    Click("Opt2");
    auto* cmb1 = Control<QComboBox>("cmb1");
    cmb1->lineEdit()->clear();
    QTest::keyClicks(cmb1->lineEdit(), numero);
    if (eliminar) Click("chk1");
  }
  const ScriptedDialogs::Shown& Caja() { return boxes.shown.back(); }
};

void EsperaCaja(const ScriptedDialogs::Shown& caja, const std::string& texto, Icon icono, const std::string& titulo) {
  EXPECT_EQ(caja.kind, ScriptedDialogs::Shown::Message);
  EXPECT_EQ(caja.text, texto);
  EXPECT_EQ(caja.icon, icono);
  EXPECT_EQ(caja.title, titulo);
  EXPECT_EQ(caja.buttons, Buttons::Ok);
}

TEST(DiVovavavTest, OpensWithTodayEveryEmployeeAndItsTexts) {
  Programa p;
  EXPECT_TRUE(p.w.isVisible());
  EXPECT_EQ(p.w.windowTitle(), "Re Procesamiento de Checadas");
  EXPECT_EQ(p.Control<QLabel>("Label1")->text(), "  DiVovavavmiento de Checadas ");
  EXPECT_EQ(p.Control<QGroupBox>("Frame1")->title(), "1. Seleccionar rango de fechas");
  EXPECT_EQ(p.Control<QGroupBox>("Frame2")->title(), "2. Seleccione a quien desea regenerar asistencia");
  EXPECT_EQ(p.Control<QRadioButton>("Opt1")->text(), "Todos los empleados");
  EXPECT_EQ(p.Control<QRadioButton>("Opt2")->text(), "Solo un Empleado");
  EXPECT_EQ(p.Control<QCheckBox>("chk1")->text(), "Eliminar no Procesadas");
  EXPECT_EQ(p.Control<QLabel>("espere")->text(), " Espere por favor ...");
  EXPECT_FALSE(p.Control("espere")->isVisible());
  ASSERT_NE(p.Control<QPushButton>("Command5"), nullptr);
  ASSERT_NE(p.Control<QPushButton>("Command1"), nullptr);
  for (const char* dtp : {"DTP1", "DTP2"}) {
    auto* d = p.Control<QDateEdit>(dtp);
    EXPECT_EQ(d->date(), QDate::currentDate()) << dtp;
    EXPECT_EQ(d->displayFormat(), "dd/MM/yyyy") << dtp;
    EXPECT_TRUE(d->calendarPopup()) << dtp;
  }
  // Every employee: cmb1 hidden, chk1 disabled, no name.
  EXPECT_TRUE(p.Control<QRadioButton>("Opt1")->isChecked());
  EXPECT_FALSE(p.Control("cmb1")->isVisible());
  EXPECT_FALSE(p.Control("chk1")->isEnabled());
  EXPECT_EQ(p.Control<QLabel>("lbl1")->text(), "");
  // The numbers in text order, the first one chosen.
  auto* cmb1 = p.Control<QComboBox>("cmb1");
  ASSERT_EQ(cmb1->count(), 3);
  EXPECT_EQ(cmb1->itemText(0), "125");
  EXPECT_EQ(cmb1->itemText(1), "300");
  EXPECT_EQ(cmb1->itemText(2), "42");
  EXPECT_EQ(cmb1->currentText(), "125");
  EXPECT_EQ(p.w.FechaInicial(), "2015 01 01");
  EXPECT_TRUE(p.boxes.shown.empty());
}

TEST(DiVovavavTest, OptionsShowTheEmployeeChoiceAndTheChosenName) {
  Programa p;
  p.Click("Opt2");
  EXPECT_TRUE(p.Control("cmb1")->isVisible());
  EXPECT_TRUE(p.Control("chk1")->isEnabled());
  EXPECT_EQ(p.Control<QLabel>("lbl1")->text(), "");
  auto* cmb1 = p.Control<QComboBox>("cmb1");
  QTest::keyClick(cmb1, Qt::Key_Down);  // 300, whose second surname part is Null
  EXPECT_EQ(cmb1->currentText(), "300");
  EXPECT_EQ(p.Control<QLabel>("lbl1")->text(), "Luis  Gómez");
  QTest::keyClick(cmb1, Qt::Key_Up);
  EXPECT_EQ(p.Control<QLabel>("lbl1")->text(), QString::fromUtf8("Ana Ruiz López"));
  p.Click("Opt1");
  EXPECT_FALSE(p.Control("cmb1")->isVisible());
  EXPECT_FALSE(p.Control("chk1")->isEnabled());
  EXPECT_EQ(p.Control<QLabel>("lbl1")->text(), "");
}

TEST(DiVovavavTest, RefusesAStartBeforeTheFirstArchivedDay) {
  Programa p;
  const auto antes = p.b.Estado();
  p.Fechas(QDate(2014, 12, 31), QDate(2015, 1, 4));
  p.Click("Command5");
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EsperaCaja(p.Caja(),
             "Solo puede divovavavr información desde la siguiente fecha: 2015 01 01 operación NO REALIZADA",
             Icon::Critical, "diVovavav");
  EXPECT_EQ(p.b.Estado(), antes);
  // The first archived day itself is allowed.
  p.Fechas(QDate(2015, 1, 1), QDate(2015, 1, 1));
  p.Click("Command5");
  EsperaCaja(p.Caja(), kTerminado, Icon::None, "Orvo");
  EXPECT_TRUE(p.ends.empty());
}

TEST(DiVovavavTest, EveryEmployeeRedoesTheRangeInclusiveAndQueuesByDateThenTime) {
  Programa p;
  auto antes = p.b.Estado();
  p.Rango();
  p.Click("Command5");
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EsperaCaja(p.Caja(), kTerminado, Icon::None, "Orvo");
  EXPECT_FALSE(p.Control("espere")->isVisible());

  for (const char* tabla : {"Chequeo", "ChequeoF", "ChequeoExtra", "Huerfanos"})
    EXPECT_EQ(p.b.Filas(tabla), Sin(antes[tabla])) << tabla;
  EXPECT_EQ(p.b.Filas("Checadas"), Mas(Sin(antes["Checadas"]), {"2015 01 02,125,08:05:00",
                                                                 "2015 01 02,300,08:10:00",
                                                                 "2015 01 03,300,07:30:00",
                                                                 "2015 01 03,42,08:00:00",
                                                                 "2015 01 03,125,08:01:00",
                                                                 "2015 01 03,125,17:00:00",
                                                                 "2015 01 04,300,08:00:00"}));
  EXPECT_EQ(p.b.Filas("Listado1"), antes["Listado1"]);
  EXPECT_EQ(p.b.Filas("Personal"), antes["Personal"]);
}

TEST(DiVovavavTest, OneEmployeeKeepsItsQueueUnlessAskedAndMatchesIdAndNumber) {
  for (bool eliminar : {false, true}) {
    SCOPED_TRACE(eliminar ? "chk1" : "sin chk1");
    Programa p;
    auto antes = p.b.Estado();
    p.Rango();
    p.Uno("125", eliminar);
    p.Click("Command5");
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EsperaCaja(p.Caja(), kTerminado, Icon::None, "Orvo");

    // Results by Personal.Id (1), set-aside punches and the queue by the number (125).
    auto id1 = [](std::int64_t clave) { return clave == 1; };
    auto n125 = [](std::int64_t clave) { return clave == 125; };
    for (const char* tabla : {"Chequeo", "ChequeoF", "ChequeoExtra"})
      EXPECT_EQ(p.b.Filas(tabla), Sin(antes[tabla], id1)) << tabla;
    EXPECT_EQ(p.b.Filas("Huerfanos"), Sin(antes["Huerfanos"], n125));
    const Filas cola = eliminar ? Sin(antes["Checadas"], n125) : antes["Checadas"];
    EXPECT_EQ(p.b.Filas("Checadas"),
              Mas(cola, {"2015 01 02,125,08:05:00", "2015 01 03,125,08:01:00", "2015 01 03,125,17:00:00"}));
    EXPECT_EQ(p.b.Filas("Listado1"), antes["Listado1"]);
  }
}

TEST(DiVovavavTest, ARangeWithoutArchivedPunchesDeletesNothing) {
  struct Caso {
    const char* nombre;
    QDate desde, hasta;
    const char* empleado;  // nullptr: every employee
  };
  for (const Caso& caso : {Caso{"días sin checadas", QDate(2015, 1, 6), QDate(2015, 1, 9), nullptr},
                           Caso{"inicio después del fin", QDate(2015, 1, 4), QDate(2015, 1, 2), nullptr},
                           Caso{"empleado sin checadas en el rango", QDate(2015, 1, 4), QDate(2015, 1, 4), "125"}}) {
    SCOPED_TRACE(caso.nombre);
    Programa p;
    const auto antes = p.b.Estado();
    p.Fechas(caso.desde, caso.hasta);
    if (caso.empleado) p.Uno(caso.empleado, true);
    p.Click("Command5");
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EsperaCaja(p.Caja(), kSinInformacion, Icon::Information, "diVovavav");
    EXPECT_FALSE(p.Control("espere")->isVisible());
    EXPECT_EQ(p.b.Estado(), antes);
  }
}

TEST(DiVovavavTest, AnEmptyArchiveRefusesNoDayAndDeletesNothing) {
  Programa p([](BaseDePrueba& b) {
    Empleados(b);
    b.Fila("Chequeo", "2015 01 02", std::int64_t{1}, "08:00:00");
    b.Fila("Checadas", "2015 01 02", std::int64_t{125}, "08:00:00");
  });
  EXPECT_EQ(p.w.FechaInicial(), "");
  const auto antes = p.b.Estado();
  p.Fechas(QDate(1990, 1, 1), QDate(2030, 1, 1));
  p.Click("Command5");
  ASSERT_EQ(p.boxes.shown.size(), 1u);
  EsperaCaja(p.Caja(), kSinInformacion, Icon::Information, "diVovavav");
  EXPECT_EQ(p.b.Estado(), antes);
}

TEST(DiVovavavTest, OneEmployeeThatCannotBeFoundIsToldAndNothingIsDeleted) {
  struct Caso {
    QString numero;
    std::string mensaje;
  };
  for (const Caso& caso : {Caso{"", "Seleccione un empleado. Operación NO REALIZADA"},
                           Caso{"   ", "Seleccione un empleado. Operación NO REALIZADA"},
                           Caso{"999", "No existe el empleado número 999. Operación NO REALIZADA"},
                           Caso{"12a", "El número de empleado 12a no es válido. Operación NO REALIZADA"},
                           Caso{"1 25", "El número de empleado 1 25 no es válido. Operación NO REALIZADA"},
                           Caso{"77", "El empleado número 77 no tiene un Id válido. Operación NO REALIZADA"}}) {
    SCOPED_TRACE(caso.mensaje);
    Programa p([](BaseDePrueba& b) {
      Historia(b);
      b.Empleado(db::Value{}, "77");                         // no Id
      b.Empleado(std::int64_t{9}, "12a");                    // not a number
      b.Fila("Listado1", "2015 01 02", std::int64_t{77}, "08:00:00");
    });
    const auto antes = p.b.Estado();
    p.Rango();
    p.Uno(caso.numero, true);
    p.Click("Command5");
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EsperaCaja(p.Caja(), caso.mensaje, Icon::Exclamation, "diVovavav");
    EXPECT_EQ(p.b.Estado(), antes);
    EXPECT_TRUE(p.ends.empty());
  }
}

TEST(DiVovavavTest, WorksWithoutHuerfanos) {
  Programa p([](BaseDePrueba& b) {
    Historia(b);
    b.bases.cn.Execute("DROP TABLE Huerfanos");
  });
  auto antes = p.b.Estado();
  p.Rango();
  p.Click("Command5");
  EsperaCaja(p.Caja(), kTerminado, Icon::None, "Orvo");
  EXPECT_EQ(p.b.Filas("Chequeo"), Sin(antes["Chequeo"]));
  EXPECT_EQ(p.b.Filas("Checadas").size(), Sin(antes["Checadas"]).size() + 7);
}

TEST(DiVovavavTest, ExitClosesTheConnectionAndTheWindow) {
  Programa p;
  p.Click("Command1");
  EXPECT_FALSE(p.b.bases.cn.IsOpen());
  EXPECT_TRUE(p.w.Unloaded());
  EXPECT_FALSE(p.w.isVisible());
}

}  // namespace
}  // namespace orvo::maintenance
