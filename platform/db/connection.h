// The row interface of the database engine: one connection to a database file,
// statements run through it, and transactions.
//
// A connection opens an existing file only; it never creates one. It fails at
// Open on a file that is not a database and on a wrong or missing password, so
// no statement ever runs on the wrong file. Several programs share the main
// database, so a busy file is waited for a few seconds before a statement fails.
//
//   orvo::db::Connection cn;
//   cn.Open("Driver={Microsoft Access Driver (*.mdb)};DBQ=C:\\Quiravel\\Quiravel.mdb;Pwd=LUMAK");
//   cn.Execute("INSERT INTO Listado1 VALUES(?,?,?)", {{"2010 05 03"}, {int64_t{125}}, {"07:58:10"}});
//   {
//     auto t = cn.Begin();      // rolls back unless committed
//     cn.Execute(...);
//     t.Commit();
//   }
//
// Values always travel as bound parameters ('?'), never spliced into the text,
// and one call runs exactly one statement: text after the first is refused.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/db/error.h"
#include "platform/db/value.h"

namespace orvo::db {

class Recordset;

// The parts of a connection string that mean something here: the file (DBQ=)
// and the database password (Pwd=). Keys ignore letter case, as ODBC does.
// The structure interface's connect text ";pwd=LUMAK" parses the same way.
struct ConnectionString {
  std::string file;      // Windows path as written
  std::string password;  // empty: none
  static ConnectionString Parse(std::string_view text);
};

// A Windows path ("C:\...") mapped under drive C:, or an absolute Linux path as is.
std::filesystem::path ResolvePath(std::string_view path);

class Connection;

class Transaction {
 public:
  Transaction(Transaction&& other) noexcept;
  Transaction& operator=(Transaction&&) = delete;
  ~Transaction();
  void Commit();

 private:
  friend class Connection;
  Transaction(Connection* cn, std::string name);
  Connection* cn_;
  std::string name_;
};

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Open(std::string_view connectionString);
  // Opens a file by path (Windows or Linux) with a password; empty: none.
  void OpenFile(std::string_view path, std::string_view password);
  bool IsOpen() const { return db_ != nullptr; }
  // Closes the recordsets opened on it too.
  void Close();

  // Runs one statement; gives the number of rows it changed.
  long Execute(std::string_view sql, std::span<const Value> params = {});
  long Execute(std::string_view sql, std::initializer_list<Value> params) {
    return Execute(sql, std::span<const Value>(params.begin(), params.size()));
  }

  // Nested calls nest (savepoints); the outermost Commit makes it durable.
  Transaction Begin();

  // Tables of the database, without the engine's own.
  std::vector<std::string> TableNames();

  const std::filesystem::path& File() const { return file_; }
  sqlite3* Handle() const { return db_; }

  // Engine internals shared with Recordset and Database. A statement from
  // Prepare goes back through Release; the same text prepared again reuses it,
  // since the programs run one statement text many times with other values.
  sqlite3_stmt* Prepare(std::string_view sql, std::span<const Value> params);
  void Release(sqlite3_stmt* st);
  [[noreturn]] void Fail(int rc, std::string_view sql = {});

 private:
  friend class Recordset;
  friend class Transaction;
  void Register(Recordset* rs);
  void Unregister(Recordset* rs);
  void CheckOpen() const;

  sqlite3* db_ = nullptr;
  std::filesystem::path file_;
  std::vector<Recordset*> recordsets_;
  int savepoints_ = 0;
  std::unordered_map<std::string, sqlite3_stmt*> cache_;
  std::unordered_map<sqlite3_stmt*, bool> inUse_;  // every cached statement
};

// Engine-private tables are hidden from table lists and never touched by the programs.
bool IsEngineTable(std::string_view name);

// The engine's own table holding the salted password hash of a protected file.
inline constexpr std::string_view kSecurityTable = "_orvo_security";

// Stores the password of a freshly created file (empty: leave it unprotected).
void SetPassword(sqlite3* db, std::string_view password);

}  // namespace orvo::db
