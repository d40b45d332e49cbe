#include "platform/db/database.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "platform/db/identifiers.h"

namespace orvo::db {
namespace fs = std::filesystem;
namespace {

// Marks the files this engine made ("ORVO").
constexpr int kApplicationId = 0x4F52564F;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Literal(const Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) {
    std::string out = "'";
    for (char c : *s) {
      if (c == '\'') out += '\'';
      out += c;
    }
    return out + "'";
  }
  return AsText(v);
}

// Reads a default back from its SQL literal.
Value FromLiteral(const char* text) {
  if (!text) return std::monostate{};
  std::string s(text);
  if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'') {
    std::string out;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
      out += s[i];
      if (s[i] == '\'' && s[i + 1] == '\'') ++i;
    }
    return out;
  }
  if (Upper(s) == "NULL") return std::monostate{};
  Value n = s;
  std::int64_t i = AsInteger(n, INT64_MIN);
  if (i != INT64_MIN) return i;
  return s;
}

Field FromDeclaration(std::string name, std::string_view declared, const char* dflt) {
  Field f;
  f.name = std::move(name);
  std::string t = Upper(declared);
  if (t.starts_with("ZEROLENGTH ")) {
    f.allowZeroLength = true;
    t = t.substr(11);
  }
  if (t.starts_with("VARCHAR(")) {
    f.type = Type::Text;
    f.size = std::atoi(t.c_str() + 8);
  } else if (t == "TEXT") {
    f.type = Type::Memo;
  } else if (t == "SMALLINT") {
    f.type = Type::Integer;
  } else if (t == "BLOB" || t.empty()) {
    f.type = Type::LongBinary;
  } else if (t == "DATETIME") {
    f.type = Type::Date;
  } else if (t.find("INT") != std::string::npos) {
    f.type = Type::Long;
  } else {
    f.type = Type::Memo;  // any other text-like declaration of a foreign file
  }
  f.defaultValue = FromLiteral(dflt);
  return f;
}

}  // namespace

const Field* TableDef::FindField(std::string_view n) const {
  for (const Field& f : fields) {
    if (SameIgnoringCase(f.name, n)) return &f;
  }
  return nullptr;
}

std::string ColumnSql(std::string_view table, const Field& f) {
  std::string c = QuoteIdentifier(f.name);
  std::string tag = std::string(table) + "." + f.name;
  auto check = [&](std::string_view kind, const std::string& expr) {
    return " CONSTRAINT " + QuoteIdentifier(std::string(kind) + ":" + tag) + " CHECK(" + expr + ")";
  };
  std::string zero = f.allowZeroLength ? "ZEROLENGTH " : "";
  std::string dflt;
  if (!IsNull(f.defaultValue)) {
    bool text = f.type == Type::Text || f.type == Type::Memo || f.type == Type::Date;
    dflt = " DEFAULT " + (text ? Literal(Value(AsText(f.defaultValue))) : Literal(f.defaultValue));
  }
  std::string sql;
  switch (f.type) {
    case Type::Text:
      sql = c + " " + zero + "VARCHAR(" + std::to_string(f.size) + ") COLLATE NOCASE" + dflt +
            check("type", c + " IS NULL OR typeof(" + c + ") = 'text'") +
            check("len", "length(" + c + ") <= " + std::to_string(f.size));
      break;
    case Type::Memo:
      sql = c + " " + zero + "TEXT COLLATE NOCASE" + dflt + check("type", c + " IS NULL OR typeof(" + c + ") = 'text'");
      break;
    case Type::Long:
      sql = c + " INTEGER" + dflt + check("type", "typeof(" + c + ") IN ('integer', 'null')") +
            check("range", c + " BETWEEN -2147483648 AND 2147483647");
      break;
    case Type::Integer:
      sql = c + " SMALLINT" + dflt + check("type", "typeof(" + c + ") IN ('integer', 'null')") +
            check("range", c + " BETWEEN -32768 AND 32767");
      break;
    case Type::LongBinary:
      sql = c + " BLOB" + dflt;
      break;
    case Type::Date:
      sql = c + " DATETIME" + dflt +
            check("type", c + " IS NULL OR (typeof(" + c + ") = 'text' AND " + c +
                              " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]*')");
      break;
  }
  if ((f.type == Type::Text || f.type == Type::Memo) && !f.allowZeroLength) sql += check("zero", c + " <> ''");
  return sql;
}

Database Database::Open(std::string_view path, std::string_view connect) {
  Database db;
  db.cn_->OpenFile(path, ConnectionString::Parse(connect).password);
  return db;
}

Database Database::Create(std::string_view path, std::string_view /*locale*/, std::string_view password) {
  fs::path file = ResolvePath(path);
  std::error_code ec;
  if (fs::exists(file, ec)) Throw(errc::kDatabaseExists, "La base de datos '" + std::string(path) + "' ya existe.");
  if (!fs::is_directory(file.parent_path(), ec))
    Throw(3044, "'" + file.parent_path().string() + "' no es una ruta válida.");
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(raw, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str(), nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    try {
      SetPassword(raw, password);
    } catch (...) {
      rc = SQLITE_ERROR;
    }
  }
  sqlite3_close_v2(raw);
  if (rc != SQLITE_OK) {
    fs::remove(file, ec);
    Throw(errc::kEngine, "No se pudo crear la base de datos '" + std::string(path) + "'.");
  }
  return Open(file.string(), std::string(";pwd=") + std::string(password));
}

std::vector<std::string> Database::TableNames() { return cn_->TableNames(); }

std::optional<TableDef> Database::FindTable(std::string_view name) {
  for (const std::string& stored : cn_->TableNames()) {
    if (!SameIgnoringCase(stored, name)) continue;
    TableDef t;
    t.name = stored;
    sqlite3_stmt* st = cn_->Prepare("PRAGMA table_info(" + QuoteIdentifier(stored) + ")", {});
    while (sqlite3_step(st) == SQLITE_ROW) {
      auto text = [&](int i) {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        return p ? std::string(p) : std::string();
      };
      t.fields.push_back(FromDeclaration(text(1), text(2), reinterpret_cast<const char*>(sqlite3_column_text(st, 4))));
    }
    cn_->Release(st);
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
  if (FindTable(table.name)) Throw(errc::kTableExists, "La tabla '" + table.name + "' ya existe.");
  if (table.fields.empty())
    Throw(3264, "No hay campos definidos; no se puede agregar la tabla '" + table.name + "'.");
  std::string sql = "CREATE TABLE " + QuoteIdentifier(table.name) + " (";
  for (std::size_t i = 0; i < table.fields.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (SameIgnoringCase(table.fields[i].name, table.fields[j].name))
        Throw(errc::kDuplicateField, "No se puede definir el campo '" + table.fields[i].name + "' más de una vez.");
    }
    sql += (i ? ", " : "") + ColumnSql(table.name, table.fields[i]);
  }
  cn_->Execute(sql + ")");
}

void Database::AppendField(std::string_view table, const Field& field) {
  auto t = FindTable(table);
  if (!t) Throw(errc::kItemNotFound, "No se encontró la tabla '" + std::string(table) + "' en esta colección.");
  if (t->FindField(field.name))
    Throw(errc::kDuplicateField, "No se puede definir el campo '" + field.name + "' más de una vez.");
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
  if (!t) Throw(errc::kItemNotFound, "No se encontró la tabla '" + std::string(table) + "' en esta colección.");
  Field* f = nullptr;
  for (Field& candidate : t->fields) {
    if (SameIgnoringCase(candidate.name, field)) f = &candidate;
  }
  if (!f) Throw(errc::kItemNotFound, "No se encontró el campo '" + std::string(field) + "' en esta colección.");
  if (allowZeroLength) {
    if (f->type != Type::Text && f->type != Type::Memo)
      Throw(3219, "Operación no válida para el campo '" + f->name + "'.");
    f->allowZeroLength = *allowZeroLength;
  }
  if (defaultValue) f->defaultValue = *defaultValue;

  std::vector<std::string> indexes;
  {
    sqlite3_stmt* st = cn_->Prepare("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ? AND sql IS NOT NULL",
                                    std::vector<Value>{t->name});
    while (sqlite3_step(st) == SQLITE_ROW) indexes.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    cn_->Release(st);
  }
  std::string columns, create = "CREATE TABLE \"_orvo_rebuild\" (";
  for (std::size_t i = 0; i < t->fields.size(); ++i) {
    columns += (i ? ", " : "") + QuoteIdentifier(t->fields[i].name);
    create += (i ? ", " : "") + ColumnSql(t->name, t->fields[i]);
  }
  auto tx = cn_->Begin();
  cn_->Execute("DROP TABLE IF EXISTS \"_orvo_rebuild\"");
  cn_->Execute(create + ")");
  cn_->Execute("INSERT INTO \"_orvo_rebuild\" (rowid, " + columns + ") SELECT rowid, " + columns + " FROM " + QuoteIdentifier(t->name) +
               " ORDER BY rowid");
  cn_->Execute("DROP TABLE " + QuoteIdentifier(t->name));
  cn_->Execute("ALTER TABLE \"_orvo_rebuild\" RENAME TO " + QuoteIdentifier(t->name));
  for (const std::string& sql : indexes) cn_->Execute(sql);
  tx.Commit();
}

}  // namespace orvo::db
