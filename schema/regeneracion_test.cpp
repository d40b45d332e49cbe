// The regeneration program end to end: the real window on the offscreen
// platform, scripted boxes, real database files on a private drive C:.
#include "schema/regeneracion.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/forms/application.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/process/process.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/temp_drive.h"
#include "schema/catalogo.h"
#include "schema/estructura.h"
#include "schema/regenera.h"
#include "schema/volcado.h"

namespace orvo::schema {
namespace {
namespace fs = std::filesystem;
using forms::ScriptedDialogs;
using orvo::testing::ReadFile;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

class RegeneracionTest : public ::testing::Test {
 protected:
  // A database as the administrator program leaves it: the company table only.
  void SetUp() override {
    fs::create_directories(c.Path("Quiravel"));
    auto d = db::Database::Create(kBasePrincipal, kLocale, common::kClavePrincipal);
    d.Append({"Empresarial", {{"Empresa", db::Type::Text, 150, true}, {"Logo", db::Type::LongBinary},
                              {"MemoR", db::Type::Memo, 0, true}, {"MemoF", db::Type::Memo, 0, true},
                              {"TFirma", db::Type::Memo, 0, true}}});
    d.Execute("INSERT INTO Empresarial (Empresa) VALUES ('Aceros del Norte')");
  }

  // One start of the program and a click on Procesar; gives the boxes shown.
  std::vector<ScriptedDialogs::Shown> Corre(int* status = nullptr) {
    ScriptedDialogs d;
    int ended = -1;
    forms::Runtime rt(d, "Varurarodi", [&](int s) { ended = s; });
    common::Bases bases;
    auto ventana = Inicio(bases, d, rt);
    if (ventana) {
      EXPECT_TRUE(ventana->isVisible());
      QTest::mouseClick(ventana->Find<QPushButton>("Command5"), Qt::LeftButton);
      EXPECT_TRUE(ventana->Unloaded() || ended != 0) << "after a run the window does not come back";
    }
    EXPECT_NE(ended, -1) << "every start ends the program";
    if (status) *status = ended;
    return d.shown;
  }

  db::Database Principal() { return db::Database::Open(kBasePrincipal, kConectaPrincipal); }
  std::string Volcar(bool aux) {
    auto d = aux ? db::Database::Open(kBaseAuxiliar) : Principal();
    return Volcado(d);
  }
  std::string Valor(const std::string& sql) {
    auto d = Principal();
    db::Recordset rs(d.Rows());
    rs.Open(sql);
    std::string out;
    for (; !rs.Eof(); rs.MoveNext()) {
      if (!out.empty()) out += ",";
      out += db::AsText(rs.Field(rs.FieldNames()[0]));
    }
    return out;
  }

  TempDrive c;
};

void EsExito(const std::vector<ScriptedDialogs::Shown>& shown) {
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Regeneración finalizada con exito");
  EXPECT_EQ(shown[0].title, "Orvo");
  EXPECT_EQ(shown[0].icon, forms::Icon::None);
}

TEST_F(RegeneracionTest, FirstRunBuildsBothDatabasesAndFillsTheDefaults) {
  int status = -1;
  EsExito(Corre(&status));
  EXPECT_EQ(status, 0);
  auto main = Principal();
  for (const Tabla& t : TablasPrincipal()) {
    if (t.nombre != "eliminados") {
      EXPECT_TRUE(main.FindTable(t.nombre)) << t.nombre;
    }
  }
  EXPECT_EQ(main.TableNames().size(), 34u) << "every table but eliminados, which needs an inactive employee";
  EXPECT_EQ(Volcar(true), ReadFile(fs::path(ORVO_SCHEMA_TESTDATA) / "auxiliar.golden"));
  EXPECT_EQ(Valor("SELECT TFirma FROM Empresarial"), kFirma);
  EXPECT_EQ(Valor("SELECT aplica FROM confPT"), "NO");
  EXPECT_TRUE(fs::is_directory(c.Path("Quiravel/Quira")));
  EXPECT_TRUE(fs::is_directory(c.Path("Quiravel/Windows_poleos")));
  // A freshly made table lacks the columns only the upgrade list holds.
  EXPECT_FALSE(FieldExists(kBasePrincipal, "Personal", "Fecha_Ingreso"));
}

TEST_F(RegeneracionTest, SecondRunAddsUpgradeColumnsThenRunsChangeNothingButRebuildTheAuxiliary) {
  EsExito(Corre());
  EsExito(Corre());
  EXPECT_TRUE(FieldExists(kBasePrincipal, "Personal", "Fecha_Ingreso"));
  EXPECT_TRUE(FieldExists(kBasePrincipal, "confTE", "tmaxd"));
  EXPECT_TRUE(FieldExists(kBasePrincipal, "confTE", "tmaxs"));
  auto principal = ReadFile(c.Path("Quiravel/Quiravel.mdb"));
  std::string dump = Volcar(false);
  {
    auto aux = db::Database::Open(kBaseAuxiliar);
    aux.Execute("INSERT INTO Empleaditos (Empleado) VALUES ('x')");
  }
  EsExito(Corre());
  EXPECT_EQ(Volcar(false), dump);
  EXPECT_EQ(Valor("SELECT count(*) FROM personalRet"), "0");
  auto aux = db::Database::Open(kBaseAuxiliar);
  db::Recordset rs(aux.Rows());
  rs.Open("SELECT * FROM Empleaditos");
  EXPECT_EQ(rs.RecordCount(), 0) << "the auxiliary file is rebuilt empty";
}

TEST_F(RegeneracionTest, MissingColumnsAreAppendedLastAndKeepExistingRows) {
  {
    auto d = Principal();
    d.Append({"Checadas", {{"Hora", db::Type::Text, 10, true}}});
    d.Execute("INSERT INTO Checadas VALUES ('07:58:10')");
  }
  EsExito(Corre());
  const std::string dump = Volcar(false);
  EXPECT_NE(dump.find("Checadas|1|Hora|Text|10|yes|\nChecadas|2|Fecha|Text|10|yes|\nChecadas|3|Empleado|Long|||0\n"),
            std::string::npos)
      << dump;
  EXPECT_EQ(Valor("SELECT Hora FROM Checadas"), "07:58:10");
  EXPECT_EQ(Valor("SELECT quote(Empleado) FROM Checadas"), "NULL") << "old rows get Null, not the default";
}

TEST_F(RegeneracionTest, InactiveEmployeesMoveToEliminadosAndActiveOnesStay) {
  EsExito(Corre());
  {
    auto d = Principal();
    d.Execute("INSERT INTO Personal (Id, Nombre, No_Empleado, Activo) VALUES (1, 'Ana', '1', 'S')");
    d.Execute("INSERT INTO Personal (Id, Nombre, No_Empleado, Activo) VALUES (2, 'Luis', '2', 'N')");
    // An active and an inactive row that share one Id: only the inactive one moves.
    d.Execute("INSERT INTO Personal (Id, Nombre, No_Empleado, Activo) VALUES (3, 'Eva', '3', 'S')");
    d.Execute("INSERT INTO Personal (Id, Nombre, No_Empleado, Activo) VALUES (3, 'Eva vieja', '30', 'N')");
    d.Execute("INSERT INTO Personal (Id, Nombre, No_Empleado, Activo) VALUES (NULL, 'Sin Id', '40', 'N')");
  }
  EsExito(Corre());
  EXPECT_EQ(Valor("SELECT Nombre FROM Personal ORDER BY rowid"), "Ana,Eva");
  EXPECT_EQ(Valor("SELECT Nombre FROM eliminados ORDER BY rowid"), "Luis,Eva vieja,Sin Id");
  auto main = Principal();
  auto personal = main.FindTable("Personal");
  auto eliminados = main.FindTable("eliminados");
  ASSERT_TRUE(eliminados);
  for (const db::Field& f : personal->fields) EXPECT_TRUE(eliminados->FindField(f.name)) << f.name;
  // The employees left get their default retention rows.
  EXPECT_EQ(Valor("SELECT numEmp FROM personalRet ORDER BY rowid"), "1,3");
}

TEST_F(RegeneracionTest, SoundWhereTheOldProgramFailed) {
  {
    auto d = Principal();
    // No TFirma column: the fill is skipped and the run goes on.
    d.Execute("DROP TABLE Empresarial");
    d.Append({"Empresarial", {{"Empresa", db::Type::Text, 150, true}}});
    // planTurno without two of its companions: they are made.
    d.Append({"planTurno", {{"idPlan", db::Type::Long}}});
    d.Append({"confPT", {{"aplica", db::Type::Text, 2}}});
    d.Append({"planesElegibles", {{"idPlan", db::Type::Long}}});
    // A Null numEmp must not hide every employee from the retention fix-up.
    d.Append({"Personal", {{"Id", db::Type::Long}, {"No_Empleado", db::Type::Text, 20, true},
                           {"Activo", db::Type::Text, 1, true}}});
    d.Execute("INSERT INTO Personal VALUES (1, '7', 'S')");
    d.Execute("INSERT INTO Personal VALUES (2, NULL, 'S')");
    d.Append({"personalRet", {{"numEmp", db::Type::Text, 20, true}, {"idConfRet", db::Type::Long}}});
    d.Execute("INSERT INTO personalRet VALUES (NULL, 1)");
  }
  EsExito(Corre());
  for (const char* t : {"planTurnoEmpleados", "turnosFechas"}) EXPECT_TRUE(tableExists(kBasePrincipal, t)) << t;
  EXPECT_EQ(Valor("SELECT numEmp FROM personalRet WHERE numEmp IS NOT NULL"), "7");
  EXPECT_EQ(Valor("SELECT aplica FROM confPT"), "NO");
}

TEST_F(RegeneracionTest, EmployeesWithoutANumberGetNoRetentionRowAndTheOthersDo) {
  EsExito(Corre());
  {
    auto d = Principal();
    d.Execute("INSERT INTO Personal (Id, No_Empleado, Activo) VALUES (1, '5', 'S')");
    d.Execute("INSERT INTO Personal (Id, No_Empleado, Activo) VALUES (2, '', 'S')");
    d.Execute("INSERT INTO Personal (Id, No_Empleado, Activo) VALUES (3, NULL, 'S')");
    d.Execute("INSERT INTO Personal (Id, No_Empleado, Activo) VALUES (4, '6', 'S')");
  }
  int status = -1;
  EsExito(Corre(&status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Valor("SELECT numEmp FROM personalRet ORDER BY rowid"), "5,6");
  EsExito(Corre());
  EXPECT_EQ(Valor("SELECT count(*) FROM personalRet"), "2");
}

TEST_F(RegeneracionTest, WhatStaysMissingIsSaidInsteadOfSuccess) {
  {
    // A table stored under another letter case: the creator cannot make it,
    // and the columns the programs need are not there.
    auto d = Principal();
    d.Append({"CHECADAS", {{"Hora", db::Type::Text, 10, true}}});
  }
  int status = 0;
  auto shown = Corre(&status);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].text.find("Checadas.Empleado"), std::string::npos) << shown[0].text;
  EXPECT_EQ(shown[0].text.find("con exito"), std::string::npos);
  EXPECT_NE(status, 0);
}

TEST_F(RegeneracionTest, AuxiliaryInUseByAnotherProgramStopsTheRunAndIsNotDeleted) {
  EsExito(Corre());
  const fs::path senales = c.Path("senales");
  fs::create_directories(senales);
  // Another program has the auxiliary file open, or is in the middle of writing it.
  for (const char* modo : {"hold-open", "hold-write"}) {
    fs::remove(senales / "ready");
    fs::remove(senales / "go");
    auto otro = orvo::testing::Start(ORVO_DB_LOCKING_CHILD, {c.Path("Quiravel/Auxiliar.mdb").string(), modo, senales.string(),
                                                       "INSERT INTO Empleaditos (Empleado) VALUES ('x')"});
    while (!fs::exists(senales / "ready") && otro.Running()) process::Sleep(std::chrono::milliseconds(10));
    int status = 0;
    auto shown = Corre(&status);
    ASSERT_EQ(shown.size(), 1u) << modo;
    EXPECT_EQ(shown[0].text,
              "Se ha producido el error '70' en tiempo de ejecución:\n\n"
              "Permiso denegado: el archivo 'C:\\Quiravel\\Auxiliar.mdb' está en uso por otro programa.")
        << modo;
    EXPECT_NE(status, 0) << modo;
    // Its work survives: the file is still there and its commit succeeds.
    WriteFile(senales / "go", "go");
    EXPECT_EQ(otro.Wait(std::chrono::seconds(30)), 0) << modo;
  }
  auto aux = db::Database::Open(kBaseAuxiliar);
  db::Recordset rs(aux.Rows());
  rs.Open("SELECT Empleado FROM Empleaditos");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(db::AsText(rs.Field("Empleado")), "x");
}

TEST_F(RegeneracionTest, LegacyPunchFilesMoveWithoutOverwriting) {
  WriteFile(c.Path("Quira/sitio.IPL"), "nuevo");
  WriteFile(c.Path("Quira/otro.txt"), "queda");
  WriteFile(c.Path("Windows/poleos/0101.dat"), "poleo");
  WriteFile(c.Path("Windows/poleos/choca.dat"), "legado");
  WriteFile(c.Path("Quiravel/Windows_poleos/choca.dat"), "ya estaba");
  EsExito(Corre());
  EXPECT_EQ(ReadFile(c.Path("Quiravel/Quira/sitio.IPL")), "nuevo");
  EXPECT_TRUE(fs::exists(c.Path("Quira/otro.txt")));
  EXPECT_EQ(ReadFile(c.Path("Quiravel/Windows_poleos/0101.dat")), "poleo");
  EXPECT_EQ(ReadFile(c.Path("Quiravel/Windows_poleos/choca.dat")), "ya estaba");
  EXPECT_EQ(ReadFile(c.Path("Windows/poleos/choca.dat")), "legado");
}

TEST_F(RegeneracionTest, ExitButtonEndsWithoutTouchingTheDatabase) {
  auto before = ReadFile(c.Path("Quiravel/Quiravel.mdb"));
  ScriptedDialogs d;
  int ended = -1;
  forms::Runtime rt(d, "Varurarodi", [&](int s) { ended = s; });
  common::Bases bases;
  auto ventana = Inicio(bases, d, rt);
  ASSERT_TRUE(ventana);
  QTest::mouseClick(ventana->Find<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_EQ(ended, 0);
  EXPECT_TRUE(d.shown.empty());
  EXPECT_EQ(ReadFile(c.Path("Quiravel/Quiravel.mdb")), before);
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Auxiliar.mdb")));
}

TEST(RegeneracionArranqueTest, MissingDatabaseStopsBeforeAnyWindow) {
  TempDrive c;
  ScriptedDialogs d;
  int ended = -1;
  forms::Runtime rt(d, "Varurarodi", [&](int s) { ended = s; });
  common::Bases bases;
  EXPECT_FALSE(Inicio(bases, d, rt));
  EXPECT_NE(ended, 0);
  ASSERT_EQ(d.shown.size(), 1u);
  EXPECT_NE(d.shown[0].text.find("3024"), std::string::npos) << d.shown[0].text;
  EXPECT_TRUE(fs::is_empty(c.Root()));
}

}  // namespace
}  // namespace orvo::schema

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  orvo::forms::Application app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
