#include "platform/db/single_table.h"

#include <gtest/gtest.h>

namespace orvo::db::detail {
namespace {

TEST(SingleTableTest, PlainQueriesOverOneTableAreEditable) {
  struct Case { const char* sql; const char* table; const char* carrying; } cases[] = {
      {"SELECT * FROM Personal", "Personal", "SELECT *, rowid AS h FROM \"Personal\" "},
      {"  select Id, Nombre from \"Personal\" where Id = ? order by Id;", "Personal",
       "SELECT Id, Nombre, rowid AS h FROM \"Personal\" where Id = ? order by Id;"},
      {"Select *\nFrom confPT\nORDER  BY rowid", "confPT", "SELECT *, rowid AS h FROM \"confPT\" ORDER  BY rowid"},
      {"SELECT 'from' AS x, Id FROM Turnos;", "Turnos", "SELECT 'from' AS x, Id, rowid AS h FROM \"Turnos\" "},
      {"SELECT Año FROM Señales", "Señales", "SELECT Año, rowid AS h FROM \"Señales\" "},
  };
  for (const Case& k : cases) {
    auto t = ReadSingleTable(k.sql);
    ASSERT_TRUE(t) << k.sql;
    EXPECT_EQ(t->table, k.table) << k.sql;
    EXPECT_EQ(t->Carrying("rowid AS h"), k.carrying) << k.sql;
  }
}

TEST(SingleTableTest, EverythingElseIsReadOnly) {
  for (const char* sql : {"SELECT count(*) FROM Personal", "SELECT DISTINCT Id FROM Personal", "SELECT Id FROM A, B",
                          "SELECT Id FROM A JOIN B ON A.x = B.x", "SELECT Id FROM A GROUP BY Id", "SELECT Id FROM main.A",
                          "SELECT Id FROM A; DROP TABLE A", "SELECT Id FROM", "SELECT FROM A", "DELETE FROM A",
                          "SELECT Id FROM A ORDER Id", "SELECT 'x FROM A", "PRAGMA journal_mode", ""}) {
    EXPECT_FALSE(ReadSingleTable(sql)) << sql;
  }
}

TEST(SingleTableTest, AVeryLongQueryIsReadInOnePass) {
  std::string sql = "SELECT Id FROM Personal WHERE Id IN (1";
  while (sql.size() < 200000) sql += ",1";
  sql += ")";
  auto t = ReadSingleTable(sql);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->table, "Personal");
}

}  // namespace
}  // namespace orvo::db::detail
