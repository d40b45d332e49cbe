#include "platform/db/replace_contents.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/db/database.h"
#include "platform/db/database_file.h"
#include "platform/db/recordset.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/error_of.h"
#include "platform/testsupport/sqlite_session.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using orvo::testing::ErrorOf;

constexpr const char* kLive = "C:\\Quiravel\\Quiravel.mdb";

// The rows of a query as text, one line each, as the sqlite3 command line
// shows them: what another program reads.
std::string Sqlite(const fs::path& file, const std::string& sql) {
  std::string out;
  const int rc = orvo::testing::RunCommand("sqlite3 -batch " + orvo::testing::Quote(file) + " " +
                                               orvo::testing::Quote(sql),
                                           &out);
  return rc == 0 ? out : "error " + std::to_string(rc) + ": " + out;
}

struct ReplaceContentsTest : ::testing::Test {
  ReplaceContentsTest() {
    fs::create_directories(c.Path("Quiravel"));
    Database::Create(kLive, ";LANGID=0x0409;CP=1252;COUNTRY=0", "LUMAK");
    Database::Create(source.string(), ";LANGID=0x0409;CP=1252;COUNTRY=0", "LUMAK");
    Run(kLive, {"CREATE TABLE Checadas (Fecha TEXT, Empleado INTEGER)", "CREATE TABLE Vieja (x)",
                "INSERT INTO Checadas VALUES ('vieja', 1)", "INSERT INTO Vieja VALUES (1)"});
    // Another layout: a column more, gaps in the rowids, an index, a view,
    // a trigger and a counter of its own.
    Run(source.string(),
        {"CREATE TABLE Checadas (Id INTEGER, Fecha TEXT, Empleado INTEGER, Hora TEXT)",
         "CREATE INDEX ix_fecha ON Checadas (Fecha)",
         "CREATE TABLE Bitacora (n INTEGER PRIMARY KEY AUTOINCREMENT, texto TEXT)",
         "CREATE VIEW Cuantas AS SELECT count(*) AS n FROM Checadas",
         "CREATE TRIGGER anota AFTER INSERT ON Checadas BEGIN INSERT INTO Bitacora (texto) VALUES (NEW.Fecha); END",
         "INSERT INTO Checadas VALUES (1, '2026 02 03', 125, '07:58:10')",
         "INSERT INTO Checadas VALUES (2, '2026 02 03', 126, '08:01:00')",
         "INSERT INTO Checadas VALUES (3, '2026 02 04', 125, '07:59:00')", "DELETE FROM Checadas WHERE Id = 2",
         "DELETE FROM Bitacora WHERE n = 2", "PRAGMA user_version = 7"});
  }

  static void Run(const std::string& file, std::initializer_list<std::string> sql) {
    Connection cn;
    cn.OpenFile(file, "LUMAK");
    for (const std::string& s : sql) cn.Execute(s);
  }

  std::string Rows(const std::string& sql) { return Sqlite(c.Path("Quiravel/Quiravel.mdb"), sql); }

  orvo::testing::TempDrive c;
  fs::path source = c.Path("respaldo.mdb");
};

TEST_F(ReplaceContentsTest, LiveDatabaseHoldsTheSourceWithItsRowidsAndObjects) {
  const std::string expected = Sqlite(source, "SELECT rowid, * FROM Checadas; SELECT * FROM Bitacora; "
                                              "SELECT * FROM sqlite_sequence; PRAGMA user_version");
  {
    ContentsReplacement r(kLive, "LUMAK", source);
    r.Commit("~restaura_1");
  }
  EXPECT_EQ(Rows("SELECT rowid, * FROM Checadas; SELECT * FROM Bitacora; SELECT * FROM sqlite_sequence; "
                 "PRAGMA user_version"),
            expected);
  EXPECT_EQ(Rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'Vieja'"), "");
  EXPECT_EQ(Rows("SELECT * FROM Cuantas"), "2\n");
  EXPECT_EQ(Rows("SELECT name FROM sqlite_master WHERE type = 'index' AND name = 'ix_fecha'"), "ix_fecha\n");
  // The trigger came too: an insert is logged, under the next counter value.
  EXPECT_EQ(Rows("INSERT INTO Checadas VALUES (4, 'nueva', 1, '09:00'); SELECT n, texto FROM Bitacora ORDER BY n DESC "
                 "LIMIT 1"),
            "4|nueva\n");
  EXPECT_EQ(Rows("PRAGMA integrity_check"), "ok\n");
  EXPECT_TRUE(ReplacementMarked(kLive, "LUMAK", "~restaura_1"));
  EXPECT_FALSE(ReplacementMarked(kLive, "LUMAK", "~restaura_2"));
  // The password still guards it.
  EXPECT_EQ(ErrorOf([&] { Connection cn; cn.OpenFile(kLive, "otra"); })->number, errc::kBadPassword);
}

// A set restored over the data it was made of: the tables that both define
// alike take only the rows that differ, and end exactly as the source's,
// down to each value's type and the letter case of text in a column that
// compares without it; no trigger fires on the rows written.
TEST_F(ReplaceContentsTest, TablesDefinedAlikeEndAsTheSourceValueForValue) {
  fs::remove(source);
  Database::Create(source.string(), ";LANGID=0x0409;CP=1252;COUNTRY=0", "LUMAK");
  const auto layout = {std::string("CREATE TABLE Personal (Nombre TEXT COLLATE NOCASE, Dato, Numero INTEGER)"),
                       std::string("CREATE UNIQUE INDEX ix_nombre ON Personal (Nombre)"),
                       std::string("CREATE TABLE Bitacora (texto)"),
                       std::string("CREATE TRIGGER anota AFTER INSERT ON Personal BEGIN INSERT INTO Bitacora VALUES "
                                   "(NEW.Nombre); END")};
  for (const std::string& file : {std::string(kLive), source.string()}) {
    Connection cn;
    cn.OpenFile(file, "LUMAK");
    cn.Execute("DROP TABLE IF EXISTS Checadas");
    cn.Execute("DROP TABLE IF EXISTS Vieja");
    for (const std::string& sql : layout) cn.Execute(sql);
  }
  Run(source.string(), {"INSERT INTO Personal VALUES ('ana', 1, 10)", "INSERT INTO Personal VALUES ('Luis', 2.0, 11)",
                        "INSERT INTO Personal VALUES ('eva', x'00ff', 12)", "INSERT INTO Personal VALUES ('sol', '7', 13)",
                        "DELETE FROM Personal WHERE Nombre = 'eva'", "INSERT INTO Personal VALUES ('eva', x'00ff', 14)",
                        "DELETE FROM Bitacora"});
  // The live rows: one as the source's, one whose text differs only in case,
  // one whose value differs only in type, one the source lacks, and rowids
  // that the source gives other rows.
  Run(kLive, {"INSERT INTO Personal VALUES ('ana', 1, 10)", "INSERT INTO Personal VALUES ('luis', 2.0, 11)",
              "INSERT INTO Personal VALUES ('sol', 7, 12)", "INSERT INTO Personal VALUES ('otro', NULL, 13)",
              "DELETE FROM Bitacora"});
  const std::string query = "SELECT rowid, Nombre, typeof(Dato), quote(Dato), Numero FROM Personal ORDER BY rowid; "
                            "SELECT count(*) FROM Bitacora";
  const std::string expected = Sqlite(source, query);
  {
    ContentsReplacement r(kLive, "LUMAK", source);
    r.Commit("~restaura_1");
  }
  EXPECT_EQ(Rows(query), expected);
  EXPECT_EQ(Rows("PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(Rows("SELECT name FROM sqlite_master WHERE type IN ('index', 'trigger') ORDER BY name"), "anota\nix_nombre\n");
  EXPECT_TRUE(ReplacementMarked(kLive, "LUMAK", "~restaura_1"));
}

TEST_F(ReplaceContentsTest, WithoutCommitTheLiveDatabaseStaysAsItWas) {
  const std::string before = Rows("SELECT * FROM Checadas; SELECT * FROM Vieja");
  { ContentsReplacement r(kLive, "LUMAK", source); }
  EXPECT_EQ(Rows("SELECT * FROM Checadas; SELECT * FROM Vieja"), before);
  EXPECT_FALSE(ReplacementMarked(kLive, "LUMAK", "~restaura_1"));
}

TEST_F(ReplaceContentsTest, SourceThatIsNoDatabaseIsRefusedBeforeAnyChange) {
  orvo::testing::WriteFile(source, "esto no es una base de datos, aunque lo parezca por su nombre");
  EXPECT_EQ(ErrorOf([&] { ContentsReplacement r(kLive, "LUMAK", source); })->number, errc::kUnrecognizedFormat);
  EXPECT_EQ(Rows("SELECT * FROM Vieja"), "1\n");
}

// The sqlite3 command line opens the file at once and takes no lock until its
// first statement: nothing can tell it is there. It reads and writes the
// replaced contents all the same, in the one file that stays in place.
TEST_F(ReplaceContentsTest, SessionOpenedBeforeAndIdleWritesIntoTheReplacedContents) {
  orvo::testing::SqliteSession session(c.Path("Quiravel/Quiravel.mdb"));
  session.Send(".print abierta");
  {
    ContentsReplacement r(kLive, "LUMAK", source);
    r.Commit("~restaura_1");
  }
  session.Send("INSERT INTO Checadas (Id, Fecha, Empleado, Hora) VALUES (9, 'sesion', 7, '10:00:00');");
  EXPECT_EQ(session.End(), 0) << session.Output();
  EXPECT_EQ(session.Output().find("malformed"), std::string::npos) << session.Output();
  EXPECT_EQ(Rows("PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(Rows("SELECT Fecha FROM Checadas ORDER BY rowid"), "2026 02 03\n2026 02 04\nsesion\n");
}

// While the write lock is held, a writer waits for it and lands after the
// replaced contents; a reader, and a consistent copy, see the data before.
TEST_F(ReplaceContentsTest, WriterDuringTheHoldWaitsAndItsRowIsKept) {
  ContentsReplacement r(kLive, "LUMAK", source);
  orvo::testing::Child writer = orvo::testing::Start(
      "/usr/bin/sqlite3", {"-batch", "-cmd", ".timeout 120000", c.Path("Quiravel/Quiravel.mdb").string(),
                           "INSERT INTO Checadas (Fecha, Empleado) VALUES ('del otro', 5)"});
  EXPECT_EQ(Rows("SELECT Fecha FROM Checadas"), "vieja\n");
  {
    Connection cn;
    cn.OpenFile(kLive, "LUMAK");
    cn.Snapshot(c.Path("copia.mdb").string());
  }
  EXPECT_EQ(Sqlite(c.Path("copia.mdb"), "SELECT Fecha FROM Checadas; SELECT * FROM Vieja"), "vieja\n1\n");
  r.Commit("~restaura_1");
  EXPECT_EQ(writer.Wait(std::chrono::minutes(2)), 0);
  EXPECT_EQ(Rows("SELECT Fecha, Empleado FROM Checadas ORDER BY rowid"),
            "2026 02 03|125\n2026 02 04|125\ndel otro|5\n");
  EXPECT_EQ(Rows("PRAGMA integrity_check"), "ok\n");
}

}  // namespace
}  // namespace orvo::db
