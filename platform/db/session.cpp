#include "platform/db/session.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>

#include "platform/db/error.h"
#include "platform/db/password.h"
#include "platform/db/read_only.h"
#include "platform/text/utf8.h"

namespace orvo::db::detail {
namespace fs = std::filesystem;
namespace {

// Everything after the first statement must be blanks or semicolons; a NUL
// counts as text, since SQLite would stop reading there.
bool OnlyBlanksLeft(std::string_view rest) {
  for (char c : rest) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v' && c != ';') return false;
  }
  return true;
}

// Binds one value; SQLite's refusal (a value over its length limit) is the
// engine's error, never a Null stored in its place. Sizes go as 64 bits, so
// that no length is cut on its way in.
void Bind(Session& s, sqlite3_stmt* st, int i, const Value& v) {
  int rc = SQLITE_OK;
  if (auto* n = std::get_if<std::int64_t>(&v)) {
    rc = sqlite3_bind_int64(st, i, *n);
  } else if (auto* d = std::get_if<double>(&v)) {
    // SQLite keeps NaN as Null, which would pass for no value at all.
    if (std::isnan(*d))
      throw TypeMismatch("el valor no es un número (NaN)");
    rc = sqlite3_bind_double(st, i, *d);
  } else if (auto* t = std::get_if<std::string>(&v)) {
    // SQLite's length() and comparisons stop at a NUL, so the column checks
    // would not see what follows it: such text is not stored. Nor is text
    // that is not well-formed UTF-8: length() counts a lead byte and any run
    // of continuation bytes after it as one character, so "\xC0" and 100,000
    // bytes more would pass a Text(10).
    if (t->find('\0') != std::string::npos)
      throw TypeMismatch("el texto contiene un carácter nulo");
    if (!text::IsValidUtf8(*t))
      throw TypeMismatch("el texto no es UTF-8 válido");
    rc = sqlite3_bind_text64(st, i, t->data(), t->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  } else if (auto* b = std::get_if<Blob>(&v)) {
    // An empty vector has no data pointer, which SQLite would take for Null.
    rc = b->bytes.empty() ? sqlite3_bind_zeroblob(st, i, 0)
                          : sqlite3_bind_blob64(st, i, b->bytes.data(), b->bytes.size(), SQLITE_TRANSIENT);
  } else {
    rc = sqlite3_bind_null(st, i);
  }
  if (rc != SQLITE_OK) s.Fail(rc);
}

std::atomic<int> passingStatesWaited{0};

}  // namespace

PassingState::PassingState() : end_(std::chrono::steady_clock::now() + kBusyTimeout) {}

bool PassingState::Again(int rc) {
  if (rc != SQLITE_READONLY_RECOVERY && rc != SQLITE_READONLY_CANTINIT && rc != SQLITE_BUSY_RECOVERY &&
      rc != SQLITE_PROTOCOL)
    return false;
  if (std::chrono::steady_clock::now() >= end_) return false;
  ++passingStatesWaited;
  std::this_thread::sleep_for(pause_);
  pause_ = std::min(pause_ * 2, std::chrono::microseconds{50000});
  return true;
}

int PassingStatesWaited() { return passingStatesWaited.load(); }

Value ColumnValue(sqlite3_stmt* st, int i) {
  switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return sqlite3_column_int64(st, i);
    case SQLITE_FLOAT: return sqlite3_column_double(st, i);
    case SQLITE_TEXT:
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
    case SQLITE_BLOB: {
      auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, i));
      int n = sqlite3_column_bytes(st, i);
      return Blob{n > 0 ? std::vector<std::uint8_t>(p, p + n) : std::vector<std::uint8_t>()};
    }
    default: return std::monostate{};
  }
}

void Configure(sqlite3* db, std::chrono::milliseconds busyTimeout) {
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, static_cast<int>(busyTimeout.count()));
  // Readers never wait for the importer, nor the importer for readers.
  sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
  // The default 2 MB page cache stops holding Personal and its index at a few
  // tens of thousands of employees, and every punch looks one up.
  sqlite3_exec(db, "PRAGMA cache_size = -16384", nullptr, nullptr, nullptr);
}

Session::Session(const fs::path& file, std::string_view name, std::string_view password)
    : file_(file), name_(name) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) throw FileNotFound(name_);
  if (!lock_.Take(file, static_cast<int>(kBusyTimeout.count())))
    throw FileInUse(name_);
  // The file may have gone while another program held it.
  if (!fs::is_regular_file(file, ec)) throw FileNotFound(name_);
  // An empty file would open as a new empty database: it is a damaged one here.
  if (fs::file_size(file, ec) == 0) throw UnrecognizedFormat(name_);

  readOnly_ = WhyReadOnly(file);
  int flags = readOnly_.empty() ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  std::string target = file.string();
  bool cannotFollow = false;
  if (!readOnly_.empty() && !FolderWritable(file)) {
    fs::path wal = file, shm = file;
    wal += "-wal";
    shm += "-shm";
    if (OnReadOnlyFileSystem(file)) {
      // Nothing can commit to it: without a log it reads as it stands.
      if (!fs::exists(wal, ec)) {
        target = ImmutableUri(file);
        flags |= SQLITE_OPEN_URI;
      }
    } else if (!fs::exists(wal, ec) || !fs::exists(shm, ec)) {
      // Its owner or another account may write it, and without an index this
      // connection would not see their commits: stale or mixed pages. It is
      // opened as unchanging only to tell a damaged file, then refused.
      cannotFollow = true;
      target = ImmutableUri(file);
      flags |= SQLITE_OPEN_URI;
    }
  }
  int rc = sqlite3_open_v2(target.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw FileNotFound(name_);
  }
  auto fail = [&](const Error& error) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw error;
  };
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, static_cast<int>(kBusyTimeout.count()));
  // Read the schema now, so a file that is no database fails here.
  PassingState passing;
  do {
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(st);
    sqlite3_finalize(st);
  } while (rc != SQLITE_ROW && passing.Again(rc));
  if (rc != SQLITE_ROW) {
    if ((rc & 0xff) == SQLITE_BUSY || rc == SQLITE_READONLY_RECOVERY || rc == SQLITE_READONLY_CANTINIT)
      fail(Locked(name_));
    // A sound file whose log this program can neither read nor make.
    if (!readOnly_.empty() && ((rc & 0xff) == SQLITE_READONLY || (rc & 0xff) == SQLITE_CANTOPEN))
      fail(CannotRead(name_, readOnly_));
    fail(UnrecognizedFormat(name_));
  }
  if (cannotFollow)
    fail(CannotRead(name_, readOnly_ + ", de modo que no se verían los cambios que otros programas hacen en él"));
  if (!PasswordMatches(db_, password)) fail(Error(errc::kBadPassword, std::string(err::Text(errc::kBadPassword))));
  Configure(db_, kBusyTimeout);
}

Session::~Session() {
  for (auto& [text, st] : cache_) sqlite3_finalize(st);
  // Closing last checkpoints the write-ahead log and removes it.
  if (db_) sqlite3_close_v2(db_);
}

void Session::Fail(int rc, std::string_view sql) const {
  // Another program's index that stayed in a passing state past the busy timeout.
  if (rc == SQLITE_READONLY_RECOVERY || rc == SQLITE_READONLY_CANTINIT)
    throw Locked(name_);
  if ((rc & 0xff) == SQLITE_READONLY && !readOnly_.empty())
    throw CannotUpdate(name_, readOnly_);
  ThrowEngineError(db_, rc, sql, name_);
}

sqlite3_stmt* Session::Borrow(std::string_view sql) {
  std::string key(sql);
  auto hit = cache_.find(key);
  if (hit != cache_.end() && !inUse_[hit->second]) {
    inUse_[hit->second] = true;
    return hit->second;
  }
  sqlite3_stmt* st = nullptr;
  const char* tail = nullptr;
  int rc;
  PassingState passing;
  while ((rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &st, &tail)) != SQLITE_OK &&
         passing.Again(sqlite3_extended_errcode(db_))) {
  }
  if (rc != SQLITE_OK) Fail(rc, sql);
  if (!st) throw EmptyStatement();
  if (!OnlyBlanksLeft(sql.substr(static_cast<std::size_t>(tail - sql.data())))) {
    sqlite3_finalize(st);
    Throw(errc::kTrailingText);
  }
  if (hit != cache_.end()) return st;  // the cached one is busy: this one is finalized on return
  if (cache_.size() >= 256) {
    // Keep the cache small: drop the statements nobody holds.
    for (auto it = cache_.begin(); it != cache_.end();) {
      if (!inUse_[it->second]) {
        sqlite3_finalize(it->second);
        inUse_.erase(it->second);
        it = cache_.erase(it);
      } else {
        ++it;
      }
    }
  }
  cache_.emplace(std::move(key), st);
  inUse_[st] = true;
  return st;
}

void Session::GiveBack(sqlite3_stmt* st) {
  auto it = inUse_.find(st);
  if (it == inUse_.end()) {
    sqlite3_finalize(st);
    return;
  }
  it->second = false;
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
}

long Session::Run(std::string_view sql, std::span<const Value> params) {
  Statement st(*this, sql, params);
  while (st.Step() == SQLITE_ROW) {
  }
  return static_cast<long>(sqlite3_changes(db_));
}

Statement::Statement(Session& s, std::string_view sql, std::span<const Value> params)
    : s_(s), st_(s.Borrow(sql)), sql_(sql) {
  try {
    if (sqlite3_bind_parameter_count(st_) != static_cast<int>(params.size()))
      throw ParameterCountMismatch(sql);
    for (std::size_t i = 0; i < params.size(); ++i) Bind(s_, st_, static_cast<int>(i + 1), params[i]);
  } catch (...) {
    s_.GiveBack(st_);
    throw;
  }
}

Statement::~Statement() { s_.GiveBack(st_); }

int Statement::Step() {
  int rc = sqlite3_step(st_);
  if (!stepped_ && rc != SQLITE_ROW && rc != SQLITE_DONE) {
    // Nothing has been read or done yet: the statement starts again once the
    // state has passed.
    PassingState passing;
    while (rc != SQLITE_ROW && rc != SQLITE_DONE && passing.Again(rc)) {
      sqlite3_reset(st_);
      rc = sqlite3_step(st_);
    }
  }
  stepped_ = true;
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    // The error text must be read before the statement is reset.
    s_.Fail(rc, sql_);
  }
  return rc;
}

}  // namespace orvo::db::detail
