#include "platform/db/recordset.h"

#include "platform/db/identifiers.h"
#include "platform/db/session.h"
#include "platform/db/single_table.h"

namespace orvo::db {
namespace {

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

[[noreturn]] void Closed() { Throw(errc::kObjectClosed, "La operación no está permitida si el objeto está cerrado."); }
[[noreturn]] void NoCurrentRecord() { Throw(errc::kNoCurrentRecord, "No hay registro activo."); }

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
  hasRowid_ = false;
  adding_ = false;
  pending_.clear();
  current_ = 0;
}

void Recordset::Open(std::string_view sql, std::span<const Value> params) {
  if (open_) Throw(errc::kObjectOpen, "La operación no está permitida si el objeto está abierto.");
  Connection* cn = connection();
  if (!cn || !cn->IsOpen()) Closed();
  detail::Session& session = detail::SessionOf(*cn);

  std::optional<detail::Statement> st;
  if (auto single = detail::ReadSingleTable(sql)) {
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
    for (int i = hasRowid_ ? 1 : 0; i < columns; ++i) names_.emplace_back(sqlite3_column_name(st->get(), i));
    while (st->Step() == SQLITE_ROW) {
      std::vector<Value> row;
      row.reserve(columns);
      for (int i = 0; i < columns; ++i) row.push_back(ColumnValue(st->get(), i));
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
    if (SameName(names_[i], name)) return i + (hasRowid_ ? 1 : 0);
  }
  return std::nullopt;
}

const Value& Recordset::Field(std::string_view name) const {
  if (!open_) Closed();
  auto i = Index(name);
  if (!i) Throw(errc::kItemNotFound, "No se encontró el elemento '" + std::string(name) + "' en esta colección.");
  if (Eof()) NoCurrentRecord();
  return rows_[current_][*i];
}

void Recordset::AddNew() {
  if (!open_) Closed();
  if (lock_ == LockType::ReadOnly || table_.empty())
    Throw(errc::kReadOnly, "No se puede actualizar. La base de datos o el objeto es de sólo lectura.");
  SaveEdit();
  adding_ = true;
  pending_.clear();
}

void Recordset::SetField(std::string_view name, Value v) {
  if (!open_) Closed();
  if (lock_ == LockType::ReadOnly || table_.empty())
    Throw(errc::kReadOnly, "No se puede actualizar. La base de datos o el objeto es de sólo lectura.");
  auto i = Index(name);
  if (!i) Throw(errc::kItemNotFound, "No se encontró el elemento '" + std::string(name) + "' en esta colección.");
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
  std::vector<Value> params;
  std::string sql;
  if (adding_) {
    std::string columns, marks;
    for (auto& [index, value] : pending_) {
      if (!columns.empty()) {
        columns += ",";
        marks += ",";
      }
      columns += QuoteIdentifier(names_[index - 1]);
      marks += "?";
      params.push_back(value);
    }
    sql = columns.empty() ? "INSERT INTO " + QuoteIdentifier(table_) + " DEFAULT VALUES"
                          : "INSERT INTO " + QuoteIdentifier(table_) + " (" + columns + ") VALUES (" + marks + ")";
  } else {
    std::string sets;
    for (auto& [index, value] : pending_) {
      if (!sets.empty()) sets += ",";
      sets += QuoteIdentifier(names_[index - 1]) + " = ?";
      params.push_back(value);
    }
    params.push_back(rows_[current_][0]);
    sql = "UPDATE " + QuoteIdentifier(table_) + " SET " + sets + " WHERE rowid = ?";
  }
  const long changed = session.Run(sql, params);
  if (adding_) {
    std::vector<Value> row(names_.size() + 1);
    row[0] = static_cast<std::int64_t>(sqlite3_last_insert_rowid(session.db()));
    for (auto& [index, value] : pending_) row[index] = value;
    rows_.push_back(std::move(row));
    current_ = rows_.size() - 1;
  } else {
    if (changed == 0) {
      // Another program deleted the row since this snapshot was read.
      pending_.clear();
      Throw(errc::kRecordDeleted, "El registro se ha eliminado.");
    }
    for (auto& [index, value] : pending_) rows_[current_][index] = value;
  }
  adding_ = false;
  pending_.clear();
}

}  // namespace orvo::db
