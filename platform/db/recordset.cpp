#include "platform/db/recordset.h"

#include "platform/db/identifiers.h"
#include "platform/db/session.h"
#include "platform/db/single_table.h"

namespace orvo::db {
namespace {

[[noreturn]] void Closed() { Throw(errc::kObjectClosed); }
[[noreturn]] void NoCurrentRecord() { Throw(errc::kNoCurrentRecord); }

// The columns of `table` as declared; empty when there is no such table.
std::vector<std::string> TableColumns(detail::Session& session, const std::string& table) {
  const Value name = table;
  detail::Statement st(session, "SELECT name FROM pragma_table_info(?)", std::span<const Value>(&name, 1));
  std::vector<std::string> columns;
  while (st.Step() == SQLITE_ROW) columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)));
  return columns;
}

// The name by which `columns`' table reaches its true row id: the first of
// SQLite's three that no column of the table takes; empty when all are taken.
std::string RowidName(const std::vector<std::string>& columns) {
  for (const char* name : {"rowid", "_rowid_", "oid"}) {
    bool taken = false;
    for (const std::string& c : columns) taken = taken || SameName(c, name);
    if (!taken) return name;
  }
  return {};
}

}  // namespace

Recordset::Recordset(Connection& cn, LockType lock) : link_(cn.link_), lock_(lock) {}

Recordset::~Recordset() { Close(); }

Connection* Recordset::connection() const { return link_ ? link_->cn : nullptr; }

void Recordset::SetActiveConnection(Connection& cn) {
  if (Connection* old = connection(); old && old != &cn) old->Unregister(this);
  link_ = cn.link_;
}

void Recordset::Close() {
  if (Connection* cn = connection()) cn->Unregister(this);
  open_ = false;
  names_.clear();
  rows_.clear();
  table_.clear();
  origins_.clear();
  rowid_.clear();
  columns_.clear();
  adding_ = false;
  pending_.clear();
  current_ = 0;
}

void Recordset::Open(std::string_view sql, std::span<const Value> params) {
  if (open_) Throw(errc::kObjectOpen);
  Connection* cn = connection();
  if (!cn || !cn->IsOpen()) Closed();
  detail::Session& session = detail::SessionOf(*cn);

  std::optional<detail::Statement> st;
  std::size_t hidden = 0;  // columns after the fields
  if (lock_ != LockType::ReadOnly) {
    if (auto single = detail::ReadSingleTable(sql)) {
      // The statement as written first, so that what SQLite refuses in it (a
      // column number past its own list) is refused, whatever the hidden
      // columns would allow.
      session.Check(sql);
      std::vector<std::string> columns = TableColumns(session, single->table);
      std::string rowid = RowidName(columns);
      if (!columns.empty() && !rowid.empty()) {
        std::string carried = rowid + " AS \"__orvo_rowid\"";
        for (std::size_t i = 0; i < columns.size(); ++i)
          carried += ", " + QuoteIdentifier(columns[i]) + " AS \"__orvo_" + std::to_string(i) + "\"";
        try {
          st.emplace(session, single->Carrying(carried), params);
          table_ = single->table;
          rowid_ = std::move(rowid);
          columns_ = std::move(columns);
          hidden = 1 + columns_.size();
        } catch (const Error&) {
          // Not a plain table after all (a view, a column list SQLite refuses
          // with the hidden columns): opened as it is, read-only.
        }
      }
    }
  }
  if (!st) st.emplace(session, sql, params);

  const int columns = sqlite3_column_count(st->get());
  try {
    for (int i = 0; i < columns - static_cast<int>(hidden); ++i) {
      names_.emplace_back(sqlite3_column_name(st->get(), i));
      if (table_.empty()) continue;
      // The table column each field reads: the one an edit of it writes.
      const char* table = sqlite3_column_table_name(st->get(), i);
      const char* column = sqlite3_column_origin_name(st->get(), i);
      // The row id is none: a program does not renumber rows.
      bool own = false;
      for (const std::string& c : columns_) own = own || (column && c == column);
      origins_.emplace_back(table && column && own && SameName(table, table_) ? column : "");
    }
    while (st->Step() == SQLITE_ROW) {
      std::vector<Value> row;
      row.reserve(columns);
      for (int i = 0; i < columns; ++i) row.push_back(detail::ColumnValue(st->get(), i));
      rows_.push_back(std::move(row));
    }
  } catch (...) {
    Close();
    throw;
  }
  st.reset();
  current_ = 0;
  // An action query leaves the recordset closed, as the row interface does.
  if (columns == 0) {
    Close();
    return;
  }
  open_ = true;
  cn->Register(this);
}

void Recordset::SaveEdit() {
  if (adding_ || !pending_.empty()) Update();
}

void Recordset::MoveNext() {
  if (Eof() && !adding_) NoCurrentRecord();
  // An edit belongs to the row it began on: leaving the row saves it there,
  // as the row interface does when the cursor leaves an edited row.
  SaveEdit();
  ++current_;
}

void Recordset::MoveFirst() {
  if (!open_) Closed();
  SaveEdit();
  current_ = 0;
}

std::optional<std::size_t> Recordset::Index(std::string_view name) const {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (SameName(names_[i], name)) return i;
  }
  return std::nullopt;
}

const Value& Recordset::Field(std::string_view name) const {
  if (!open_) Closed();
  auto i = Index(name);
  if (!i) throw ItemNotFound("el elemento", name);
  if (Eof()) NoCurrentRecord();
  return rows_[current_][*i];
}

void Recordset::AddNew() {
  if (!open_) Closed();
  if (lock_ == LockType::ReadOnly || table_.empty())
    Throw(errc::kReadOnly);
  SaveEdit();
  adding_ = true;
  pending_.clear();
}

void Recordset::SetField(std::string_view name, Value v) {
  if (!open_) Closed();
  if (lock_ == LockType::ReadOnly || table_.empty())
    Throw(errc::kReadOnly);
  auto i = Index(name);
  if (!i) throw ItemNotFound("el elemento", name);
  if (origins_[*i].empty())
    throw FieldNotUpdatable(names_[*i], table_);
  if (!adding_ && Eof()) NoCurrentRecord();
  for (auto& [index, value] : pending_) {
    if (index == *i) {
      value = std::move(v);
      return;
    }
  }
  pending_.emplace_back(*i, std::move(v));
}

void Recordset::CancelUpdate() {
  adding_ = false;
  pending_.clear();
}

void Recordset::Update() {
  if (!open_) Closed();
  if (!adding_ && pending_.empty()) return;
  if (!adding_ && Eof()) NoCurrentRecord();
  Connection* cn = connection();
  if (!cn || !cn->IsOpen()) Closed();
  detail::Session& session = detail::SessionOf(*cn);
  // The row comes back as stored (defaults, affinity, triggers), so that the
  // next Update compares the row with what it holds.
  std::string returning = " RETURNING " + rowid_;
  for (const std::string& column : columns_) returning += ", " + QuoteIdentifier(column);
  const std::size_t fields = names_.size();
  std::vector<Value> params;
  std::string sql;
  if (adding_) {
    std::string columns, marks;
    for (auto& [index, value] : pending_) {
      if (!columns.empty()) {
        columns += ",";
        marks += ",";
      }
      columns += QuoteIdentifier(origins_[index]);
      marks += "?";
      params.push_back(value);
    }
    sql = columns.empty() ? "INSERT INTO " + QuoteIdentifier(table_) + " DEFAULT VALUES"
                          : "INSERT INTO " + QuoteIdentifier(table_) + " (" + columns + ") VALUES (" + marks + ")";
  } else {
    std::string sets;
    for (auto& [index, value] : pending_) {
      if (!sets.empty()) sets += ",";
      sets += QuoteIdentifier(origins_[index]) + " = ?";
      params.push_back(value);
    }
    // SQLite gives a new row the row id of a deleted last one, so the row id
    // alone could name another program's row: the row must also hold, byte
    // for byte (not as the columns' NOCASE compares), all that it held when
    // this recordset read it.
    const std::vector<Value>& row = rows_[current_];
    sql = "UPDATE " + QuoteIdentifier(table_) + " SET " + sets + " WHERE " + rowid_ + " = ?";
    params.push_back(row[fields]);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      sql += " AND " + QuoteIdentifier(columns_[i]) + " IS ? COLLATE BINARY";
      params.push_back(row[fields + 1 + i]);
    }
  }
  sql += returning;
  std::vector<Value> stored;
  {
    detail::Statement st(session, sql, params);
    if (st.Step() == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(st.get()); ++i) stored.push_back(detail::ColumnValue(st.get(), i));
      while (st.Step() == SQLITE_ROW) {
      }
    }
  }
  if (!adding_ && stored.empty()) {
    // Another program deleted the row (or changed it) since this snapshot was read.
    pending_.clear();
    Throw(errc::kRecordDeleted);
  }
  if (adding_) {
    rows_.emplace_back(fields + 1 + columns_.size());
    current_ = rows_.size() - 1;
  }
  std::vector<Value>& row = rows_[current_];
  for (auto& [index, value] : pending_) row[index] = value;
  if (!stored.empty()) {  // empty only for a new row that a trigger of the table kept out
    for (std::size_t i = 0; i < fields; ++i) {
      for (std::size_t k = 0; k < columns_.size() && !origins_[i].empty(); ++k) {
        if (columns_[k] == origins_[i]) row[i] = stored[1 + k];
      }
    }
    for (std::size_t k = 0; k < stored.size(); ++k) row[fields + k] = std::move(stored[k]);
  }
  adding_ = false;
  pending_.clear();
}

}  // namespace orvo::db
