// A sound database on a medium this program may not write: it opens for
// reading, a write says why it cannot be done, and no companion file is left
// once the last program has closed it. Permission bits do not bind root, so
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
#include <string>
#include <thread>

#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/error.h"
#include "platform/process/process.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::db {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using orvo::testing::TempDrive;

constexpr const char* kMain = "C:\\Quiravel\\Quiravel.mdb";
constexpr uid_t kNobody = 65534;

// Runs `body` in a child process once `prepare` has set it up (ended if it
// hangs). Gives what `body` found wrong, one line each: empty when
// everything held; "SKIP: ..." when `prepare` could not.
std::string InChild(const std::function<const char*()>& prepare, const std::function<std::string()>& body) {
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
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

// Runs `body` as a user that permission bits bind: this process when it is
// not root, else a child that has become nobody.
std::string AsPlainUser(const std::function<std::string()>& body) {
  if (::geteuid() != 0) return body();
  return InChild(
      [] { return ::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ? "cannot become nobody" : nullptr; },
      body);
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

TEST_F(ReadOnlyTest, ASoundFileInAFolderThatCannotBeWrittenOpensForReading) {
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  std::string found = AsPlainUser([] { return ReadsAndRefusesWrites("no se permite escribir en el archivo ni en su carpeta"); });
  if (found.starts_with("SKIP")) GTEST_SKIP() << found;
  EXPECT_EQ(found, "");
  EXPECT_TRUE(Companions().empty());
}

TEST_F(ReadOnlyTest, AFileThatCannotBeWrittenLeavesNoCompanionsWhenTheLastProgramCloses) {
  fs::create_directories(folder / "senales");
  fs::permissions(folder / "senales", fs::perms::all);
  fs::permissions(folder, fs::perms::all);
  std::string found = AsPlainUser([this] {
    std::string found = ReadsAndRefusesWrites("no se permite escribir en el archivo");
    if (!Companions().empty()) found += "left after the only program closed\n";
    // While a second program reads through them, they stay.
    const fs::path signals = folder / "senales";
    auto other = process::Start(ORVO_DB_LOCKING_CHILD, {file.string(), "hold-open", signals.string()});
    for (int i = 0; !fs::exists(signals / "ready") && other.Running() && i < 3000; ++i) std::this_thread::sleep_for(10ms);
    {
      Connection cn;
      cn.OpenFile(kMain, "LUMAK");
      Recordset rs(cn);
      rs.Open("SELECT count(*) AS n FROM Checadas");
      if (AsInteger(rs.Field("n")) != 1) found += "the second reader read something else\n";
    }
    if (Companions().empty()) found += "removed while the other program still read through them\n";
    orvo::testing::WriteFile(signals / "go", "go");
    if (other.Wait(30s) != 0) found += "the other program failed\n";
    for (const std::string& left : Companions()) found += left + " left after the last program closed\n";
    return found;
  });
  if (found.starts_with("SKIP")) GTEST_SKIP() << found;
  EXPECT_EQ(found, "");
  EXPECT_TRUE(Companions().empty());
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
