// The row interface of the database engine: one connection to a database file,
// statements run through it, and transactions.
//
// A connection opens an existing file only; it never creates one. It fails at
// Open on a file that is not a database and on a wrong or missing password, so
// no statement ever runs on the wrong file.
// A sound file that this program may not write (the file, its folder or its
// file system is read-only) opens for reading; a write then fails with 3051,
// saying which cannot be written. Such a reader follows what other programs
// commit through the index SQLite keeps beside the file; in a folder it may
// not write, where there is none and another account could still write the
// file, it is refused (3051) rather than shown stale pages, except on a
// read-only file system, where nothing can change it.
//
// Several programs share the main database. The file runs with a write-ahead
// log, so readers never wait for a writer; a writing transaction takes the
// write lock when it begins, and waits for another program's (up to the busy
// timeout of 30 seconds, enough for a whole-file import) instead of failing
// half-way; the error after that names the file and says that another program
// is using it. While open, a connection holds a shared lock on the file's
// companion lock file (see lock_file.h), which answers IsInUse.
//
//   orvo::db::Connection cn;
//   cn.Open("Driver={Microsoft Access Driver (*.mdb)};DBQ=C:\\Quiravel\\Quiravel.mdb;Pwd=LUMAK");
//   cn.Execute("INSERT INTO Listado1 VALUES(?,?,?)", {{"2010 05 03"}, {int64_t{125}}, {"07:58:10"}});
//   {
//     auto t = cn.Begin();      // rolls back unless committed
//     cn.Execute(...);
//     t.Commit();
//   }
//   cn.Snapshot("/tmp/copia.mdb");   // a consistent copy of the live file
//
// Values always travel as bound parameters ('?'), never spliced into the text,
// and one call runs exactly one statement: text after the first is refused.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/connection_string.h"
#include "platform/db/error.h"
#include "platform/db/lock_file.h"
#include "platform/db/value.h"

namespace orvo::db {

class Recordset;
class Connection;

namespace detail {
class Session;
// What outlives a connection: the objects that were bound to it learn that it
// has gone instead of calling into freed memory.
struct Link {
  Connection* cn;
};
// The session of an open connection (throws the closed-object error otherwise).
Session& SessionOf(const Connection& cn);
}  // namespace detail

class Transaction {
 public:
  Transaction(Transaction&& other) noexcept;
  Transaction& operator=(Transaction&&) = delete;
  ~Transaction();
  void Commit();

 private:
  friend class Connection;
  Transaction(std::shared_ptr<detail::Link> link, int level);
  std::shared_ptr<detail::Link> link_;
  int level_;  // 1: the outermost transaction
};

class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Open(std::string_view connectionString);
  // Opens a file by path (Windows or Linux) with a password; empty: none.
  void OpenFile(std::string_view path, std::string_view password);
  bool IsOpen() const { return session_ != nullptr; }
  // Closes the recordsets opened on it too.
  void Close();

  // Runs one statement; gives the number of rows it changed.
  long Execute(std::string_view sql, std::span<const Value> params = {});
  long Execute(std::string_view sql, std::initializer_list<Value> params) {
    return Execute(sql, std::span<const Value>(params.begin(), params.size()));
  }

  // The outermost transaction takes the write lock at once (waiting for
  // another program's under the busy timeout); nested calls nest, and the
  // outermost Commit makes it durable.
  Transaction Begin();

  // Tables of the database, without the engine's own, with their stored names.
  std::vector<std::string> TableNames();

  // Writes a consistent copy of the open database, as it stands now, to a new
  // file at `targetPath` (Windows or Linux path), even while other programs
  // write it. The copy is one self-contained file. Refuses a target that
  // exists (3204), and a call inside its own transaction (3219). The copy
  // passes the engine's full integrity check before the call returns; a
  // damaged one (3343, naming the database and the first problem) and any
  // failed copy leave no target behind.
  void Snapshot(std::string_view targetPath);

  // The file open (its Linux path); empty when closed.
  const std::filesystem::path& File() const;

 private:
  friend class Recordset;
  friend class Transaction;
  friend detail::Session& detail::SessionOf(const Connection&);
  void Register(Recordset* rs);
  void Unregister(Recordset* rs);

  std::unique_ptr<detail::Session> session_;
  std::shared_ptr<detail::Link> link_;
  std::vector<Recordset*> recordsets_;
};

// Engine-private tables are hidden from table lists and never touched by the programs.
bool IsEngineTable(std::string_view name);

}  // namespace orvo::db
