#include "platform/db/database.h"

#include <sqlite3.h>

#include <system_error>

#include "platform/db/column_declaration.h"
#include "platform/db/identifiers.h"
#include "platform/db/password.h"
#include "platform/db/session.h"

namespace orvo::db {
namespace fs = std::filesystem;
namespace {

// Marks the files this engine made ("ORVO").
constexpr int kApplicationId = 0x4F52564F;

[[noreturn]] void NoTable(std::string_view table) {
  throw ItemNotFound("la tabla", table);
}

std::vector<std::string> Texts(detail::Session& s, std::string_view sql, std::span<const Value> params) {
  detail::Statement st(s, sql, params);
  std::vector<std::string> out;
  while (st.Step() == SQLITE_ROW) {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
    out.emplace_back(p ? p : "");
  }
  return out;
}

}  // namespace

const Field* TableDef::FindField(std::string_view n) const {
  for (const Field& f : fields) {
    if (SameName(f.name, n)) return &f;
  }
  return nullptr;
}

Database Database::Open(std::string_view path, std::string_view connect) {
  Database db;
  db.cn_->OpenFile(path, ConnectionString::Parse(connect).password);
  return db;
}

Database Database::Create(std::string_view path, std::string_view /*locale*/, std::string_view password) {
  fs::path file = ResolvePath(path);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(file, ec))) throw DatabaseExists(path);
  if (!fs::is_directory(file.parent_path(), ec))
    throw BadPath(file.parent_path().string());
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(raw, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str(), nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) rc = sqlite3_exec(raw, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    try {
      detail::SetPassword(raw, password);
    } catch (...) {
      rc = SQLITE_ERROR;
    }
  }
  sqlite3_close_v2(raw);
  if (rc != SQLITE_OK) {
    fs::remove(file, ec);
    throw CannotCreate(path);
  }
  Database db;
  db.cn_->OpenFile(path, password);
  return db;
}

std::vector<std::string> Database::TableNames() { return cn_->TableNames(); }

std::optional<TableDef> Database::FindTable(std::string_view name) {
  for (const std::string& stored : cn_->TableNames()) {
    if (!SameName(stored, name)) continue;
    TableDef t;
    t.name = stored;
    detail::Statement st(detail::SessionOf(*cn_), "PRAGMA table_info(" + QuoteIdentifier(stored) + ")", {});
    while (st.Step() == SQLITE_ROW) {
      auto text = [&](int i) {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), i));
        return p ? std::string(p) : std::string();
      };
      t.fields.push_back(detail::FromDeclaration(text(1), text(2), reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 4))));
    }
    return t;
  }
  return std::nullopt;
}

std::vector<TableDef> Database::TableDefs() {
  std::vector<TableDef> all;
  for (const std::string& name : cn_->TableNames()) all.push_back(*FindTable(name));
  return all;
}

void Database::Append(const TableDef& table) {
  if (FindTable(table.name)) throw TableExists(table.name);
  if (table.fields.empty())
    throw NoFields(table.name);
  std::string sql = "CREATE TABLE " + QuoteIdentifier(table.name) + " (";
  for (std::size_t i = 0; i < table.fields.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (SameName(table.fields[i].name, table.fields[j].name))
        throw DuplicateField(table.fields[i].name);
    }
    if (i) sql += ", ";
    sql += ColumnSql(table.name, table.fields[i]);
  }
  cn_->Execute(sql + ")");
}

void Database::AppendField(std::string_view table, const Field& field) {
  auto t = FindTable(table);
  if (!t) NoTable(table);
  if (t->FindField(field.name))
    throw DuplicateField(field.name);
  // The new column starts without its default, so the rows already there get
  // Null as they did on Windows; the default is set afterwards.
  Field bare = field;
  bare.defaultValue = std::monostate{};
  auto tx = cn_->Begin();
  cn_->Execute("ALTER TABLE " + QuoteIdentifier(t->name) + " ADD COLUMN " + ColumnSql(t->name, bare));
  if (!IsNull(field.defaultValue)) SetFieldProperties(t->name, field.name, std::nullopt, field.defaultValue);
  tx.Commit();
}

void Database::SetFieldProperties(std::string_view table, std::string_view field,
                                  std::optional<bool> allowZeroLength, std::optional<Value> defaultValue) {
  auto t = FindTable(table);
  if (!t) NoTable(table);
  Field* f = nullptr;
  for (Field& candidate : t->fields) {
    if (SameName(candidate.name, field)) f = &candidate;
  }
  if (!f) throw ItemNotFound("el campo", field);
  if (allowZeroLength) {
    if (f->type != Type::Text && f->type != Type::Memo)
      throw InvalidOperationOnField(f->name);
    f->allowZeroLength = *allowZeroLength;
  }
  if (defaultValue) f->defaultValue = *defaultValue;

  // SQLite cannot alter a column: the table is made again from its stored
  // text, where every other column keeps its declaration word for word, and
  // only this one is declared anew.
  detail::Session& s = detail::SessionOf(*cn_);
  const std::vector<Value> name{t->name};
  std::vector<std::string> stored = Texts(s, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?", name);
  detail::TableText parts;
  if (stored.empty() || !detail::SplitCreateTable(stored.front(), parts))
    throw UnreadableTable(t->name);
  std::string create = "CREATE TABLE \"_orvo_rebuild\" (";
  bool replaced = false;
  for (std::size_t i = 0; i < parts.definitions.size(); ++i) {
    if (i) create += ", ";
    const std::string column = detail::DefinedColumn(parts.definitions[i]);
    if (!replaced && !column.empty() && SameName(column, f->name)) {
      create += ColumnSql(t->name, *f);
      replaced = true;
    } else {
      create += parts.definitions[i];
    }
  }
  create += ")";
  if (!parts.options.empty()) create += " " + parts.options;
  if (!replaced) throw UnreadableTable(t->name);

  std::string columns;
  for (std::size_t i = 0; i < t->fields.size(); ++i) {
    if (i) columns += ", ";
    columns += QuoteIdentifier(t->fields[i].name);
  }
  // Indexes and triggers go with the old table; they are made again on the new one.
  std::vector<std::string> dependents =
      Texts(s, "SELECT sql FROM sqlite_master WHERE type IN ('index', 'trigger') AND tbl_name = ? AND sql IS NOT NULL", name);

  auto tx = cn_->Begin();
  cn_->Execute("DROP TABLE IF EXISTS \"_orvo_rebuild\"");
  cn_->Execute(create);
  cn_->Execute("INSERT INTO \"_orvo_rebuild\" (rowid, " + columns + ") SELECT rowid, " + columns + " FROM " +
               QuoteIdentifier(t->name) + " ORDER BY rowid");
  cn_->Execute("DROP TABLE " + QuoteIdentifier(t->name));
  // Views that name the table are kept as they are: the rename must not check them.
  cn_->Execute("PRAGMA legacy_alter_table = ON");
  cn_->Execute("ALTER TABLE \"_orvo_rebuild\" RENAME TO " + QuoteIdentifier(t->name));
  cn_->Execute("PRAGMA legacy_alter_table = OFF");
  for (const std::string& sql : dependents) cn_->Execute(sql);
  tx.Commit();
}

void Database::Snapshot(std::string_view targetPath) { cn_->Snapshot(targetPath); }

}  // namespace orvo::db
