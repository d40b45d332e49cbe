// Inside the engine only: the SQLite side of an open connection. Nothing
// outside platform/db includes this header; the programs see Connection,
// Recordset and Database.
//
// A Session owns the SQLite handle, its cache of prepared statements and the
// shared lock on the database's companion lock file. A file this program may
// not write opens read-only (read_only.h). Statements come out of
// the cache as Statement objects, which give them back when they go.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/db/connection.h"
#include "platform/db/lock_file.h"
#include "platform/db/read_only.h"
#include "platform/db/value.h"

namespace orvo::db::detail {

// How long a statement waits for another program's write lock, and a
// connection for a file that another program holds exclusively: long enough
// for a whole-file punch import to end.
inline constexpr std::chrono::milliseconds kBusyTimeout{30000};

class Session;

// Waits out another program's write-ahead index in a state that passes by
// itself (being built, or being recovered, by the program that opened the file
// first), which a read-only connection cannot mend and SQLite reports at once
// as a refusal to write: it is waited for like a lock, under the busy timeout.
class PassingState {
 public:
  PassingState();
  // Whether `rc` is such a state and there is time left: then it has waited a
  // moment, and the call may be made again.
  bool Again(int rc);

 private:
  std::chrono::steady_clock::time_point end_;
  std::chrono::microseconds pause_{200};
};

// How many times this process has waited out such a state (for the tests).
int PassingStatesWaited();

// A prepared statement borrowed from a session's cache, with its values bound.
class Statement {
 public:
  Statement(Session& s, std::string_view sql, std::span<const Value> params);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // SQLITE_ROW, SQLITE_DONE, or the failure as the engine's error.
  int Step();
  sqlite3_stmt* get() const { return st_; }

 private:
  Session& s_;
  sqlite3_stmt* st_;
  std::string_view sql_;
  bool stepped_ = false;  // a step has given a row or ended: a failure now is no passing state
};

class Session {
 public:
  // Opens an existing database file; `name` is the path as the program wrote it.
  Session(const std::filesystem::path& file, std::string_view name, std::string_view password);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sqlite3* db() const { return db_; }
  const std::filesystem::path& file() const { return file_; }
  const std::string& name() const { return name_; }

  // Runs one statement to its end; gives the number of rows it changed.
  long Run(std::string_view sql, std::span<const Value> params = {});

  // Prepares one statement (kept in the cache) for SQLite's verdict on its
  // text, and runs nothing: the engine's error when SQLite refuses it.
  void Check(std::string_view sql) { GiveBack(Borrow(sql)); }

  // The engine's error for a failed SQLite call, in its Spanish wording.
  [[noreturn]] void Fail(int rc, std::string_view sql = {}) const;

  // Nesting depth of open transactions (0: none).
  int depth = 0;

 private:
  friend class Statement;
  sqlite3_stmt* Borrow(std::string_view sql);
  void GiveBack(sqlite3_stmt* st);

  std::filesystem::path file_;
  std::string name_;
  std::string readOnly_;  // why this program may not write the file; empty: it may
  SharedLock lock_;
  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> cache_;
  std::unordered_map<sqlite3_stmt*, bool> inUse_;  // every cached statement
};

// The value of column `i` of the current row, as the engine holds values.
Value ColumnValue(sqlite3_stmt* st, int i);

// Maps a failed SQLite call to the engine's error. `file` names the database.
[[noreturn]] void ThrowEngineError(sqlite3* db, int rc, std::string_view sql, const std::string& file);

// Applies the settings every connection to a shared file runs with: extended
// result codes, the busy timeout, write-ahead log and the larger page cache.
void Configure(sqlite3* db, std::chrono::milliseconds busyTimeout);

}  // namespace orvo::db::detail
