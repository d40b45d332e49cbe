// A consistent copy of a live database through SQLite's online backup: the
// copy is the file as one transaction saw it, whatever other programs write
// meanwhile.
#include <sqlite3.h>

#include <chrono>
#include <system_error>
#include <thread>

#include "platform/db/connection.h"
#include "platform/db/database_file.h"
#include "platform/db/integrity.h"
#include "platform/db/session.h"
#include "platform/error/file_error.h"

namespace orvo::db {
namespace fs = std::filesystem;

void Connection::Snapshot(std::string_view targetPath) {
  detail::Session& s = detail::SessionOf(*this);
  const fs::path target = ResolvePath(targetPath);
  const std::string name(targetPath);
  // Its own open transaction would make the copy wait for itself.
  if (!sqlite3_get_autocommit(s.db()))
    throw CopyInTransaction(s.name());
  std::error_code ec;
  if (fs::exists(fs::symlink_status(target, ec))) throw DatabaseExists(name);

  sqlite3* copy = nullptr;
  int rc = sqlite3_open_v2(target.c_str(), &copy,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(copy, 1);
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", s.db(), "main");
    if (!backup) {
      rc = sqlite3_extended_errcode(copy);
    } else {
      // One step copies every page within one read transaction, which other
      // programs' writers never block; wait as a statement would all the same.
      const auto deadline = std::chrono::steady_clock::now() + detail::kBusyTimeout;
      while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      sqlite3_backup_finish(backup);
      if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    // A copy in write-ahead-log mode would need its companion files; an
    // archived copy is one file that opens anywhere.
    if (rc == SQLITE_OK) rc = sqlite3_exec(copy, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
  }
  // A copy is kept only when it is sound: one that is not cannot be restored.
  std::vector<std::string> problems;
  if (rc == SQLITE_OK) problems = detail::IntegrityLines(copy, rc);
  sqlite3_close_v2(copy);
  if (rc == SQLITE_OK && !problems.empty()) {
    fs::remove(target, ec);
    throw DamagedCopy(s.name(), FirstProblem(problems));
  }
  if (rc != SQLITE_OK) {
    fs::remove(target, ec);
    if ((rc & 0xff) == SQLITE_CANTOPEN)
      throw err::PathError(name);
    detail::ThrowEngineError(nullptr, rc, {}, name);
  }
}

}  // namespace orvo::db
