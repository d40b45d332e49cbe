#include "platform/db/session.h"

#include <system_error>

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

void Bind(sqlite3_stmt* st, int i, const Value& v) {
  if (auto* n = std::get_if<std::int64_t>(&v)) {
    sqlite3_bind_int64(st, i, *n);
  } else if (auto* d = std::get_if<double>(&v)) {
    sqlite3_bind_double(st, i, *d);
  } else if (auto* s = std::get_if<std::string>(&v)) {
    // SQLite's length() and comparisons stop at a NUL, so the column checks
    // would not see what follows it: such text is not stored. Nor is text
    // that is not well-formed UTF-8: length() counts a lead byte and any run
    // of continuation bytes after it as one character, so "\xC0" and 100,000
    // bytes more would pass a Text(10).
    if (s->find('\0') != std::string::npos)
      Throw(errc::kTypeMismatch, "No coinciden los tipos de datos: el texto contiene un carácter nulo.");
    if (!text::IsValidUtf8(*s))
      Throw(errc::kTypeMismatch, "No coinciden los tipos de datos: el texto no es UTF-8 válido.");
    sqlite3_bind_text(st, i, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
  } else if (auto* b = std::get_if<Blob>(&v)) {
    sqlite3_bind_blob(st, i, b->bytes.data(), static_cast<int>(b->bytes.size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_null(st, i);
  }
}

}  // namespace

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
    Throw(errc::kFileInUse, "No se pudo usar '" + name_ + "'; el archivo ya está en uso.");
  // The file may have gone while another program held it.
  if (!fs::is_regular_file(file, ec)) throw FileNotFound(name_);
  // An empty file would open as a new empty database: it is a damaged one here.
  if (fs::file_size(file, ec) == 0) throw UnrecognizedFormat(name_);

  readOnly_ = WhyReadOnly(file);
  int flags = readOnly_.empty() ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  std::string target = file.string();
  if (!readOnly_.empty()) {
    fs::path wal = file;
    wal += "-wal";
    if (FolderWritable(file)) {
      sweep_.Watch(file);
    } else if (!fs::exists(wal, ec)) {
      target = ImmutableUri(file);
      flags |= SQLITE_OPEN_URI;
    }
  }
  int rc = sqlite3_open_v2(target.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    Throw(errc::kFileNotFound, "No se puede abrir el archivo '" + name_ + "'.");
  }
  auto fail = [&](int number, const std::string& text) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    Throw(number, text);
  };
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, static_cast<int>(kBusyTimeout.count()));
  // Read the schema now, so a file that is no database fails here.
  sqlite3_stmt* st = nullptr;
  rc = sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(st);
  sqlite3_finalize(st);
  if (rc != SQLITE_ROW) {
    if ((rc & 0xff) == SQLITE_BUSY) fail(errc::kLocked, "El archivo '" + name_ + "' está en uso por otro programa.");
    // A sound file whose log this program can neither read nor make.
    if (!readOnly_.empty() && ((rc & 0xff) == SQLITE_READONLY || (rc & 0xff) == SQLITE_CANTOPEN))
      fail(errc::kCannotOpen, "No se puede abrir '" + name_ + "' para leerlo: " + readOnly_ + ".");
    fail(errc::kUnrecognizedFormat, "Formato de base de datos '" + name_ + "' no reconocido.");
  }
  if (!PasswordMatches(db_, password)) fail(errc::kBadPassword, "Contraseña no válida.");
  Configure(db_, kBusyTimeout);
}

Session::~Session() {
  for (auto& [text, st] : cache_) sqlite3_finalize(st);
  // Closing last checkpoints the write-ahead log and removes it.
  if (db_) sqlite3_close_v2(db_);
}

void Session::Fail(int rc, std::string_view sql) const {
  if ((rc & 0xff) == SQLITE_READONLY && !readOnly_.empty())
    Throw(errc::kCannotOpen, "No se puede actualizar '" + name_ + "': " + readOnly_ + ".");
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
  int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &st, &tail);
  if (rc != SQLITE_OK) Fail(rc, sql);
  if (!st) Throw(errc::kSyntax, "La instrucción SQL está vacía.");
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
      Throw(errc::kSyntax, "El número de parámetros no coincide con la instrucción SQL: " + std::string(sql));
    for (std::size_t i = 0; i < params.size(); ++i) Bind(st_, static_cast<int>(i + 1), params[i]);
  } catch (...) {
    s_.GiveBack(st_);
    throw;
  }
}

Statement::~Statement() { s_.GiveBack(st_); }

int Statement::Step() {
  int rc = sqlite3_step(st_);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    // The error text must be read before the statement is reset.
    s_.Fail(rc, sql_);
  }
  return rc;
}

}  // namespace orvo::db::detail
