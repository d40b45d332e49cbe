// Telling database files apart through the engine, and the engine's integrity
// check, with the locks of this program's own connections left in place.
#include "platform/db/database_file.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/db/lock_file.h"
#include "platform/process/process.h"
#include "platform/testsupport/commands.h"
#include "platform/testsupport/error_of.h"
#include "platform/testsupport/sqlite_session.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using orvo::testing::TempDrive;
using orvo::testing::WriteFile;

constexpr const char* kMain = "C:\\Quiravel\\Quiravel.mdb";

class EngineFileTest : public ::testing::Test {
 protected:
  EngineFileTest() {
    fs::create_directories(c.Path("Quiravel"));
    auto db = Database::Create(kMain, "", "LUMAK");
    db.Append({"Checadas", {{"Fecha", Type::Text, 10, true}, {"Empleado", Type::Long}, {"Hora", Type::Text, 10, true}}});
    db.Close();
    Connection cn;
    cn.OpenFile(kMain, "LUMAK");
    cn.Execute("CREATE INDEX ix_fecha ON Checadas (Fecha)");
    for (int i = 0; i < 50; ++i) cn.Execute("INSERT INTO Checadas VALUES('2010 05 03', ?, '08:00:00')", {Value(std::int64_t{i})});
  }

  TempDrive c;
  fs::path file = c.Path("Quiravel/Quiravel.mdb");
};

// Asked about every file of the folder, the "-shm" among them, while this
// program holds the write lock: the lock stays, and another program's writer
// still cannot write.
TEST_F(EngineFileTest, AskingAboutTheCompanionsKeepsThisProgramsWriteLock) {
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  auto t = cn.Begin();
  cn.Execute("INSERT INTO Checadas VALUES('2010 05 04', 1, '08:00:00')");
  for (const fs::path& companion : CompanionFiles(file)) EXPECT_FALSE(IsDatabaseFile(companion)) << companion;
  std::string out;
  EXPECT_NE(orvo::testing::RunCommand("sqlite3 -batch " + orvo::testing::Quote(file) +
                                          " \"INSERT INTO Checadas VALUES('otro', 2, '09:00:00')\"",
                                      &out),
            0)
      << "another program wrote under this program's transaction";
  EXPECT_NE(out.find("locked"), std::string::npos) << out;
  t.Commit();
}

TEST_F(EngineFileTest, ADatabaseIsToldFromOtherFiles) {
  WriteFile(c.Path("Quiravel/notas.txt"), "SQLite format 2 no lo es");
  WriteFile(c.Path("Quiravel/corto.mdb"), "SQLite");
  WriteFile(c.Path("Quiravel/vacio.mdb"), "");
  const struct {
    fs::path path;
    bool database;
  } cases[] = {
      {file, true},
      {c.Path("Quiravel/notas.txt"), false},
      {c.Path("Quiravel/corto.mdb"), false},
      {c.Path("Quiravel/vacio.mdb"), false},
      {c.Path("Quiravel/NoExiste.mdb"), false},
      {c.Path("Quiravel"), false},
  };
  for (const auto& k : cases) EXPECT_EQ(IsDatabaseFile(k.path), k.database) << k.path;
  // Asking creates nothing beside any of them.
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/vacio.mdb-journal")));
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/NoExiste.mdb")));
  EXPECT_EQ(fs::file_size(c.Path("Quiravel/vacio.mdb")), 0u);
}

TEST_F(EngineFileTest, AskingLeavesTheLocksOfThisProgramsConnectionInPlace) {
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  cn.Execute("INSERT INTO Checadas VALUES('2010 05 04', 1, '08:00:00')");
  ASSERT_TRUE(IsDatabaseFile(file));
  // The open connection keeps a shared lock on the file. Without it, a second
  // program would take the file as the last one open, fold the log into it
  // and delete the log under this connection.
  orvo::testing::SqliteSession other(file);
  other.Send(".timeout 0");
  other.Send("PRAGMA locking_mode = EXCLUSIVE;");
  other.Send("BEGIN EXCLUSIVE;");
  EXPECT_NE(other.Output().find("database is locked"), std::string::npos) << other.Output();
  other.End();
}

TEST_F(EngineFileTest, CompanionsAreNamedByTheEngine) {
  EXPECT_EQ(CompanionFiles(file), (std::vector<fs::path>{c.Path("Quiravel/Quiravel.mdb-wal"), c.Path("Quiravel/Quiravel.mdb-shm"),
                                                          c.Path("Quiravel/Quiravel.mdb-journal"), c.Path("Quiravel/Quiravel.ldb")}));
  const struct {
    const char* name;
    bool companion, lock;
  } cases[] = {
      {"Quiravel.mdb-wal", true, false}, {"Quiravel.MDB-SHM", true, false}, {"a.mdb-journal", true, false},
      {"Quiravel.ldb", true, true},      {"QUIRAVEL.LDB", true, true},      {"Quiravel.mdb", false, false},
      {"wal", false, false},             {"notas-wal.txt", false, false},   {"ldb", false, false},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(IsCompanionFile(k.name), k.companion) << k.name;
    EXPECT_EQ(IsLockFile(k.name), k.lock) << k.name;
  }
}

TEST_F(EngineFileTest, IntegrityCheckFindsAnIndexMissingItsRows) {
  {
    Connection cn;
    cn.OpenFile(kMain, "LUMAK");
    EXPECT_TRUE(IntegrityProblems(cn).empty());
  }
  orvo::testing::EmptyIndex(file, "ix_fecha");
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  const std::vector<std::string> problems = IntegrityProblems(cn);
  ASSERT_GT(problems.size(), 1u);
  const std::string first = FirstProblem(problems);
  EXPECT_NE(first.find("ix_fecha"), std::string::npos) << first;
  EXPECT_EQ(first.find('\n'), std::string::npos) << first;
  EXPECT_EQ(FirstProblem({"*** in database main ***\nOn tree page 80 cell 95: Offset 43947\nOtra"}),
            "On tree page 80 cell 95: Offset 43947");
  EXPECT_EQ(FirstProblem({}), "");

  // A snapshot of it is refused whole: no damaged copy is left to archive.
  auto e = orvo::testing::ErrorOf([&] { cn.Snapshot("C:\\Quiravel\\Copia.mdb"); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, errc::kUnrecognizedFormat);
  EXPECT_EQ(std::string(e->what()), "La copia de la base de datos 'C:\\Quiravel\\Quiravel.mdb' está dañada: " + first + ".");
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Copia.mdb")));
}

}  // namespace
}  // namespace orvo::db
