// Several programs on one database file, each a real process: a reader during
// an import, two writers, the in-use test and the consistent copy.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/db/lock_file.h"
#include "platform/db/recordset.h"
#include "platform/db/session.h"
#include "platform/process/process.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/error_of.h"
#include "platform/testsupport/sqlite_session.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using orvo::testing::ErrorOf;
using orvo::testing::TempDrive;

constexpr const char* kMain = "C:\\Quiravel\\Quiravel.mdb";

class LockingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(c.Path("Quiravel"));
    fs::create_directories(signals);
    auto db = Database::Create(kMain, "", "LUMAK");
    db.Append({"Checadas", {{"Fecha", Type::Text, 10, true}, {"Empleado", Type::Long}, {"Hora", Type::Text, 10, true}}});
  }

  // Starts the second program and waits until it has done its part.
  orvo::testing::Child Other(const char* mode) {
    fs::remove(signals / "ready");
    fs::remove(signals / "go");
    auto child = orvo::testing::Start(ORVO_DB_LOCKING_CHILD, {file.string(), mode, signals.string()});
    while (!fs::exists(signals / "ready")) {
      if (!child.Running()) {
        ADD_FAILURE() << "the other program ended early";
        break;
      }
      std::this_thread::sleep_for(10ms);
    }
    return child;
  }
  void Go() { orvo::testing::WriteFile(signals / "go", "go"); }

  long Rows(Connection& cn) {
    Recordset rs(cn);
    rs.Open("SELECT count(*) AS n FROM Checadas");
    return static_cast<long>(AsInteger(rs.Field("n")));
  }

  TempDrive c;
  fs::path file = c.Path("Quiravel/Quiravel.mdb");
  fs::path signals = c.Path("senales");
};

TEST_F(LockingTest, AReaderDuringAnImportReadsWhatIsCommittedWithoutWaiting) {
  auto importer = Other("hold-write");
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  // With a rollback journal this read would wait for the importer's commit.
  Recordset mode(cn);
  mode.Open("PRAGMA journal_mode");
  EXPECT_EQ(AsText(mode.Field("journal_mode")), "wal");
  sqlite3_busy_timeout(detail::SessionOf(cn).db(), 0);  // a reader that had to wait would fail here
  EXPECT_EQ(Rows(cn), 0);
  Go();
  EXPECT_EQ(importer.Wait(30s), 0);
  EXPECT_EQ(Rows(cn), 1);
}

TEST_F(LockingTest, ASecondWriterWaitsForTheFirstInsteadOfFailingHalfWay) {
  auto first = Other("hold-write");
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  Go();  // the first commits a moment from now, while this one waits for it
  {
    // Reads, then writes, as the classifier does: the write lock is taken at
    // the start, so the count read is still true at the insert.
    auto t = cn.Begin();
    long before = Rows(cn);
    EXPECT_EQ(before, 1);
    cn.Execute("INSERT INTO Checadas VALUES('2010 05 03', ?, '09:00:00')", {Value(std::int64_t{before + 1})});
    t.Commit();
  }
  EXPECT_EQ(first.Wait(30s), 0);
  EXPECT_EQ(Rows(cn), 2);
}

TEST_F(LockingTest, AWriterThatWaitedTooLongIsToldWhichFileIsInUse) {
  auto first = Other("hold-write");
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  sqlite3_busy_timeout(detail::SessionOf(cn).db(), 50);
  auto e = ErrorOf([&] { cn.Begin(); });
  ASSERT_TRUE(e) << "the write lock was taken while another program held it";
  EXPECT_EQ(e->number, errc::kLocked);
  const std::string text = e->what();
  EXPECT_NE(text.find(kMain), std::string::npos) << text;
  EXPECT_NE(text.find("en uso por otro programa"), std::string::npos) << text;
  Go();
  EXPECT_EQ(first.Wait(30s), 0);
  EXPECT_EQ(Rows(cn), 1);
}

TEST_F(LockingTest, InUseWhileAnotherProgramHasTheFileOpenOrIsWritingIt) {
  EXPECT_FALSE(IsInUse(kMain));
  for (const char* mode : {"hold-open", "hold-write", "raw-write"}) {
    auto other = Other(mode);
    EXPECT_TRUE(IsInUse(kMain)) << mode;
    EXPECT_TRUE(IsInUse(file.string())) << mode;
    EXPECT_FALSE(ExclusiveUse(kMain).Taken()) << mode;
    Go();
    EXPECT_EQ(other.Wait(30s), 0) << mode;
    EXPECT_FALSE(IsInUse(kMain)) << mode;
  }
  // The lock file stays for the next program; no log is left behind.
  EXPECT_TRUE(fs::exists(c.Path("Quiravel/Quiravel.ldb")));
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Quiravel.mdb-wal")));
  EXPECT_FALSE(IsInUse("C:\\Quiravel\\NoExiste.mdb"));
}

// A user looking inside with the sqlite3 command line, idle between two
// statements, has the file open as much as a program of the system.
TEST_F(LockingTest, AnIdleSessionOfAnyOtherClientCountsAsAUser) {
  orvo::testing::SqliteSession session(file);
  session.Send("SELECT count(*) FROM Checadas;");
  EXPECT_TRUE(IsInUse(kMain));
  EXPECT_FALSE(ExclusiveUse(kMain).Taken());
  // Asking did not get in its way: its next statement lands in the file.
  session.Send("INSERT INTO Checadas VALUES('2010 05 03', 7, '08:00:00');");
  EXPECT_EQ(session.End(), 0);
  EXPECT_EQ(session.Output().find("Error"), std::string::npos) << session.Output();
  EXPECT_FALSE(IsInUse(kMain));
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  EXPECT_EQ(Rows(cn), 1);
}

TEST_F(LockingTest, TheInUseTestLeavesTheLocksOfThisProgramInPlace) {
  // Closing any descriptor of the database file would drop the locks SQLite
  // holds on it for this process, and the other program could then write
  // into the middle of this one's transaction.
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  auto t = cn.Begin();
  cn.Execute("INSERT INTO Checadas VALUES('2010 05 03', 1, '08:00:00')");
  EXPECT_TRUE(IsInUse(kMain));
  auto other = orvo::testing::Start(ORVO_DB_LOCKING_CHILD, {file.string(), "raw-write", signals.string()});
  EXPECT_EQ(other.Wait(30s), 2) << "the other program wrote during this one's transaction";
  t.Commit();
  EXPECT_EQ(Rows(cn), 1);
  cn.Close();

  // The same through the write test itself: a client of this process that
  // knows nothing of the lock file is writing, so the test opens the file.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, "BEGIN IMMEDIATE; INSERT INTO Checadas VALUES('2010 05 03', 2, '08:00:00')", nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_TRUE(IsInUse(kMain));
  auto again = orvo::testing::Start(ORVO_DB_LOCKING_CHILD, {file.string(), "raw-write", signals.string()});
  EXPECT_EQ(again.Wait(30s), 2) << "the other program wrote during this one's transaction";
  EXPECT_EQ(sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close_v2(raw);
  cn.OpenFile(kMain, "LUMAK");
  EXPECT_EQ(Rows(cn), 2);
}

TEST_F(LockingTest, AnExclusiveHolderKeepsConnectionsOutUntilItLetsGo) {
  std::optional<ExclusiveUse> solo;
  solo.emplace(kMain);
  ASSERT_TRUE(solo->Taken());
  auto other = orvo::testing::Start(ORVO_DB_LOCKING_CHILD, {file.string(), "write", signals.string()});
  EXPECT_FALSE(other.Wait(300ms).has_value()) << "the other program opened the file while it was held";
  solo.reset();
  EXPECT_EQ(other.Wait(30s), 0);
}

TEST_F(LockingTest, AnEditNeverLandsOnTheRowAnotherProgramInsertedUnderTheSameRowid) {
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  for (int i = 1; i <= 3; ++i) cn.Execute("INSERT INTO Checadas VALUES('2010 05 03', ?, '08:00:00')", {Value(std::int64_t{i})});
  Recordset rs(cn, LockType::Optimistic);
  rs.Open("SELECT Empleado, Hora FROM Checadas ORDER BY Empleado");
  rs.MoveNext();
  rs.MoveNext();
  ASSERT_EQ(AsInteger(rs.Field("Empleado")), 3);
  // The other program deletes the last row and inserts one: SQLite gives it
  // the deleted row's rowid.
  for (const char* sql : {"DELETE FROM Checadas WHERE Empleado = 3", "INSERT INTO Checadas VALUES('2010 05 04', 77, '09:00:00')"}) {
    auto other = process::Start(ORVO_DB_LOCKING_CHILD, {file.string(), "write", signals.string(), sql});
    ASSERT_EQ(other.Wait(30s), 0) << sql;
  }
  Recordset reused(cn);
  reused.Open("SELECT rowid AS r FROM Checadas WHERE Empleado = 77");
  ASSERT_EQ(AsInteger(reused.Field("r")), 3) << "the test needs the rowid taken again";

  rs.SetField("Hora", std::string("EDIT-OF-3"));
  auto e = ErrorOf([&] { rs.Update(); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, errc::kRecordDeleted);
  Recordset check(cn);
  check.Open("SELECT Empleado, Hora FROM Checadas WHERE rowid = 3");
  EXPECT_EQ(AsInteger(check.Field("Empleado")), 77);
  EXPECT_EQ(AsText(check.Field("Hora")), "09:00:00");
}

TEST_F(LockingTest, ASnapshotIsTheCommittedStateWhileAnotherProgramWrites) {
  Connection cn;
  cn.OpenFile(kMain, "LUMAK");
  cn.Execute("INSERT INTO Checadas VALUES('2010 05 03', 1, '08:00:00')");
  auto writer = Other("hold-write");
  cn.Snapshot("C:\\Quiravel\\Copia.mdb");
  Go();
  EXPECT_EQ(writer.Wait(30s), 0);

  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Copia.mdb-wal")));
  Connection copy;
  copy.OpenFile("C:\\Quiravel\\Copia.mdb", "LUMAK");  // the password goes with the copy
  EXPECT_EQ(Rows(copy), 1);
  EXPECT_EQ(Rows(cn), 2);
  copy.Close();

  auto before = orvo::testing::ReadFile(c.Path("Quiravel/Copia.mdb"));
  auto e = ErrorOf([&] { cn.Snapshot("C:\\Quiravel\\Copia.mdb"); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, errc::kDatabaseExists);
  EXPECT_EQ(orvo::testing::ReadFile(c.Path("Quiravel/Copia.mdb")), before);
  EXPECT_THROW(cn.Snapshot("C:\\NoHay\\Copia.mdb"), Error);
  {
    auto t = cn.Begin();
    EXPECT_THROW(cn.Snapshot("C:\\Quiravel\\Otra.mdb"), Error);
  }
  EXPECT_FALSE(fs::exists(c.Path("Quiravel/Otra.mdb")));
  EXPECT_FALSE(fs::exists(c.Path("NoHay")));
}

}  // namespace
}  // namespace orvo::db
