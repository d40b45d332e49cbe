// "Is this database in use by another program?" Windows answered it by
// refusing to delete an open file; Linux deletes it anyway, under the program
// still writing it. So every open connection (and structure-interface object)
// holds a shared advisory lock (flock) on the database's companion lock file,
// the ".ldb" beside it (Quiravel.mdb -> Quiravel.ldb), as the Windows engine
// kept one beside every open database.
//
//   if (orvo::db::IsInUse("C:\\Quiravel\\Auxiliar.mdb")) ...   // asks, holds nothing
//
//   orvo::db::ExclusiveUse solo("C:\\Quiravel\\Auxiliar.mdb");  // never waits
//   if (!solo.Taken()) throw ...;      // a program has it open, or is writing it
//   fs::remove(file);                  // no connection can open it meanwhile
//
// The lock is never taken on the database file itself: closing any descriptor
// of that file would drop every POSIX lock SQLite holds on it for this process.
// The lock file is created when missing and never deleted while a program may
// hold it (a second program would lock a new file of the same name and the two
// would not see each other); only a caller that holds ExclusiveUse may remove
// a stale one. A connection of this very program counts as a user too.
#pragma once

#include <filesystem>
#include <string_view>

namespace orvo::db {

// The companion lock file of a database file: same folder and name, ".ldb".
std::filesystem::path LockFilePath(const std::filesystem::path& database);

// Takes a database file for this program alone, without waiting: its lock
// file exclusively, and it checks that no SQLite client of any kind has the
// file open (a program outside the system included). While taken, a Connection to the file waits (up to
// the busy timeout) instead of opening it.
class ExclusiveUse {
 public:
  // `path`: a Windows path ("C:\...") or an absolute Linux path. A missing
  // file is taken (nobody can be using it).
  explicit ExclusiveUse(std::string_view path);
  ~ExclusiveUse();
  ExclusiveUse(ExclusiveUse&& other) noexcept;
  ExclusiveUse& operator=(ExclusiveUse&&) = delete;
  ExclusiveUse(const ExclusiveUse&) = delete;

  // False: another connection has the file open, or a write is in progress.
  bool Taken() const { return taken_; }

 private:
  int fd_ = -1;
  bool taken_ = false;
};

// True while any connection, of the engine or any other SQLite client, has
// the file open or is writing it. (Another client's idle connection shows
// through the shared lock it keeps in write-ahead-log mode, which the files
// of this system run in; on a file in rollback-journal mode an idle one holds
// nothing and is not seen.)
bool IsInUse(std::string_view path);

namespace detail {

// The shared lock of one open connection. Waits up to `wait` for a program
// that holds the file exclusively; false when it still holds it then.
class SharedLock {
 public:
  SharedLock() = default;
  ~SharedLock();
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;
  bool Take(const std::filesystem::path& database, int waitMilliseconds);

 private:
  int fd_ = -1;
};

}  // namespace detail
}  // namespace orvo::db
