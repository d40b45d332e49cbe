#include "tools/orvo-admin/nueva_base.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::admin {
namespace {
using orvo::testing::TempDrive;

TEST(NuevaBaseTest, MakesTheProtectedMainDatabaseWithItsCompanyRow) {
  TempDrive c;
  CreaBasePrincipal("Aceros del Norte");
  auto base = db::Database::Open(kBasePrincipal, common::kConectaPrincipal);
  auto t = base.FindTable("Empresarial");
  ASSERT_TRUE(t);
  EXPECT_TRUE(base.FindTable("Listado1"));
  EXPECT_TRUE(base.FindTable("turnosFechas"));
  EXPECT_TRUE(base.FindTable("Personal")->FindField("Fecha_Ingreso"));
  EXPECT_TRUE(std::filesystem::exists(c.Path("Quiravel/Auxiliar.mdb")));
  std::vector<std::string> columns;
  for (const auto& f : t->fields) columns.push_back(f.name);
  EXPECT_EQ(columns, (std::vector<std::string>{"Empresa", "Logo", "MemoR", "MemoF", "TFirma"}));
  db::Recordset rs(base.Rows());
  rs.Open("SELECT * FROM Empresarial");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(db::AsText(rs.Field("Empresa")), "Aceros del Norte");
  EXPECT_FALSE(db::IsNull(rs.Field("TFirma")));
  rs.Close();
  base.Close();
  EXPECT_THROW(db::Database::Open(kBasePrincipal, ";pwd=otra"), db::Error);
}

TEST(NuevaBaseTest, CommandRefusesToOverwriteButIfMissingIsQuiet) {
  TempDrive c;
  std::string admin = ORVO_ADMIN;
  EXPECT_EQ(std::system((admin + " newdb --empresa Uno >/dev/null").c_str()), 0);
  auto before = orvo::testing::ReadFile(c.Path("Quiravel/Quiravel.mdb"));
  EXPECT_NE(std::system((admin + " newdb 2>/dev/null").c_str()), 0);
  EXPECT_EQ(std::system((admin + " newdb --if-missing").c_str()), 0);
  EXPECT_EQ(orvo::testing::ReadFile(c.Path("Quiravel/Quiravel.mdb")), before);
}

TEST(LaunchTest, LeavesTheStartMarkerBeforeTheToolStarts) {
  TempDrive c;
  auto tool = c.Path("bin/Relevo");
  // The tool reports whether its marker was there when it started.
  orvo::testing::WriteFile(tool, "#!/bin/sh\ncd \"$(dirname \"$0\")\"\n[ -f RevTI ] && exit 7\nexit 3\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  std::string admin = ORVO_ADMIN;
  int status = std::system((admin + " launch " + tool.string()).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
}  // namespace orvo::admin
