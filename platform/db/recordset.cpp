#include "platform/db/recordset.h"

#include "platform/db/identifiers.h"
#include "platform/db/session.h"
#include "platform/db/single_table.h"

namespace orvo::db {
namespace {

[[noreturn]] void Closed() { Throw(errc::kObjectClosed); }
[[noreturn]] void NoCurrentRecord() { Throw(errc::kNoCurrentRecord); }

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
  hasRowid_ = false;
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
  if (auto single = detail::ReadSingleTable(sql)) {
    // The statement as written first, so that what SQLite refuses in it (a
    // column number past its own list) is refused, whatever the hidden rowid
    // column would allow.
    session.Check(sql);
    try {
      st.emplace(session, single->withRowid, params);
      table_ = single->table;
      hasRowid_ = true;
    } catch (const Error&) {
      // Not a plain table after all (a view, a column list SQLite refuses with
      // the rowid): opened as it is, read-only.
    }
  }
  if (!st) st.emplace(session, sql, params);

  const int columns = sqlite3_column_count(st->get());
  try {
    for (int i = 0; i < columns - (hasRowid_ ? 1 : 0); ++i) {
      names_.emplace_back(sqlite3_column_name(st->get(), i));
      if (!hasRowid_) continue;
      // Which columns are the table's own, to tell at Update that the row is
      // still the one read.
      const char* table = sqlite3_column_table_name(st->get(), i);
      const char* column = sqlite3_column_origin_name(st->get(), i);
      origins_.emplace_back(table && column && SameName(table, table_) ? column : "");
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
  // The table's columns come back as stored (defaults, affinity), so that the
  // next Update compares the row with what it holds.
  std::string returning = adding_ ? " RETURNING rowid" : " RETURNING 0";
  for (const std::string& origin : origins_) returning += ", " + (origin.empty() ? "NULL" : QuoteIdentifier(origin));
  std::vector<Value> params;
  std::string sql;
  if (adding_) {
    std::string columns, marks;
    for (auto& [index, value] : pending_) {
      if (!columns.empty()) {
        columns += ",";
        marks += ",";
      }
      columns += QuoteIdentifier(names_[index]);
      marks += "?";
      params.push_back(value);
    }
    sql = columns.empty() ? "INSERT INTO " + QuoteIdentifier(table_) + " DEFAULT VALUES"
                          : "INSERT INTO " + QuoteIdentifier(table_) + " (" + columns + ") VALUES (" + marks + ")";
  } else {
    std::string sets;
    for (auto& [index, value] : pending_) {
      if (!sets.empty()) sets += ",";
      sets += QuoteIdentifier(names_[index]) + " = ?";
      params.push_back(value);
    }
    // SQLite gives a new row the rowid of a deleted last one, so the rowid
    // alone could name another program's row: the row must also hold what
    // this recordset read from it.
    sql = "UPDATE " + QuoteIdentifier(table_) + " SET " + sets + " WHERE rowid = ?";
    params.push_back(rows_[current_].back());
    for (std::size_t i = 0; i < origins_.size(); ++i) {
      if (origins_[i].empty()) continue;
      sql += " AND " + QuoteIdentifier(origins_[i]) + " IS ?";
      params.push_back(rows_[current_][i]);
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
    rows_.emplace_back(names_.size() + 1);
    current_ = rows_.size() - 1;
  }
  std::vector<Value>& row = rows_[current_];
  for (auto& [index, value] : pending_) row[index] = value;
  if (!stored.empty()) {  // empty only for a new row that a trigger of the table kept out
    for (std::size_t i = 0; i < origins_.size(); ++i) {
      if (!origins_[i].empty()) row[i] = std::move(stored[i + 1]);
    }
    if (adding_) row.back() = std::move(stored[0]);
  }
  adding_ = false;
  pending_.clear();
}

}  // namespace orvo::db
