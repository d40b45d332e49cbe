#include "platform/db/connection.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <system_error>

#include "platform/db/recordset.h"
#include "platform/drive/drive.h"

namespace orvo::db {
namespace fs = std::filesystem;

void Throw(int number, const std::string& description) { throw Error(number, description); }

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Trim(std::string_view s) {
  auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  auto e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

std::vector<unsigned char> Digest(std::string_view salt, std::string_view password) {
  std::vector<unsigned char> out(EVP_MAX_MD_SIZE);
  unsigned int len = 0;
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr);
  EVP_DigestUpdate(ctx, salt.data(), salt.size());
  EVP_DigestUpdate(ctx, password.data(), password.size());
  EVP_DigestFinal_ex(ctx, out.data(), &len);
  EVP_MD_CTX_free(ctx);
  out.resize(len);
  return out;
}

// Everything after the first statement must be blank or semicolons.
bool OnlyBlanksLeft(const char* tail) {
  for (; tail && *tail; ++tail) {
    if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';') return false;
  }
  return true;
}

void Bind(sqlite3_stmt* st, int i, const Value& v) {
  if (auto* n = std::get_if<std::int64_t>(&v)) {
    sqlite3_bind_int64(st, i, *n);
  } else if (auto* d = std::get_if<double>(&v)) {
    sqlite3_bind_double(st, i, *d);
  } else if (auto* s = std::get_if<std::string>(&v)) {
    sqlite3_bind_text(st, i, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
  } else if (auto* b = std::get_if<Blob>(&v)) {
    sqlite3_bind_blob(st, i, b->bytes.data(), static_cast<int>(b->bytes.size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_null(st, i);
  }
}

}  // namespace

ConnectionString ConnectionString::Parse(std::string_view text) {
  ConnectionString cs;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t eq = text.find('=', i);
    std::size_t semi = text.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      if (semi == std::string_view::npos) break;
      i = semi + 1;
      continue;
    }
    std::string key = Lower(Trim(text.substr(i, eq - i)));
    std::size_t v = eq + 1;
    std::size_t end;
    if (v < text.size() && text[v] == '{') {
      end = text.find('}', v);
      end = end == std::string_view::npos ? text.size() : end + 1;
      std::size_t next = text.find(';', end);
      end = next == std::string_view::npos ? text.size() : next;
    } else {
      end = semi == std::string_view::npos ? text.size() : semi;
    }
    std::string value(text.substr(v, end - v));
    if (key == "dbq") cs.file = Trim(value);
    if (key == "pwd") cs.password = value;
    i = end + 1;
  }
  return cs;
}

fs::path ResolvePath(std::string_view path) {
  if (!path.empty() && path.front() == '/') return fs::path(std::string(path));
  return drive::Map(path);
}

bool IsEngineTable(std::string_view name) {
  std::string l = Lower(name);
  return l.starts_with("sqlite_") || l.starts_with("_orvo_");
}

void SetPassword(sqlite3* db, std::string_view password) {
  if (password.empty()) return;
  unsigned char salt[16];
  RAND_bytes(salt, sizeof salt);
  std::string saltText(reinterpret_cast<char*>(salt), sizeof salt);
  std::vector<unsigned char> hash = Digest(saltText, password);
  sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS \"_orvo_security\" (salt BLOB, hash BLOB)", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "DELETE FROM \"_orvo_security\"", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO \"_orvo_security\" VALUES(?,?)", -1, &st, nullptr);
  sqlite3_bind_blob(st, 1, salt, sizeof salt, SQLITE_TRANSIENT);
  sqlite3_bind_blob(st, 2, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
  int rc = sqlite3_step(st);
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) Throw(errc::kEngine, "No se pudo guardar la contraseña de la base de datos.");
}

Connection::~Connection() { Close(); }

void Connection::Open(std::string_view connectionString) {
  ConnectionString cs = ConnectionString::Parse(connectionString);
  if (cs.file.empty()) Throw(errc::kFileNotFound, "No se especificó el archivo de base de datos (DBQ).");
  OpenFile(cs.file, cs.password);
}

void Connection::OpenFile(std::string_view path, std::string_view password) {
  Close();
  fs::path file = ResolvePath(path);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    Throw(errc::kFileNotFound, "No se encuentra el archivo '" + std::string(path) + "'.");
  }
  // An empty file would open as a new empty database: it is a damaged one here.
  if (fs::file_size(file, ec) == 0) {
    Throw(errc::kUnrecognizedFormat, "Formato de base de datos '" + std::string(path) + "' no reconocido.");
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    Throw(errc::kFileNotFound, "No se puede abrir el archivo '" + std::string(path) + "'.");
  }
  sqlite3_busy_timeout(db, 5000);
  sqlite3_extended_result_codes(db, 1);
  // The default 2 MB page cache stops holding Personal and its index at a few
  // tens of thousands of employees, and every punch looks one up.
  sqlite3_exec(db, "PRAGMA cache_size = -16384", nullptr, nullptr, nullptr);

  // Read the schema now, so a file that is no database fails here.
  sqlite3_stmt* st = nullptr;
  rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE name = '_orvo_security'", -1, &st, nullptr);
  bool guarded = false;
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) guarded = sqlite3_column_int(st, 0) > 0;
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_ROW) {
    sqlite3_close_v2(db);
    if ((rc & 0xff) == SQLITE_BUSY) Throw(errc::kLocked, "El archivo '" + std::string(path) + "' está en uso por otro proceso.");
    Throw(errc::kUnrecognizedFormat, "Formato de base de datos '" + std::string(path) + "' no reconocido.");
  }
  if (guarded) {
    bool ok = false;
    if (sqlite3_prepare_v2(db, "SELECT salt, hash FROM \"_orvo_security\" ORDER BY rowid LIMIT 1", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      std::string salt(static_cast<const char*>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
      std::string stored(static_cast<const char*>(sqlite3_column_blob(st, 1)), sqlite3_column_bytes(st, 1));
      std::vector<unsigned char> hash = Digest(salt, password);
      ok = !password.empty() && stored.size() == hash.size() &&
           std::equal(hash.begin(), hash.end(), reinterpret_cast<const unsigned char*>(stored.data()));
    }
    sqlite3_finalize(st);
    if (!ok) {
      sqlite3_close_v2(db);
      Throw(errc::kBadPassword, "Contraseña no válida.");
    }
  }
  db_ = db;
  file_ = file;
}

void Connection::Close() {
  for (Recordset* rs : recordsets_) rs->Detach();
  recordsets_.clear();
  for (auto& [text, st] : cache_) sqlite3_finalize(st);
  cache_.clear();
  inUse_.clear();
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  savepoints_ = 0;
}

void Connection::CheckOpen() const {
  if (!db_) Throw(3704, "La operación no está permitida si el objeto está cerrado.");
}

void Connection::Register(Recordset* rs) {
  if (std::find(recordsets_.begin(), recordsets_.end(), rs) == recordsets_.end()) recordsets_.push_back(rs);
}

void Connection::Unregister(Recordset* rs) {
  recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), rs), recordsets_.end());
}

void Connection::Fail(int rc, std::string_view sql) {
  std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
  int primary = rc & 0xff;
  if (rc == SQLITE_CONSTRAINT_CHECK) {
    // Our column checks are named "kind:Table.Column".
    std::string name;
    if (auto p = msg.find(": "); p != std::string::npos) name = msg.substr(p + 2);
    auto colon = name.find(':');
    std::string kind = colon == std::string::npos ? "" : name.substr(0, colon);
    std::string column = colon == std::string::npos ? name : name.substr(colon + 1);
    if (kind == "len")
      Throw(errc::kFieldTooSmall, "El campo '" + column + "' es demasiado pequeño para aceptar la cantidad de datos que intentó agregar.");
    if (kind == "zero")
      Throw(errc::kZeroLength, "El campo '" + column + "' no puede ser una cadena de longitud cero.");
    if (kind == "range") Throw(errc::kOverflow, "Desbordamiento en el campo '" + column + "'.");
    if (kind == "type")
      Throw(errc::kTypeMismatch, "No coinciden los tipos de datos en el campo '" + column + "'.");
  }
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    Throw(errc::kLocked, "No se pudo actualizar; la base de datos está bloqueada por otro proceso.");
  if (primary == SQLITE_READONLY) Throw(errc::kReadOnly, "No se puede actualizar. La base de datos es de sólo lectura.");
  if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
    Throw(errc::kUnrecognizedFormat, "Formato de base de datos '" + file_.string() + "' no reconocido.");
  if (msg.starts_with("no such table: "))
    Throw(errc::kNoSuchTable, "El motor de base de datos no puede encontrar la tabla o consulta de entrada '" + msg.substr(15) + "'.");
  if (msg.find("syntax error") != std::string::npos || msg.starts_with("no such column"))
    Throw(errc::kSyntax, "Error en la instrucción SQL (" + msg + "): " + std::string(sql));
  Throw(errc::kEngine, "Error del motor de base de datos: " + msg);
}

sqlite3_stmt* Connection::Prepare(std::string_view sql, std::span<const Value> params) {
  CheckOpen();
  sqlite3_stmt* st = nullptr;
  std::string key(sql);
  auto hit = cache_.find(key);
  if (hit != cache_.end() && !inUse_[hit->second]) {
    st = hit->second;
    inUse_[st] = true;
  } else {
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &st, &tail);
    if (rc != SQLITE_OK) Fail(rc, sql);
    if (!st) Throw(errc::kSyntax, "La instrucción SQL está vacía.");
    if (!OnlyBlanksLeft(tail) && tail < sql.data() + sql.size()) {
      sqlite3_finalize(st);
      Throw(errc::kTrailingText, "Se encontraron caracteres después del final de la instrucción SQL.");
    }
    if (hit == cache_.end()) {
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
    }
  }
  if (sqlite3_bind_parameter_count(st) != static_cast<int>(params.size())) {
    Release(st);
    Throw(errc::kSyntax, "El número de parámetros no coincide con la instrucción SQL: " + std::string(sql));
  }
  for (std::size_t i = 0; i < params.size(); ++i) Bind(st, static_cast<int>(i + 1), params[i]);
  return st;
}

void Connection::Release(sqlite3_stmt* st) {
  if (!st) return;
  auto it = inUse_.find(st);
  if (it == inUse_.end()) {
    sqlite3_finalize(st);
    return;
  }
  it->second = false;
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
}

long Connection::Execute(std::string_view sql, std::span<const Value> params) {
  sqlite3_stmt* st = Prepare(sql, params);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    Release(st);
    Fail(rc, sql);
  }
  Release(st);
  return static_cast<long>(sqlite3_changes(db_));
}

std::vector<std::string> Connection::TableNames() {
  sqlite3_stmt* st = Prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid", {});
  std::vector<std::string> names;
  while (sqlite3_step(st) == SQLITE_ROW) {
    std::string name(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    if (!IsEngineTable(name)) names.push_back(name);
  }
  Release(st);
  return names;
}

Transaction Connection::Begin() {
  CheckOpen();
  std::string name = "orvo_sp" + std::to_string(++savepoints_);
  Execute("SAVEPOINT " + name);
  return Transaction(this, name);
}

Transaction::Transaction(Connection* cn, std::string name) : cn_(cn), name_(std::move(name)) {}

Transaction::Transaction(Transaction&& other) noexcept : cn_(other.cn_), name_(std::move(other.name_)) {
  other.cn_ = nullptr;
}

void Transaction::Commit() {
  if (!cn_) return;
  cn_->Execute("RELEASE " + name_);
  --cn_->savepoints_;
  cn_ = nullptr;
}

Transaction::~Transaction() {
  if (!cn_ || !cn_->db_) return;
  sqlite3_exec(cn_->db_, ("ROLLBACK TO " + name_).c_str(), nullptr, nullptr, nullptr);
  sqlite3_exec(cn_->db_, ("RELEASE " + name_).c_str(), nullptr, nullptr, nullptr);
  --cn_->savepoints_;
}

}  // namespace orvo::db
