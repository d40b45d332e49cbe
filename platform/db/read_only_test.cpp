// A sound database on a medium this program may not write: it opens for
// reading where it can follow what other programs commit, a write says why it
// cannot be done, and the companions SQLite made are left to SQLite. Permission bits do not bind root, so
// as root each case runs in a child process that has become `nobody`; a
// read-only mount binds everyone, and is made in a child's own mount
// namespace where the system allows it.
#include "platform/db/read_only.h"

#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/error.h"
#include "platform/process/process.h"
#include "platform/db/session.h"
#include "platform/testsupport/child.h"
#include "platform/testsupport/sqlite_session.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using orvo::testing::TempDrive;

constexpr const char* kMain = "C:\\Quiravel\\Quiravel.mdb";
constexpr uid_t kNobody = 65534;

// The two ends of the hand-over between a child and this process (see
// HandOver): the child writes to the first, this process to the second.
int toParent[2] = {-1, -1};
int toChild[2] = {-1, -1};

// For the child: lets the parent take its turn (InChild's `parentsTurn`),
// and goes on once it has.
void HandOver() {
  const char c = 'h';
  (void)!::write(toParent[1], &c, 1);
  char back;
  (void)!::read(toChild[0], &back, 1);
}

// Runs `body` in a child process once `prepare` has set it up (ended if it
// hangs). Gives what `body` found wrong, one line each: empty when
// everything held; "SKIP: ..." when `prepare` could not. Each time the child
// calls HandOver, this process runs `parentsTurn`.
std::string InChild(const std::function<const char*()>& prepare, const std::function<std::string()>& body,
                    const std::function<void()>& parentsTurn = {}) {
  int out[2];
  if (::pipe(out) != 0 || ::pipe(toParent) != 0 || ::pipe(toChild) != 0) return "no pipe";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
    ::close(toParent[0]);
    ::close(toChild[1]);
    std::string found;
    if (const char* why = prepare()) {
      found = std::string("SKIP: ") + why;
    } else {
      try {
        found = body();
      } catch (const std::exception& e) {
        found = std::string("uncaught: ") + e.what();
      }
    }
    (void)!::write(out[1], found.data(), found.size());
    ::_exit(0);
  }
  ::close(out[1]);
  ::close(toParent[1]);
  ::close(toChild[0]);
  // Until the child ends (and its end of the pipe closes), its turns.
  for (char c; ::read(toParent[0], &c, 1) == 1;) {
    if (parentsTurn) parentsTurn();
    (void)!::write(toChild[1], &c, 1);
  }
  ::close(toParent[0]);
  ::close(toChild[1]);
  std::string found;
  char buffer[4096];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) found.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  for (int waited = 0; ::waitpid(pid, &status, WNOHANG) == 0; waited += 10) {
    if (waited > 60000) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return found + "the child hung";
    }
    std::this_thread::sleep_for(10ms);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) found += "the child ended badly";
  return found;
}

const char* BecomeNobody() {
  return ::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ? "cannot become nobody" : nullptr;
}

// Runs `body` as a user that permission bits bind: this process when it is
// not root, else a child that has become nobody.
std::string AsPlainUser(const std::function<std::string()>& body) {
  if (::geteuid() != 0) return body();
  return InChild(BecomeNobody, body);
}

// Runs `body` as nobody while this process, root, is another account that may
// write the file: `parentsTurn` runs as root each time the body hands over.
// Skipped when this process is not root, which has no second account.
std::string AsNobodyBesideRoot(const std::function<std::string()>& body, const std::function<void()>& parentsTurn) {
  if (::geteuid() != 0) return "SKIP: a second account needs root";
  return InChild(BecomeNobody, body, parentsTurn);
}

// Runs `body` in a child that sees `folder` as a read-only mount, which
// binds root too; skipped where this process may not make mounts.
std::string OnReadOnlyMount(const fs::path& folder, const std::function<std::string()>& body) {
  return InChild(
      [&]() -> const char* {
        if (::unshare(CLONE_NEWNS) != 0) return "no mount namespace for this user";
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
          return "this user may not make a read-only mount";
        return nullptr;
      },
      body);
}

// What a call throws, as "number: text", or "" when it succeeds.
std::string Outcome(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return std::to_string(e.number) + ": " + e.what();
  }
  return "";
}

class ReadOnlyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder);
    auto db = Database::Create(kMain, "", "LUMAK");
    db.Append({"Checadas", {{"Empleado", Type::Long}, {"Hora", Type::Text, 10, true}}});
    db.Close();
    Connection cn;
    cn.OpenFile(kMain, "LUMAK");
    cn.Execute("INSERT INTO Checadas VALUES(1, '08:00:00')");
    cn.Close();
    // A plain user must reach the folder to read in it.
    fs::permissions(c.Root(), fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  }

  // Reads the row, then tries to write: what each step found wrong.
  static std::string ReadsAndRefusesWrites(const std::string& why) {
    std::string found;
    Connection cn;
    if (std::string o = Outcome([&] { cn.OpenFile(kMain, "LUMAK"); }); !o.empty()) return "open: " + o;
    Recordset rs(cn);
    rs.Open("SELECT Hora FROM Checadas");
    if (rs.RecordCount() != 1 || AsText(rs.Field("Hora")) != "08:00:00") found += "the row did not read back\n";
    const std::string write = Outcome([&] { cn.Execute("INSERT INTO Checadas VALUES(2, '09:00:00')"); });
    if (!write.starts_with("3051: ") || write.find(kMain) == std::string::npos || write.find(why) == std::string::npos)
      found += "write: " + write + "\n";
    return found;
  }

  std::vector<std::string> Companions() const {
    std::vector<std::string> left;
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
      if (fs::exists(folder / ("Quiravel.mdb" + std::string(suffix)))) left.push_back(suffix);
    }
    return left;
  }

  TempDrive c;
  fs::path folder = c.Path("Quiravel");
  fs::path file = c.Path("Quiravel/Quiravel.mdb");
};

TEST_F(ReadOnlyTest, AFileInAFolderThatCannotBeWrittenIsRefusedWithoutAnIndexToFollowOtherWriters) {
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  std::string found = AsPlainUser([] {
    const std::string open = Outcome([] { Connection().OpenFile(kMain, "LUMAK"); });
    return open.starts_with("3051: ") && open.find(kMain) != std::string::npos &&
                   open.find("no se permite escribir en el archivo ni en su carpeta") != std::string::npos &&
                   open.find("no se verían los cambios que otros programas hacen en él") != std::string::npos
               ? std::string()
               : "open: " + open;
  });
  if (found.starts_with("SKIP")) GTEST_SKIP() << found;
  EXPECT_EQ(found, "");
  EXPECT_TRUE(Companions().empty());
}

// Another account writes the file while this program, which may not write its
// folder, reads it: each read sees every commit made before it, whole, the
// checkpointed and those still in the log. A reader that came first, before
// the writer made an index it could follow, may be refused; it never reads
// stale or mixed pages.
TEST_F(ReadOnlyTest, AReaderInAFolderItMayNotWriteSeesEveryCommitOfAnotherAccount) {
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  for (const bool writerFirst : {true, false}) {
    SCOPED_TRACE(writerFirst ? "the writer came first" : "the reader came first");
    std::optional<orvo::testing::SqliteSession> writer;
    if (writerFirst) {
      writer.emplace(file);
      writer->Send("SELECT count(*) FROM Checadas;");
    }
    int turn = 0;
    std::string found = AsNobodyBesideRoot(
        [&] {
          std::string found;
          Connection cn;
          if (std::string o = Outcome([&] { cn.OpenFile(kMain, "LUMAK"); }); !o.empty())
            return writerFirst || !o.starts_with("3051: ") ? "open: " + o : std::string();
          for (const char* expected : {"1 1", "5501 5501", "5502 5502"}) {
            Recordset rs(cn);
            rs.Open("SELECT count(*) || ' ' || count(DISTINCT Empleado) AS n FROM Checadas");
            if (AsText(rs.Field("n")) != expected) found += "read " + AsText(rs.Field("n")) + ", not " + expected + "\n";
            HandOver();
          }
          return found;
        },
        [&] {
          if (++turn == 1) {
            if (!writer) writer.emplace(file);
            writer->Send("WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 5501) "
                         "INSERT INTO Checadas SELECT i, printf('%05d', i) FROM n; PRAGMA wal_checkpoint(TRUNCATE);");
          } else if (turn == 2) {
            writer->Send("INSERT INTO Checadas VALUES (9000, '09:00:00');");
          }
        });
    if (found.starts_with("SKIP")) GTEST_SKIP() << found;
    EXPECT_EQ(found, "");
    if (writer) {
      EXPECT_EQ(writer->End(), 0);
      EXPECT_EQ(writer->Output().find("Error"), std::string::npos) << writer->Output();
    }
    // The next case starts from the one row again, with no companions.
    writer.reset();
    Connection cn;
    cn.OpenFile(kMain, "LUMAK");
    cn.Execute("DELETE FROM Checadas WHERE Empleado > 1");
  }
}

// The index is being built by the program that opened the file first, a
// state that passes by itself: a reader waits for it, as for a lock.
TEST_F(ReadOnlyTest, AReaderWaitsForAnIndexThatAnotherProgramIsBuilding) {
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  const fs::path signals = c.Path("senales");
  fs::create_directories(signals);
  fs::permissions(signals, fs::perms::all);
  auto builder = orvo::testing::Start(ORVO_DB_LOCKING_CHILD, {file.string(), "rebuild-index", signals.string()});
  for (int i = 0; !fs::exists(signals / "ready") && builder.Running() && i < 6000; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(fs::exists(signals / "ready"));
  std::string found = AsNobodyBesideRoot(
      [&] {
        const int before = detail::PassingStatesWaited();
        std::string read;
        std::thread reader([&] {
          read = Outcome([&] {
            Connection cn;
            cn.OpenFile(kMain, "LUMAK");
            Recordset rs(cn);
            rs.Open("SELECT count(*) AS n FROM Checadas");
            if (AsInteger(rs.Field("n")) != 1) read = "the row did not read back";
          });
        });
        // The builder goes on once the reader has met the index half-built.
        for (int i = 0; detail::PassingStatesWaited() == before && i < 6000; ++i) std::this_thread::sleep_for(10ms);
        const bool met = detail::PassingStatesWaited() != before;
        orvo::testing::WriteFile(signals / "go", "go");
        reader.join();
        return (met ? "" : "the reader never met the index half-built\n") + read;
      },
      [] {});
  if (found.starts_with("SKIP")) GTEST_SKIP() << found;
  EXPECT_EQ(found, "");
  orvo::testing::WriteFile(signals / "go", "go");
  EXPECT_EQ(builder.Wait(30s), 0);
}

TEST_F(ReadOnlyTest, AReadOnlySessionLeavesTheCompanionsAndAPlainClientsCommitsStay) {
  fs::permissions(folder, fs::perms::all);
  std::string found = AsPlainUser([this] {
    std::string found = ReadsAndRefusesWrites("no se permite escribir en el archivo");
    // A plain SQLite client may open them at any moment: the close unlinks none.
    if (Companions() != std::vector<std::string>{"-wal", "-shm"}) found += "the close removed a companion\n";
    return found;
  });
  if (found.starts_with("SKIP")) GTEST_SKIP() << found;
  EXPECT_EQ(found, "");
  // A plain client that opened while the reader was still open commits after it closed.
  orvo::testing::SqliteSession plain(file);
  plain.Send("SELECT count(*) FROM Checadas;");
  found = AsPlainUser([] {
    Connection cn;
    cn.OpenFile(kMain, "LUMAK");
    Recordset rs(cn);
    rs.Open("SELECT count(*) AS n FROM Checadas");
    return AsInteger(rs.Field("n")) == 1 ? std::string() : std::string("the row did not read back");
  });
  EXPECT_EQ(found, "");
  plain.Send("INSERT INTO Checadas VALUES (2, '09:00:00'); INSERT INTO Checadas VALUES (3, '10:00:00');");
  EXPECT_EQ(plain.End(), 0);
  EXPECT_EQ(plain.Output().find("Error"), std::string::npos) << plain.Output();
  found = AsPlainUser([] {
    Connection cn;
    cn.OpenFile(kMain, "LUMAK");
    Recordset rs(cn);
    rs.Open("SELECT count(*) AS n FROM Checadas");
    return AsInteger(rs.Field("n")) == 3 ? std::string() : "read " + AsText(rs.Field("n")) + " rows, not 3";
  });
  EXPECT_EQ(found, "");
}

TEST_F(ReadOnlyTest, ASoundFileOnAReadOnlyMountOpensForReading) {
  fs::permissions(file, fs::perms::owner_all);
  std::string found = OnReadOnlyMount(folder, [this] {
    std::string found = ReadsAndRefusesWrites("el sistema de archivos donde está es de sólo lectura");
    if (!Companions().empty()) found += "companions on a read-only mount\n";
    return found;
  });
  if (found.starts_with("SKIP")) GTEST_SKIP() << found;
  EXPECT_EQ(found, "");
  EXPECT_TRUE(Companions().empty());
}

TEST_F(ReadOnlyTest, ADamagedFileInAFolderThatCannotBeWrittenIsStillDamaged) {
  fs::permissions(file, fs::perms::owner_all);
  orvo::testing::WriteFile(file, std::string(8192, 'x'));
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
  std::string found = AsPlainUser([] {
    std::string o = Outcome([] { Connection().OpenFile(kMain, "LUMAK"); });
    return o.starts_with("3343: ") ? "" : o;
  });
  if (found.starts_with("SKIP")) GTEST_SKIP() << found;
  EXPECT_EQ(found, "");
}

TEST(ReadOnlyUri, NamesTheFileWhateverItsCharacters) {
  EXPECT_EQ(detail::ImmutableUri("/tmp/a b/Año?#%.mdb"), "file:/tmp/a%20b/A%C3%B1o%3F%23%25.mdb?immutable=1");
}

}  // namespace
}  // namespace orvo::db
