#include "schema/estructura.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/db/recordset.h"
#include "platform/testsupport/temp_drive.h"
#include "schema/catalogo.h"
#include "schema/volcado.h"

namespace orvo::schema {
namespace {
namespace fs = std::filesystem;
using orvo::testing::ReadFile;
using orvo::testing::TempDrive;

std::string Golden(const char* name) { return ReadFile(fs::path(ORVO_SCHEMA_TESTDATA) / name); }

class EstructuraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(c.Path("Quiravel"));
    db::Database::Create(kBasePrincipal, kLocale, common::kClavePrincipal).Close();
  }
  db::Database Principal() { return db::Database::Open(kBasePrincipal, kConectaPrincipal); }
  std::string VolcadoPrincipal() {
    auto d = Principal();
    return Volcado(d);
  }
  TempDrive c;
};

TEST_F(EstructuraTest, EveryMainCreatorMakesItsCatalogueTable) {
  std::set<std::string_view> hechos;
  for (const Tabla& t : TablasPrincipal()) {
    if (!t.creador.empty() && hechos.insert(t.creador).second) Crea(t.creador);
  }
  EXPECT_EQ(VolcadoPrincipal(), Golden("principal.golden"));
}

TEST_F(EstructuraTest, BulkBuildAloneGivesFourteenTables) {
  Crea_Auxiliar(kBaseAuxiliar);
  auto d = db::Database::Open(kBaseAuxiliar);
  EXPECT_EQ(d.TableNames().size(), 14u);
  EXPECT_EQ(Volcado(d), Golden("auxiliar_masivo.golden"));
  d.Close();
  auto before = ReadFile(c.Path("Quiravel/Auxiliar.mdb"));
  EXPECT_THROW(Crea_Auxiliar(kBaseAuxiliar), db::Error);
  EXPECT_EQ(ReadFile(c.Path("Quiravel/Auxiliar.mdb")), before);
}

TEST_F(EstructuraTest, TestsCompareNamesWithLetterCase) {
  Crea("Crea_Personal");
  EXPECT_TRUE(tableExists(kBasePrincipal, "Personal"));
  EXPECT_FALSE(tableExists(kBasePrincipal, "personal"));
  EXPECT_TRUE(FieldExists(kBasePrincipal, "Personal", "No_Empleado"));
  EXPECT_FALSE(FieldExists(kBasePrincipal, "Personal", "no_empleado"));
  EXPECT_FALSE(FieldExists(kBasePrincipal, "NoHay", "Id"));
  EXPECT_FALSE(tableExists("C:\\Quiravel\\NoHay.mdb", "Personal"));
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/NoHay.mdb")));
  EXPECT_FALSE(atableExists(kBaseAuxiliar, "Faltas")) << "no auxiliary file";
}

TEST_F(EstructuraTest, ColumnAddFollowsItsArgumentsExactly) {
  Crea("Crea_Numeros");
  std::string numeros = Principal().FindTable("Numeros")->fields[0].name;
  struct Case { const char* campo; const char* Ctipo; const char* Ctam; std::int16_t zero, defa; const char* expected; } cases[] = {
      {"A", "dbText", "150", -1, -99, "Numeros|2|A|Text|150|yes|"},
      {"B", "dbLong", "255", 0, 1, "Numeros|3|B|Long|||1"},
      {"C", "dbtext", "10", 0, -99, nullptr},
      {"D", "dbText ", "10", 0, -99, nullptr},
      {"E", "dbText", "diez", 0, -99, nullptr},
      {"F", "dbText", "2", 0, -97, "Numeros|4|F|Text|2|no|NO"},
      {"G", "dbMemo", "", 0, -99, "Numeros|5|G|Memo||no|"},
  };
  for (const Case& k : cases) AgregaCampoTabla(kBasePrincipal, "Numeros", k.campo, k.Ctipo, k.Ctam, k.zero, k.defa);
  std::string dump = VolcadoPrincipal();
  for (const Case& k : cases) {
    if (k.expected) {
      EXPECT_NE(dump.find(std::string(k.expected) + "\n"), std::string::npos) << k.expected << "\n" << dump;
    } else {
      EXPECT_EQ(dump.find(std::string("|") + k.campo + "|"), std::string::npos) << k.campo;
    }
  }
  EXPECT_EQ(numeros, Principal().FindTable("Numeros")->fields[0].name);
}

TEST_F(EstructuraTest, ColumnAddUnderAnotherCaseSetsPropertiesOnTheExistingColumn) {
  auto d = Principal();
  d.Append({"confPT", {{"Aplica", db::Type::Text, 2}}});
  d.Execute("INSERT INTO confPT VALUES ('SI')");
  d.Close();
  AgregaCampoTabla(kBasePrincipal, "confPT", "aplica", "dbText", "2", -1, -97);
  EXPECT_EQ(VolcadoPrincipal(), "confPT|1|Aplica|Text|2|yes|NO\n");
  auto again = Principal();
  db::Recordset rs(again.Rows());
  rs.Open("SELECT * FROM confPT");
  EXPECT_EQ(rs.RecordCount(), 1);
}

TEST_F(EstructuraTest, AuxiliaryAddTakesMinus97AsANumber) {
  Crea_Auxiliar(kBaseAuxiliar);
  aAgregaCampoTabla(kBaseAuxiliar, "Trabajados", "X", "dbInteger", "", 0, -97);
  aAgregaCampoTabla(kBaseAuxiliar, "Trabajados", "Y", "dbInteger", "", 0, -99);
  auto d = db::Database::Open(kBaseAuxiliar);
  auto t = d.FindTable("Trabajados");
  ASSERT_GE(t->fields.size(), 2u);
  EXPECT_EQ(db::AsText(t->fields[t->fields.size() - 2].defaultValue), "-97");
  EXPECT_TRUE(db::IsNull(t->fields.back().defaultValue));
}

TEST_F(EstructuraTest, CreatorLeavesAnExistingTableAloneAndSkipsAMissingFile) {
  auto d = Principal();
  d.Append({"Checadas", {{"Fecha", db::Type::Text, 10}}});
  d.Close();
  Crea("Crea_Checadas");
  EXPECT_EQ(VolcadoPrincipal(), "Checadas|1|Fecha|Text|10|no|\n");

  fs::remove(c.Path("Quiravel/Quiravel.mdb"));
  Crea("Crea_Checadas");
  Crea("aCrea_Faltas");
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Quiravel.mdb")));
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Auxiliar.mdb")));
}

TEST_F(EstructuraTest, PlanTurnoMakesTheMissingOfItsFiveTablesAndTurnoInAuxiliaryFaltas) {
  auto d = Principal();
  d.Append({"confPT", {{"aplica", db::Type::Text, 2}}});
  d.Execute("INSERT INTO confPT VALUES ('SI')");
  d.Close();
  Crea_Auxiliar(kBaseAuxiliar);
  aAgregaCampoTabla(kBaseAuxiliar, "Faltas", "x", "dbLong", "", 0, -99);  // turno is there already
  Crea("Crea_planTurno");
  auto main = Principal();
  for (const char* t : {"planTurno", "planTurnoEmpleados", "planesElegibles", "confPT", "turnosFechas"})
    EXPECT_TRUE(main.FindTable(t)) << t;
  db::Recordset rs(main.Rows());
  rs.Open("SELECT * FROM confPT");
  EXPECT_EQ(rs.RecordCount(), 1);

  // With turno missing from the auxiliary Faltas, it is appended last as Text(25).
  fs::remove(c.Path("Quiravel/Auxiliar.mdb"));
  db::Database::Create(kBaseAuxiliar, kLocale).Append({"Faltas", {{"Id_Emp", db::Type::Long}}});
  Crea("Crea_planTurno");
  auto aux = db::Database::Open(kBaseAuxiliar);
  auto faltas = aux.FindTable("Faltas");
  ASSERT_EQ(faltas->fields.size(), 2u);
  EXPECT_EQ(faltas->fields[1].name, "turno");
  EXPECT_EQ(faltas->fields[1].size, 25);
  EXPECT_FALSE(faltas->fields[1].allowZeroLength);
}

}  // namespace
}  // namespace orvo::schema
