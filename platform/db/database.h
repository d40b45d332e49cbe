// The structure interface of the database engine: tables and their columns,
// with the column types of the Windows engine kept in meaning.
//
// Type             declared in SQLite as          what the column refuses
// Text(n)          VARCHAR(n) COLLATE NOCASE      more than n characters, non-text
// Long             INTEGER                        text, fractions, beyond 32 bits
// Integer          SMALLINT                       text, fractions, beyond 16 bits
// Memo             TEXT COLLATE NOCASE            non-text ('0012' stays '0012')
// LongBinary       BLOB                           nothing
// Date             DATETIME                       anything but a real "yyyy-mm-dd[ hh:mm:ss]"
//
// A Text or Memo column that does not allow zero length also refuses ''; its
// declaration carries the word ZEROLENGTH when it does allow it, so the whole
// definition can be read back from the file. Text compares without regard to
// letter case, as the Windows engine did.
//
// Each call may open the file anew, as the schema tools do; nothing is cached.
//
//   auto db = Database::Open("C:\\Quiravel\\Quiravel.mdb", ";pwd=LUMAK");
//   if (auto t = db.FindTable("personal")) name = t->name;   // "Personal"
//   db.AppendField("Personal", {"Fecha_Ingreso", Type::Date});
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/connection.h"

namespace orvo::db {

enum class Type { Text, Long, Integer, Memo, LongBinary, Date };

struct Field {
  Field() = default;
  Field(std::string name, Type type, int size = 0, bool allowZeroLength = false, Value defaultValue = {})
      : name(std::move(name)), type(type), size(size), allowZeroLength(allowZeroLength),
        defaultValue(std::move(defaultValue)) {}
  std::string name;
  Type type = Type::Text;
  int size = 0;                 // Text only
  bool allowZeroLength = false; // Text and Memo only
  Value defaultValue;           // Null: none; an integer or a text
};

struct TableDef {
  std::string name;
  std::vector<Field> fields;
  const Field* FindField(std::string_view name) const;  // ignoring letter case
};

class Database {
 public:
  // Opens an existing file; `connect` is the connect text (";pwd=...").
  static Database Open(std::string_view path, std::string_view connect = {});
  // Makes a new database file, failing (and leaving it untouched) when one exists.
  // `locale` is the Windows locale text, kept for the callers' sake: the
  // collation is always case-insensitive. A non-empty password protects it.
  static Database Create(std::string_view path, std::string_view locale,
                         std::string_view password = {});

  std::vector<std::string> TableNames();
  // Lookups ignore letter case and give the stored names.
  std::optional<TableDef> FindTable(std::string_view name);
  std::vector<TableDef> TableDefs();

  // Stores a new table with its columns in order.
  void Append(const TableDef& table);
  // Adds a column after the last one; existing rows get Null, even with a default.
  void AppendField(std::string_view table, const Field& field);
  // Changes an existing column's zero-length flag and default. SQLite cannot
  // alter a column, so the table is rebuilt in one transaction, keeping its rows,
  // their rowids and order, its indexes and triggers, and every other column's
  // declaration exactly as stored (a column made outside this engine keeps its
  // type, size, default and constraints).
  void SetFieldProperties(std::string_view table, std::string_view field,
                          std::optional<bool> allowZeroLength,
                          std::optional<Value> defaultValue);

  long Execute(std::string_view sql, std::span<const Value> params = {}) {
    return cn_->Execute(sql, params);
  }
  // A consistent copy of the open file (see Connection::Snapshot).
  void Snapshot(std::string_view targetPath);

  Connection& Rows() { return *cn_; }
  void Close() { cn_->Close(); }

 private:
  Database() : cn_(std::make_unique<Connection>()) {}
  std::unique_ptr<Connection> cn_;
};

// The column declaration used for a field, e.g. "Fecha" ZEROLENGTH VARCHAR(10) ...
std::string ColumnSql(std::string_view table, const Field& field);

}  // namespace orvo::db
