#include "platform/db/recordset.h"

#include <gtest/gtest.h>

#include "platform/db/database.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using orvo::testing::TempDrive;

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(c.Path("Quiravel"));
    auto db = Database::Create("C:\\Quiravel\\Auxiliar.mdb", "");
    db.Append({"Personal", {{"Id", Type::Long}, {"Nombre", Type::Text, 30, true}, {"No_Empleado", Type::Text, 20, true},
                            {"Activo", Type::Text, 1, true}}});
    db.Close();
    cn.Open("DBQ=C:\\Quiravel\\Auxiliar.mdb");
    cn.Execute("INSERT INTO Personal VALUES(1,'Ana','125','S')");
    cn.Execute("INSERT INTO Personal VALUES(2,NULL,'126','n')");
    cn.Execute("INSERT INTO Personal VALUES(3,'','127','S')");
  }
  TempDrive c;
  Connection cn;
};

TEST_F(RecordsetTest, SnapshotKeepsItsRowsAfterTheyAreDeleted) {
  Recordset rs(cn);
  rs.Open("SELECT * FROM Personal ORDER BY Id");
  cn.Execute("DELETE FROM Personal");
  EXPECT_EQ(rs.RecordCount(), 3);
  std::vector<std::int64_t> ids;
  for (; !rs.Eof(); rs.MoveNext()) ids.push_back(AsInteger(rs.Field("ID")));
  EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2, 3}));
}

TEST_F(RecordsetTest, NullStaysApartFromEmptyTextAndTextIgnoresCase) {
  Recordset rs(cn);
  rs.Open("SELECT Nombre FROM personal WHERE activo = ? ORDER BY Id", {{"N"}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_TRUE(IsNull(rs.Field("nombre")));
  rs.Close();
  rs.Open("SELECT Nombre FROM Personal WHERE Id = 3");
  EXPECT_EQ(rs.Field("Nombre"), Value(std::string()));
  EXPECT_THROW(rs.Field("Apellido"), Error);
}

TEST_F(RecordsetTest, ReadOnlyRefusesEditsAndOptimisticAddsAndChangesRows) {
  Recordset ro(cn);
  ro.Open("SELECT * FROM Personal");
  EXPECT_THROW(ro.AddNew(), Error);

  Recordset rs(cn, LockType::Optimistic);
  rs.Open("SELECT * FROM Personal WHERE Id = 2");
  rs.SetField("Nombre", std::string("Luis"));
  rs.Update();
  rs.AddNew();
  rs.SetField("id", std::int64_t{9});
  rs.SetField("No_Empleado", std::string("900"));
  rs.Update();
  EXPECT_EQ(rs.RecordCount(), 2);

  Recordset check(cn);
  check.Open("SELECT Id, Nombre FROM Personal WHERE Id IN (2, 9) ORDER BY Id");
  ASSERT_EQ(check.RecordCount(), 2);
  EXPECT_EQ(AsText(check.Field("Nombre")), "Luis");
  check.MoveNext();
  EXPECT_TRUE(IsNull(check.Field("Nombre")));
}

TEST_F(RecordsetTest, ClosingTheConnectionClosesItsRecordsets) {
  Recordset rs(cn);
  rs.Open("SELECT * FROM Personal");
  EXPECT_TRUE(rs.IsOpen());
  EXPECT_THROW(rs.Open("SELECT * FROM Personal"), Error) << "an open recordset must be closed first";
  cn.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_TRUE(rs.Eof());
}

TEST_F(RecordsetTest, AnActionQueryLeavesTheRecordsetClosed) {
  Recordset rs(cn);
  rs.Open("INSERT INTO Personal VALUES(4,'Eva','128','S')");
  EXPECT_FALSE(rs.IsOpen());
  rs.Open("SELECT count(*) AS n FROM Personal");
  EXPECT_EQ(AsInteger(rs.Field("N")), 4);
}

}  // namespace
}  // namespace orvo::db
