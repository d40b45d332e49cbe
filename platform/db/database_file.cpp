#include "platform/db/database_file.h"

#include <sqlite3.h>

#include <array>
#include <cstring>
#include <string_view>

#include "platform/db/connection.h"
#include "platform/db/integrity.h"
#include "platform/db/lock_file.h"
#include "platform/db/session.h"
#include "platform/text/nocase.h"

namespace orvo::db {
namespace fs = std::filesystem;
namespace {

constexpr std::array<std::string_view, 3> kJournalSuffixes{"-wal", "-shm", "-journal"};

bool EndsWithNoCase(std::string_view name, std::string_view end) {
  return name.size() >= end.size() && text::EqualsNoCase(name.substr(name.size() - end.size()), end);
}

}  // namespace

bool IsDatabaseFile(const fs::path& file) {
  static constexpr char kHeader[] = "SQLite format 3";  // with its NUL: 16 bytes
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return false;
  // A companion is never opened: SQLite holds the write-ahead log's locks on
  // the "-shm" through a descriptor of its own, and closing any other
  // descriptor of that file would drop them for every connection of this
  // process, letting another program write under its transaction.
  if (IsCompanionFile(file)) return false;
  // Opening does not read or lock; the header is then read through the
  // descriptor SQLite opened, which SQLite keeps open while this process
  // still holds locks on the file, so no lock of another connection goes.
  sqlite3* db = nullptr;
  bool header = false;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK) {
    sqlite3_file* handle = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &handle) == SQLITE_OK && handle != nullptr &&
        handle->pMethods != nullptr) {
      std::array<char, sizeof kHeader> read{};
      header = handle->pMethods->xRead(handle, read.data(), static_cast<int>(read.size()), 0) == SQLITE_OK &&
               std::memcmp(read.data(), kHeader, sizeof kHeader) == 0;
    }
  }
  sqlite3_close_v2(db);
  return header;
}

std::vector<fs::path> CompanionFiles(const fs::path& database) {
  std::vector<fs::path> files;
  for (std::string_view suffix : kJournalSuffixes) files.emplace_back(database.string() + std::string(suffix));
  files.push_back(LockFilePath(database));
  return files;
}

bool IsCompanionFile(const fs::path& file) {
  const std::string name = file.filename().string();
  for (std::string_view suffix : kJournalSuffixes) {
    if (EndsWithNoCase(name, suffix)) return true;
  }
  return IsLockFile(file);
}

bool IsLockFile(const fs::path& file) {
  return EndsWithNoCase(file.filename().string(), LockFilePath("x").extension().string());
}

namespace detail {

std::vector<std::string> IntegrityLines(sqlite3* db, int& rc) {
  std::vector<std::string> problems;
  sqlite3_stmt* st = nullptr;
  rc = sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
  while (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(st, 0);
    std::string line = text ? reinterpret_cast<const char*>(text) : "";
    if (line != "ok") problems.push_back(std::move(line));
    rc = SQLITE_OK;
  }
  if (rc == SQLITE_DONE) rc = SQLITE_OK;
  sqlite3_finalize(st);
  return problems;
}

}  // namespace detail

std::string FirstProblem(const std::vector<std::string>& problems) {
  for (const std::string& report : problems) {
    std::size_t start = 0;
    while (start < report.size()) {
      std::size_t end = report.find('\n', start);
      if (end == std::string::npos) end = report.size();
      std::string_view line = std::string_view(report).substr(start, end - start);
      // The heading of an attached database's section is no detail.
      if (!line.empty() && !line.starts_with("***")) return std::string(line);
      start = end + 1;
    }
  }
  return {};
}

std::vector<std::string> IntegrityProblems(Connection& cn) {
  detail::Session& s = detail::SessionOf(cn);
  int rc = SQLITE_OK;
  std::vector<std::string> problems = detail::IntegrityLines(s.db(), rc);
  if (rc != SQLITE_OK) s.Fail(rc);
  return problems;
}

}  // namespace orvo::db
