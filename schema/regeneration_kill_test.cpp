// A regeneration run killed (SIGKILL) part-way: the main database stays sound
// with every employee in exactly one of Personal and eliminados, and a run
// started again leaves both databases as one uninterrupted run does.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "common/arranque.h"
#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/database_state.h"
#include "platform/testsupport/second_process.h"
#include "platform/testsupport/temp_drive.h"
#include "schema/estructura.h"

namespace orvo::schema {
namespace {

namespace fs = std::filesystem;
using orvo::testing::Contents;
using orvo::testing::IntegrityCheck;
using orvo::testing::TempDrive;

constexpr int kEmpleados = 1200;

int Regenerate(const fs::path& marker = {}, std::chrono::milliseconds after = {}) {
  std::vector<std::string> args;
  if (!marker.empty()) args.push_back(marker.string());
  auto child = orvo::testing::Start(ORVO_REGENERATION_CHILD, args);
  return marker.empty() ? orvo::testing::WaitForEnd(child) : orvo::testing::KillAtMarker(child, marker, after);
}

fs::path Main(const TempDrive& c) { return c.Path("Quiravel/Quiravel.mdb"); }
fs::path Auxiliary(const TempDrive& c) { return c.Path("Quiravel/Auxiliar.mdb"); }

// The employees' ids of both tables together, sorted (eliminados is made by
// the first run that moves someone).
std::vector<std::string> EmployeeIds(const fs::path& main) {
  db::Connection cn;
  cn.OpenFile(main.string(), common::kClavePrincipal);
  std::vector<std::string> ids;
  const auto tables = cn.TableNames();
  for (const char* table : {"Personal", "eliminados"}) {
    if (std::find(tables.begin(), tables.end(), table) == tables.end()) continue;  // not made yet
    db::Recordset rs(cn);
    rs.Open(std::string("SELECT Id FROM ") + table);
    for (; !rs.Eof(); rs.MoveNext()) ids.push_back(db::AsText(rs.Field("Id")));
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST(RegenerationKillTest, AKilledRunLosesNoEmployeeAndARunAgainEqualsOneWholeRun) {
  TempDrive c;
  {
    // The administrator program's database, brought up to the whole
    // structure by a first run, then many employees, every other one inactive.
    fs::create_directories(c.Path("Quiravel"));
    auto d = db::Database::Create(common::kBasePrincipal, kLocale, common::kClavePrincipal);
    d.Append({"Empresarial", {{"Empresa", db::Type::Text, 150, true}, {"Logo", db::Type::LongBinary},
                              {"MemoR", db::Type::Memo, 0, true}, {"MemoF", db::Type::Memo, 0, true},
                              {"TFirma", db::Type::Memo, 0, true}}});
    d.Execute("INSERT INTO Empresarial (Empresa) VALUES ('Aceros del Norte')");
  }
  ASSERT_EQ(Regenerate(), 0);
  {
    db::Connection cn;
    cn.OpenFile(Main(c).string(), common::kClavePrincipal);
    auto t = cn.Begin();
    for (int id = 1; id <= kEmpleados; ++id)
      cn.Execute("INSERT INTO Personal (Id, Nombre, No_Empleado, Activo) VALUES (?, ?, ?, ?)",
                 {db::Value{std::int64_t{id}}, db::Value{"Empleado " + std::to_string(id)},
                  db::Value{std::to_string(id)}, db::Value{std::string(id % 2 ? "S" : "N")}});
    t.Commit();
  }
  const auto ids = EmployeeIds(Main(c));
  ASSERT_EQ(ids.size(), std::size_t{kEmpleados});

  // One whole run, on a copy in a drive of its own.
  orvo::testing::TableRows whole, wholeAuxiliary;
  {
    db::Connection cn;
    cn.OpenFile(Main(c).string(), common::kClavePrincipal);
    TempDrive copy;
    fs::create_directories(copy.Path("Quiravel"));
    cn.Snapshot(Main(copy).string());
    cn.Close();
    ASSERT_EQ(Regenerate(), 0);
    whole = Contents(Main(copy), common::kClavePrincipal);
    wholeAuxiliary = Contents(Auxiliary(copy), "");
  }

  int killed = 0;
  for (int after : {0, 5, 20, 60, 150, 400}) {
    const int status = Regenerate(c.Path("marca"), std::chrono::milliseconds{after});
    ASSERT_TRUE(status == orvo::testing::kKilled || status == 0) << status;
    killed += status == orvo::testing::kKilled;
    EXPECT_EQ(IntegrityCheck(Main(c), common::kClavePrincipal), "ok") << "killed " << after << " ms into the run";
    EXPECT_EQ(EmployeeIds(Main(c)), ids) << "killed " << after << " ms into the run";
  }
  EXPECT_GT(killed, 0) << "no kill landed inside a run";

  ASSERT_EQ(Regenerate(), 0);
  EXPECT_EQ(IntegrityCheck(Main(c), common::kClavePrincipal), "ok");
  EXPECT_EQ(IntegrityCheck(Auxiliary(c), ""), "ok");
  EXPECT_EQ(Contents(Main(c), common::kClavePrincipal), whole);
  EXPECT_EQ(Contents(Auxiliary(c), ""), wholeAuxiliary);
}

}  // namespace
}  // namespace orvo::schema
