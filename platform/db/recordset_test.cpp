#include "platform/db/recordset.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/db/database.h"
#include "platform/testsupport/error_of.h"
#include "platform/testsupport/sqlite_session.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using orvo::testing::ErrorOf;
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

TEST_F(RecordsetTest, UpdateAfterTheLastRowHasNoCurrentRecord) {
  Recordset rs(cn, LockType::Optimistic);
  rs.Open("SELECT * FROM Personal WHERE Id = 1");
  rs.MoveNext();
  ASSERT_TRUE(rs.Eof());
  EXPECT_THROW(rs.SetField("Nombre", std::string("x")), Error);
  try {
    rs.Update();  // nothing pending: nothing to do
    rs.AddNew();
    rs.CancelUpdate();
    rs.Update();
  } catch (const Error& e) {
    ADD_FAILURE() << e.what();
  }
}

TEST_F(RecordsetTest, AnEditIsSavedToTheRowItBeganOnWhenTheRecordsetMoves) {
  Recordset rs(cn, LockType::Optimistic);
  rs.Open("SELECT Id, Nombre FROM Personal ORDER BY Id");
  rs.SetField("Nombre", std::string("Ana María"));
  rs.MoveNext();  // leaves row 1: the edit goes to row 1, never to row 2
  EXPECT_EQ(AsInteger(rs.Field("Id")), 2);
  EXPECT_TRUE(IsNull(rs.Field("Nombre")));
  rs.Update();
  rs.MoveFirst();
  EXPECT_EQ(AsText(rs.Field("Nombre")), "Ana María");

  Recordset check(cn);
  check.Open("SELECT Nombre FROM Personal ORDER BY Id");
  EXPECT_EQ(AsText(check.Field("Nombre")), "Ana María");
  check.MoveNext();
  EXPECT_TRUE(IsNull(check.Field("Nombre")));
}

TEST_F(RecordsetTest, UpdatingARowAnotherConnectionDeletedFailsAndWritesNothing) {
  Recordset rs(cn, LockType::Optimistic);
  rs.Open("SELECT * FROM Personal WHERE Id = 2");
  Connection other;
  other.Open("DBQ=C:\\Quiravel\\Auxiliar.mdb");
  other.Execute("DELETE FROM Personal WHERE Id = 2");
  rs.SetField("Nombre", std::string("Luis"));
  auto e = ErrorOf([&] { rs.Update(); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, errc::kRecordDeleted);
  Recordset check(cn);
  check.Open("SELECT count(*) AS n FROM Personal WHERE Nombre = 'Luis' OR Id = 2");
  EXPECT_EQ(AsInteger(check.Field("n")), 0);
}

TEST_F(RecordsetTest, AnEditOfARowChangedSinceItWasReadFailsAndAnAddedRowEditsAgain) {
  Recordset rs(cn, LockType::Optimistic);
  rs.Open("SELECT Nombre FROM Personal WHERE Id = 1");
  cn.Execute("UPDATE Personal SET Nombre = 'Ana Luisa' WHERE Id = 1");
  rs.SetField("Nombre", std::string("Ana María"));
  auto e = ErrorOf([&] { rs.Update(); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, errc::kRecordDeleted);
  rs.Close();

  // A new row holds what the table stored (its default, the number as a
  // number), so it stays editable, as does a row edited twice.
  Database::Open("C:\\Quiravel\\Auxiliar.mdb", "")
      .AppendField("Personal", {"Turno", Type::Text, 5, true, Value(std::string("T1"))});
  rs.Open("SELECT Id, Nombre, Turno FROM Personal WHERE Id = 0");
  rs.AddNew();
  rs.SetField("Id", std::string("9"));
  rs.Update();
  EXPECT_EQ(rs.Field("Id"), Value(std::int64_t{9}));
  EXPECT_EQ(rs.Field("Turno"), Value(std::string("T1")));
  for (const char* name : {"Eva", "Eva Sofía"}) {
    rs.SetField("Nombre", std::string(name));
    rs.Update();
  }
  Recordset check(cn);
  check.Open("SELECT Nombre, Turno FROM Personal WHERE Id = 9");
  ASSERT_EQ(check.RecordCount(), 1);
  EXPECT_EQ(AsText(check.Field("Nombre")), "Eva Sofía");
}

// The row an edit began on, and only that row, receives it; the changes of
// another program (the sqlite3 command line) since the row was read refuse
// it. Each case reads `read`, lets the other program run `other`, sets
// `field` and updates; `rows` is the table afterwards.
TEST_F(RecordsetTest, AnEditReachesTheRowItWasReadFromOrIsRefused) {
  struct Case {
    const char* name;
    const char* read;
    const char* other;
    const char* field;
    int number;        // 0: the edit is stored
    const char* rows;  // SELECT group_concat of the table afterwards
  } cases[] = {
      {"a new last row that took the deleted one's row id and shows the same",
       "SELECT Nombre FROM Personal WHERE Id = 3",
       "DELETE FROM Personal WHERE Id = 3; INSERT INTO Personal VALUES (30, '', '999', 'n');", "Nombre",
       errc::kRecordDeleted, "1:Ana|2:|30:"},
      {"a change of letter case in a column shown", "SELECT Nombre FROM Personal WHERE Id = 1",
       "UPDATE Personal SET Nombre = 'ANA' WHERE Id = 1;", "Nombre", errc::kRecordDeleted, "1:ANA|2:|3:"},
      {"a change in a column not shown", "SELECT Nombre FROM Personal WHERE Id = 1",
       "UPDATE Personal SET Activo = 's' WHERE Id = 1;", "Nombre", errc::kRecordDeleted, "1:Ana|2:|3:"},
      {"no change meanwhile", "SELECT Nombre FROM Personal WHERE Id = 1", "", "Nombre", 0, "1:Eva|2:|3:"},
      {"a field named after another column writes the column it reads", "SELECT Nombre AS No_Empleado FROM Personal WHERE Id = 1",
       "", "No_Empleado", 0, "1:Eva|2:|3:"},
      {"a field that reads no column", "SELECT Nombre || '' AS Nombre FROM Personal WHERE Id = 1", "", "Nombre",
       errc::kFieldNotUpdatable, "1:Ana|2:|3:"},
  };
  const fs::path file = c.Path("Quiravel/Auxiliar.mdb");
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    cn.Execute("DELETE FROM Personal");
    cn.Execute("INSERT INTO Personal VALUES(1,'Ana','125','S'), (2,NULL,'126','n'), (3,'','127','S')");
    Recordset rs(cn, LockType::Optimistic);
    rs.Open(k.read);
    orvo::testing::SqliteSession other(file);
    if (*k.other) other.Send(k.other);
    ASSERT_EQ(other.End(), 0);
    ASSERT_EQ(other.Output().find("Error"), std::string::npos) << other.Output();
    auto e = ErrorOf([&] {
      rs.SetField(k.field, std::string("Eva"));
      rs.Update();
    });
    EXPECT_EQ(e ? e->number : 0, k.number) << (e ? e->what() : "");
    Recordset check(cn);
    check.Open("SELECT group_concat(Id || ':' || ifnull(Nombre, ''), '|') AS t FROM (SELECT * FROM Personal ORDER BY Id)");
    EXPECT_EQ(AsText(check.Field("t")), k.rows);
    check.Close();
    check.Open("SELECT count(*) AS n FROM Personal WHERE No_Empleado = 'Eva'");
    EXPECT_EQ(AsInteger(check.Field("n")), 0);
  }
}

// A table made by another program may take SQLite's names for the row id as
// its own columns: the edit still reaches one row by the true row id, and a
// table that leaves none of the names free is not edited at all.
TEST_F(RecordsetTest, AnEditOfATableWithAColumnNamedRowidReachesOneRow) {
  orvo::testing::SqliteSession other(c.Path("Quiravel/Auxiliar.mdb"));
  other.Send("CREATE TABLE Ajena (rowid INTEGER, Nombre TEXT); INSERT INTO Ajena VALUES (7, 'a'), (7, 'b');"
             "CREATE TABLE Llena (rowid INTEGER, _rowid_ INTEGER, oid INTEGER, Nombre TEXT);"
             "INSERT INTO Llena VALUES (1, 1, 1, 'a');");
  ASSERT_EQ(other.End(), 0);
  Recordset rs(cn, LockType::Optimistic);
  rs.Open("SELECT * FROM Ajena WHERE Nombre = 'a'");
  rs.SetField("Nombre", std::string("c"));
  rs.Update();
  EXPECT_EQ(rs.Field("rowid"), Value(std::int64_t{7}));
  Recordset check(cn);
  check.Open("SELECT group_concat(rowid || Nombre, '|') AS t FROM (SELECT * FROM Ajena ORDER BY _rowid_)");
  EXPECT_EQ(AsText(check.Field("t")), "7c|7b");
  rs.Close();
  rs.Open("SELECT * FROM Llena");
  EXPECT_EQ(ErrorOf([&] { rs.SetField("Nombre", std::string("c")); })->number, errc::kReadOnly);
}

TEST_F(RecordsetTest, ColumnNumbersCountTheColumnsTheStatementNames) {
  cn.Execute("INSERT INTO Personal VALUES(4,'Bea','100','S')");
  // Counted with the hidden rowid, each of these would come back in another order.
  struct Case { const char* sql; std::vector<std::string> first; } cases[] = {
      {"SELECT No_Empleado, Nombre FROM Personal ORDER BY 1", {"100", "125", "126", "127"}},
      {"SELECT Nombre, No_Empleado FROM Personal ORDER BY 2 DESC", {"", "", "Ana", "Bea"}},
      {"SELECT Activo, No_Empleado FROM Personal WHERE Id > 0 GROUP BY 1 ORDER BY 1", {"n", "S"}},
      {"SELECT * FROM Personal WHERE Id > 1 ORDER BY 3", {"4", "2", "3"}},
  };
  for (const Case& k : cases) {
    Recordset rs(cn, LockType::Optimistic);
    rs.Open(k.sql);
    std::vector<std::string> got;
    for (; !rs.Eof(); rs.MoveNext()) got.push_back(AsText(rs.Field(rs.FieldNames()[0])));
    EXPECT_EQ(got, k.first) << k.sql;
  }
  Recordset rs(cn, LockType::Optimistic);
  rs.Open("SELECT No_Empleado, Nombre FROM Personal ORDER BY 1");
  // Still editable, on the row the cursor is on.
  rs.MoveFirst();
  rs.SetField("Nombre", std::string("Beatriz"));
  rs.Update();
  Recordset check(cn);
  check.Open("SELECT Nombre FROM Personal WHERE Id = 4");
  EXPECT_EQ(AsText(check.Field("Nombre")), "Beatriz");
  // A number past the statement's own columns is refused, as SQLite refuses it.
  for (const char* sql : {"SELECT Nombre FROM Personal ORDER BY 2", "SELECT Nombre FROM Personal WHERE Id > 0 GROUP BY 2"}) {
    Recordset past(cn);
    EXPECT_THROW(past.Open(sql), Error) << sql;
  }
}

TEST_F(RecordsetTest, ARecordsetMayOutliveItsConnection) {
  Recordset closed, open;
  {
    Connection short_lived;
    short_lived.Open("DBQ=C:\\Quiravel\\Auxiliar.mdb");
    closed.Open(short_lived, "SELECT * FROM Personal");
    closed.Close();
    open.Open(short_lived, "SELECT * FROM Personal");
  }
  EXPECT_FALSE(open.IsOpen());
  EXPECT_THROW(open.Open("SELECT * FROM Personal"), Error);
  // Both are destroyed after their connection: neither may call into it.
}

TEST_F(RecordsetTest, FieldNamesMatchIgnoringCaseOfEveryWindows1252Letter) {
  cn.Execute("CREATE TABLE Claves (\"Contraseña\" TEXT, \"Año\" INTEGER)");
  cn.Execute("INSERT INTO Claves VALUES('x', 2010)");
  Recordset rs(cn);
  rs.Open("SELECT * FROM Claves");
  EXPECT_EQ(AsText(rs.Field("CONTRASEÑA")), "x");
  EXPECT_EQ(AsInteger(rs.Field("AÑO")), 2010);
}

TEST_F(RecordsetTest, AVeryLongQueryOpensAndStaysEditable) {
  // A long list of values once overflowed the stack of the statement reader.
  std::string sql = "SELECT Id, Nombre FROM Personal WHERE No_Empleado IN ('125'";
  while (sql.size() < 40000) sql += ",'999'";
  sql += ") ORDER BY Id";
  Recordset rs(cn, LockType::Optimistic);
  rs.Open(sql);
  ASSERT_EQ(rs.RecordCount(), 1);
  rs.SetField("Nombre", std::string("Ana"));
  rs.Update();
}

TEST(ValueTest, RealNumbersBeyondAnIntegerOverflow) {
  EXPECT_EQ(AsInteger(Value(2.9)), 2);
  EXPECT_EQ(AsInteger(Value(-2.9)), -2);
  EXPECT_EQ(AsInteger(Value(std::string(" 42 "))), 42);
  EXPECT_EQ(AsInteger(Value(std::string("4x")), -1), -1);
  for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e20, -1e20, 9223372036854775808.0}) {
    auto e = ErrorOf([&] { AsInteger(Value(bad)); });
    ASSERT_TRUE(e) << bad;
    EXPECT_EQ(e->number, errc::kOverflow) << bad;
  }
  EXPECT_EQ(AsInteger(Value(-9223372036854775808.0)), INT64_MIN);
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
