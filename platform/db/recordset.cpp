#include "platform/db/recordset.h"

#include <cctype>
#include <regex>
#include <unordered_map>

#include "platform/db/identifiers.h"

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
      return Blob{std::vector<std::uint8_t>(p, p + sqlite3_column_bytes(st, i))};
    }
    default: return std::monostate{};
  }
}

// A plain query over one table: "SELECT list FROM Tabla [WHERE ...] [ORDER BY ...]".
// Only such a recordset can be edited, since its rows map back to table rows.
const std::regex& SingleTable() {
  static const std::regex re(
      R"(^\s*select\s+((?:(?!\bdistinct\b)[^()])+?)\s+from\s+("?)([A-Za-z_][A-Za-z0-9_]*)\2\s*((?:where|order\s+by)\b[\s\S]*)?;?\s*$)",
      std::regex::icase | std::regex::ECMAScript);
  return re;
}

// The editable reading of a query: its table and the same query carrying each
// row's rowid in a hidden first column, for Update. Worked out once per text.
struct Editable {
  std::string table;
  std::string withRowid;
};

const Editable& EditableForm(std::string_view sql) {
  static thread_local std::unordered_map<std::string, Editable> known;
  std::string text(sql);
  if (auto it = known.find(text); it != known.end()) return it->second;
  if (known.size() > 1024) known.clear();
  Editable e;
  std::smatch m;
  if (std::regex_match(text, m, SingleTable())) {
    e.table = m[3].str();
    e.withRowid = "SELECT rowid AS \"__orvo_rowid\", " + m[1].str() + " FROM " + QuoteIdentifier(e.table) + " " +
                  (m[4].matched ? m[4].str() : std::string());
  }
  return known.emplace(std::move(text), std::move(e)).first->second;
}

}  // namespace

Recordset::~Recordset() { Close(); }

void Recordset::Close() {
  if (cn_) cn_->Unregister(this);
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
  if (open_) Throw(3705, "La operación no está permitida si el objeto está abierto.");
  if (!cn_ || !cn_->IsOpen()) Throw(3704, "La operación no está permitida si el objeto está cerrado.");

  sqlite3_stmt* st = nullptr;
  const Editable& editable = EditableForm(sql);
  if (!editable.table.empty()) {
    try {
      st = cn_->Prepare(editable.withRowid, params);
      table_ = editable.table;
      hasRowid_ = true;
    } catch (const Error&) {
      st = nullptr;
    }
  }
  if (!st) st = cn_->Prepare(sql, params);

  int columns = sqlite3_column_count(st);
  for (int i = hasRowid_ ? 1 : 0; i < columns; ++i) names_.emplace_back(sqlite3_column_name(st, i));
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::vector<Value> row;
    row.reserve(columns);
    for (int i = 0; i < columns; ++i) row.push_back(ColumnValue(st, i));
    rows_.push_back(std::move(row));
  }
  cn_->Release(st);
  if (rc != SQLITE_DONE) {
    Close();
    cn_->Fail(rc, sql);
  }
  current_ = 0;
  // An action query leaves the recordset closed, as the row interface does.
  if (columns == 0) {
    Close();
    return;
  }
  open_ = true;
  cn_->Register(this);
}

void Recordset::MoveNext() {
  if (Eof()) Throw(errc::kNoCurrentRecord, "No hay registro activo.");
  ++current_;
}

std::optional<std::size_t> Recordset::Index(std::string_view name) const {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (SameIgnoringCase(names_[i], name)) return i + (hasRowid_ ? 1 : 0);
  }
  return std::nullopt;
}

const Value& Recordset::Field(std::string_view name) const {
  if (!open_) Throw(3704, "La operación no está permitida si el objeto está cerrado.");
  auto i = Index(name);
  if (!i) Throw(errc::kItemNotFound, "No se encontró el elemento '" + std::string(name) + "' en esta colección.");
  if (Eof()) Throw(errc::kNoCurrentRecord, "No hay registro activo.");
  return rows_[current_][*i];
}

void Recordset::AddNew() {
  if (!open_) Throw(3704, "La operación no está permitida si el objeto está cerrado.");
  if (lock_ == LockType::ReadOnly || table_.empty())
    Throw(errc::kReadOnly, "No se puede actualizar. La base de datos o el objeto es de sólo lectura.");
  adding_ = true;
  pending_.clear();
}

void Recordset::SetField(std::string_view name, Value v) {
  if (!open_) Throw(3704, "La operación no está permitida si el objeto está cerrado.");
  if (lock_ == LockType::ReadOnly || table_.empty())
    Throw(errc::kReadOnly, "No se puede actualizar. La base de datos o el objeto es de sólo lectura.");
  auto i = Index(name);
  if (!i) Throw(errc::kItemNotFound, "No se encontró el elemento '" + std::string(name) + "' en esta colección.");
  if (!adding_ && Eof()) Throw(errc::kNoCurrentRecord, "No hay registro activo.");
  for (auto& [index, value] : pending_) {
    if (index == *i) {
      value = std::move(v);
      return;
    }
  }
  pending_.emplace_back(*i, std::move(v));
}

void Recordset::Update() {
  if (!open_) Throw(3704, "La operación no está permitida si el objeto está cerrado.");
  if (!adding_ && pending_.empty()) return;
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
  cn_->Execute(sql, params);
  if (adding_) {
    std::vector<Value> row(names_.size() + 1);
    row[0] = static_cast<std::int64_t>(sqlite3_last_insert_rowid(cn_->Handle()));
    for (auto& [index, value] : pending_) row[index] = value;
    rows_.push_back(std::move(row));
    current_ = rows_.size() - 1;
  } else {
    for (auto& [index, value] : pending_) rows_[current_][index] = value;
  }
  adding_ = false;
  pending_.clear();
}

}  // namespace orvo::db
