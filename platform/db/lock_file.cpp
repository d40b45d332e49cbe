#include "platform/db/lock_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <system_error>
#include <thread>

#include "platform/drive/drive.h"

namespace orvo::db {
namespace fs = std::filesystem;
namespace {

// Opens (creating when missing) the lock file. Not inherited by the programs
// this one starts: a child must not keep the parent's hold alive.
int OpenLockFile(const fs::path& database) {
  fs::path lock = LockFilePath(database);
  int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
  return fd;
}

// Whether any SQLite client, of this program or another, has the file open,
// asked through SQLite itself so that its own locks on the file stay
// untouched: a connection that takes the file exclusively for an instant
// cannot while another holds it (in write-ahead-log mode every open
// connection, even an idle one, keeps a shared lock on it; any writer does).
// When it can, it lets go at once; closing it is then closing the last
// connection, which folds the log into the file as any last one does.
bool OpenElsewhere(const fs::path& database) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return false;  // no database SQLite could open: nothing has it open as one
  }
  sqlite3_extended_result_codes(db, 1);
  int rc = sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db);
  return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

}  // namespace

fs::path LockFilePath(const fs::path& database) {
  fs::path lock = database;
  return lock.replace_extension(".ldb");
}

ExclusiveUse::ExclusiveUse(std::string_view path) {
  fs::path file = drive::Resolve(path);
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    taken_ = true;
    return;
  }
  fd_ = OpenLockFile(file);
  if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  taken_ = !OpenElsewhere(file);
  if (!taken_ && fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

ExclusiveUse::ExclusiveUse(ExclusiveUse&& other) noexcept : fd_(other.fd_), taken_(other.taken_) {
  other.fd_ = -1;
  other.taken_ = false;
}

ExclusiveUse::~ExclusiveUse() {
  if (fd_ >= 0) ::close(fd_);
}

bool IsInUse(std::string_view path) { return !ExclusiveUse(path).Taken(); }

namespace detail {

bool SharedLock::Take(const fs::path& database, int waitMilliseconds) {
  fd_ = OpenLockFile(database);
  if (fd_ < 0) return true;  // a folder where no lock file can be made: nothing to share
  // Polled rather than blocked on, so the wait has an end.
  for (int waited = 0;; waited += 10) {
    if (::flock(fd_, LOCK_SH | LOCK_NB) == 0) return true;
    if (waited >= waitMilliseconds) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::close(fd_);
  fd_ = -1;
  return false;
}

SharedLock::~SharedLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace detail
}  // namespace orvo::db
