#include "tools/orvo-admin/nueva_base.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

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

TEST(NuevaBaseTest, IfMissingDoesNotTakeAFolderForTheDatabase) {
  TempDrive c;
  std::filesystem::create_directories(c.Path("Quiravel/Quiravel.mdb"));
  const std::string admin = ORVO_ADMIN;
  const auto errores = c.Path("errores.txt");
  EXPECT_NE(std::system((admin + " newdb --if-missing 2>" + errores.string()).c_str()), 0);
  EXPECT_EQ(orvo::testing::ReadFile(errores), "En el lugar de la base de datos hay algo que no es un archivo: " +
                                                   c.Path("Quiravel/Quiravel.mdb").string() + "\n");
  EXPECT_TRUE(std::filesystem::is_empty(c.Path("Quiravel/Quiravel.mdb")));
}

std::vector<std::string> Nombres(const std::filesystem::path& carpeta) {
  std::vector<std::string> nombres;
  for (const auto& e : std::filesystem::directory_iterator(carpeta)) nombres.push_back(e.path().filename().string());
  std::sort(nombres.begin(), nombres.end());
  return nombres;
}

TEST(NuevaBaseTest, LeavesBothFilesAndNothingElse) {
  TempDrive c;
  CreaBasePrincipal("Uno");
  EXPECT_EQ(Nombres(c.Path("Quiravel")), (std::vector<std::string>{"Auxiliar.mdb", "Quiravel.mdb"}));
  EXPECT_EQ(std::getenv("ORVO_DRIVE_C"), c.Root().string());
}

TEST(NuevaBaseTest, AFailedBuildLeavesNothingAndALaterOneStartsClean) {
  const std::string larga(200, 'x');  // longer than Empresa's column
  for (bool carpetaPrevia : {false, true}) {
    SCOPED_TRACE(carpetaPrevia ? "folder already there" : "no folder");
    TempDrive c;
    if (carpetaPrevia) orvo::testing::WriteFile(c.Path("Quiravel/Poleo.dat"), "2010 05 03,1,07:00:00\r\n");
    try {
      CreaBasePrincipal(larga);
      ADD_FAILURE() << "no error";
    } catch (const db::Error& e) {
      EXPECT_EQ(e.number, db::errc::kFieldTooSmall);
    }
    EXPECT_EQ(std::getenv("ORVO_DRIVE_C"), c.Root().string());
    if (carpetaPrevia) {
      EXPECT_EQ(Nombres(c.Path("Quiravel")), std::vector<std::string>{"Poleo.dat"});
    } else {
      EXPECT_TRUE(std::filesystem::is_empty(c.Root()));
    }
  }
}

TEST(NuevaBaseTest, CommandThatFailsLeavesNoDatabaseForIfMissingToTrust) {
  TempDrive c;
  const std::string admin = ORVO_ADMIN;
  const auto errores = c.Path("errores.txt");
  EXPECT_NE(std::system((admin + " newdb --empresa " + std::string(200, 'x') + " 2>" + errores.string()).c_str()), 0);
  EXPECT_EQ(orvo::testing::ReadFile(errores).rfind("Error 3163: ", 0), 0u) << orvo::testing::ReadFile(errores);
  EXPECT_FALSE(std::filesystem::exists(c.Path("Quiravel")));
  EXPECT_EQ(std::system((admin + " newdb --if-missing >/dev/null").c_str()), 0);
  auto base = db::Database::Open(kBasePrincipal, ";pwd=LUMAK");
  EXPECT_TRUE(base.FindTable("Listado1"));
  EXPECT_TRUE(base.FindTable("Checadas"));
}

TEST(LaunchTest, LeavesTheStartMarkerBeforeTheToolStarts) {
  TempDrive c;
  auto tool = c.Path("bin/Relevo");
  // The tool reports whether its marker was there, in its program folder, when it started.
  orvo::testing::WriteFile(tool, "#!/bin/sh\ncd \"${ORVO_PROGRAM_FOLDER:-$(dirname \"$0\")}\"\n[ -f RevTI ] && exit 7\nexit 3\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  std::string admin = ORVO_ADMIN;
  int status = std::system((admin + " launch " + tool.string()).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
}  // namespace orvo::admin
