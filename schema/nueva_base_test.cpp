#include "schema/nueva_base.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/arranque.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::schema {
namespace {
using common::kBasePrincipal;
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

}  // namespace
}  // namespace orvo::schema
