// A static recordset: the rows of one query, read in full when it opens.
//
// Being a snapshot, its RecordCount is exact, its rows survive later deletes,
// and it holds no read lock on the file. Fields are found by name ignoring
// letter case. An optimistic recordset over a single table ("SELECT ... FROM
// Tabla") can also add rows (AddNew / SetField / Update) and change its
// current row (SetField / Update), which reaches the table by the row's true
// row id (rowid, or _rowid_ or oid where a column of the table takes that
// name), since the tables have no key of their own. A field is written to the
// table column it reads ("SELECT Id AS Num": Id); one that reads no column
// ('x', Nombre || Hora) cannot be set (3164). An edit belongs to the row on
// which it began: moving to another row (or AddNew) saves it to that row
// first, as the row interface does. Update of a row that another program has
// deleted fails with "record is deleted" (3167) and writes nothing, as it does
// when the row no longer holds, byte for byte and in every column, what the
// recordset read from it (another program's row that took the deleted one's
// row id, or the same row changed meanwhile, even only in letter case).
//
//   orvo::db::Recordset rs(cn, LockType::ReadOnly);
//   rs.Open("Select id, Nombre from Personal where No_Empleado = ?", {{"125"}});
//   if (rs.RecordCount() >= 1) name = AsText(rs.Field("NOMBRE"));
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/connection.h"

namespace orvo::db {

enum class LockType { ReadOnly = 1, Optimistic = 3 };

class Recordset {
 public:
  Recordset() = default;
  explicit Recordset(Connection& cn, LockType lock = LockType::ReadOnly);
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  void SetActiveConnection(Connection& cn);
  void SetLockType(LockType lock) { lock_ = lock; }

  void Open(std::string_view sql, std::span<const Value> params = {});
  void Open(std::string_view sql, std::initializer_list<Value> params) {
    Open(sql, std::span<const Value>(params.begin(), params.size()));
  }
  void Open(Connection& cn, std::string_view sql, std::span<const Value> params = {}) {
    SetActiveConnection(cn);
    Open(sql, params);
  }
  void Close();
  bool IsOpen() const { return open_; }

  long RecordCount() const { return static_cast<long>(rows_.size()); }
  bool Eof() const { return !open_ || current_ >= rows_.size(); }
  void MoveNext();
  void MoveFirst();

  bool HasField(std::string_view name) const { return Index(name).has_value(); }
  const Value& Field(std::string_view name) const;
  const std::vector<std::string>& FieldNames() const { return names_; }

  // Editing: a new row (AddNew) or the current one; Update writes it.
  void AddNew();
  void SetField(std::string_view name, Value v);
  void Update();
  // Drops the edit not yet saved.
  void CancelUpdate();

 private:
  friend class Connection;
  std::optional<std::size_t> Index(std::string_view name) const;
  // The connection closed: so does the recordset, which stays bound to it.
  void Detach() { Close(); }
  Connection* connection() const;
  void SaveEdit();

  std::shared_ptr<detail::Link> link_;
  LockType lock_ = LockType::ReadOnly;
  bool open_ = false;
  // Set when the query reads one table and may edit it. Each row then holds,
  // after the fields, the hidden row id and the row as it was read: every
  // column of the table (columns_), to tell at Update that it is the same.
  std::string table_;
  std::string rowid_;                 // the table's name for its true row id
  std::vector<std::string> columns_;  // the table's columns, as declared
  std::vector<std::string> names_;
  std::vector<std::string> origins_;  // when editable: the table column each field reads, or empty
  std::vector<std::vector<Value>> rows_;
  std::size_t current_ = 0;
  bool adding_ = false;
  std::vector<std::pair<std::size_t, Value>> pending_;
};

}  // namespace orvo::db
