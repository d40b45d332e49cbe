#include "platform/db/replace_contents.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/db/identifiers.h"
#include "platform/db/session.h"

namespace orvo::db {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kSource = "orvo_origen";
constexpr std::string_view kMarkTable = "_orvo_restore";
constexpr long long kMapped = 1LL << 31;  // SQLite caps it at its own build's limit

struct SchemaObject {
  std::string type;
  std::string name;
  std::string table;  // an index's or trigger's own table; a table's or view's name
  std::string sql;
};

std::string Text(sqlite3_stmt* st, int column) {
  const unsigned char* text = sqlite3_column_text(st, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

// The objects of one schema that belong to the data: the engine's own
// (sqlite_sequence, sqlite_stat1, automatic indexes) are kept by SQLite itself.
std::vector<SchemaObject> Objects(detail::Session& s, std::string_view schema) {
  // Kept alive for the statement, which names it in its errors.
  const std::string sql = "SELECT type, name, tbl_name, sql FROM " + std::string(schema) +
                          ".sqlite_master WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                          "ORDER BY rowid";
  detail::Statement st(s, sql, {});
  std::vector<SchemaObject> objects;
  while (st.Step() == SQLITE_ROW)
    objects.push_back({Text(st.get(), 0), Text(st.get(), 1), Text(st.get(), 2), Text(st.get(), 3)});
  return objects;
}

bool HasTable(detail::Session& s, std::string_view schema, std::string_view table) {
  const Value name{std::string(table)};
  const std::string sql = "SELECT count(*) FROM " + std::string(schema) + ".sqlite_master WHERE type = 'table' AND name = ?";
  detail::Statement st(s, sql, {&name, 1});
  return st.Step() == SQLITE_ROW && sqlite3_column_int(st.get(), 0) > 0;
}

// A table's columns as the source has them, and the name its rows' rowid
// goes by there: empty for a table without rowid, or whose columns take
// every name of the rowid.
struct Layout {
  std::vector<std::string> columns;
  std::string rowid;
};

Layout LayoutOf(detail::Session& s, const std::string& table) {
  Layout layout;
  {
    const Value name{table};
    const Value schema{std::string(kSource)};
    const Value params[] = {name, schema};
    detail::Statement st(s, "SELECT name FROM pragma_table_info(?, ?) ORDER BY cid", params);
    while (st.Step() == SQLITE_ROW) layout.columns.push_back(Text(st.get(), 0));
  }
  sqlite3_stmt* probe = nullptr;
  const std::string test = "SELECT rowid FROM " + std::string(kSource) + "." + QuoteIdentifier(table);
  const bool hasRowid = sqlite3_prepare_v2(s.db(), test.c_str(), -1, &probe, nullptr) == SQLITE_OK;
  sqlite3_finalize(probe);
  if (!hasRowid) return layout;
  for (const char* alias : {"rowid", "_rowid_", "oid"}) {
    bool taken = false;
    for (const std::string& c : layout.columns) taken = taken || SameName(c, alias);
    if (!taken) {
      layout.rowid = alias;
      break;
    }
  }
  return layout;
}

// "INSERT INTO main.t (rowid, a, b) SELECT rowid, a, b FROM orvo_origen.t":
// the rows keep their rowids, which "first row" and the programs' updates by
// position rely on. A table without rowid, or whose columns take every name
// of the rowid, copies its columns alone.
std::string CopyRows(detail::Session& s, const std::string& table, const Layout& layout) {
  const std::string quoted = QuoteIdentifier(table);
  const std::string source = std::string(kSource) + "." + quoted;
  if (!layout.rowid.empty()) {
    // Rowids exactly 1..n: the new table numbers its rows so too, and the
    // plain form lets SQLite copy the records as they are stored, without
    // decoding them (several times faster on a large archive).
    const std::string& r = layout.rowid;
    detail::Statement st(s, "SELECT count(*) = coalesce(max(" + r + "), 0) AND coalesce(min(" + r + "), 1) >= 1 FROM " +
                                source, {});
    if (st.Step() == SQLITE_ROW && sqlite3_column_int(st.get(), 0) == 1)
      return "INSERT INTO main." + quoted + " SELECT * FROM " + source;
  }
  std::string list = layout.rowid;
  for (const std::string& c : layout.columns) list += (list.empty() ? "" : ", ") + QuoteIdentifier(c);
  return "INSERT INTO main." + quoted + " (" + list + ") SELECT " + list + " FROM " + source;
}

// Makes the rows of a table that the live database and the source define
// alike equal to the source's, writing only where they differ: the rows
// the source lacks, or holds otherwise, go; the ones it holds and the live
// table lacks come, each with its rowid. Values are compared as stored:
// their type and, for text, their bytes, whatever the column's collation.
void DiffRows(detail::Session& s, const std::string& table, const Layout& layout) {
  const std::string quoted = QuoteIdentifier(table);
  const std::string& r = layout.rowid;
  std::string same = "s." + r + " = m." + r;
  for (const std::string& c : layout.columns) {
    const std::string q = QuoteIdentifier(c);
    same += " AND s." + q + " IS m." + q + " COLLATE BINARY AND typeof(s." + q + ") = typeof(m." + q + ")";
  }
  s.Run("DELETE FROM main." + quoted + " AS m WHERE NOT EXISTS (SELECT 1 FROM " + std::string(kSource) + "." + quoted +
        " AS s WHERE " + same + ")");
  std::string list = r;
  for (const std::string& c : layout.columns) list += ", " + QuoteIdentifier(c);
  s.Run("INSERT INTO main." + quoted + " (" + list + ") SELECT " + list + " FROM " + std::string(kSource) + "." +
        quoted + " AS s WHERE NOT EXISTS (SELECT 1 FROM main." + quoted + " AS m WHERE m." + r + " = s." + r + ")");
}

bool Defines(const std::vector<SchemaObject>& objects, const SchemaObject& o) {
  return std::any_of(objects.begin(), objects.end(), [&](const SchemaObject& x) {
    return x.type == o.type && x.name == o.name && x.table == o.table && x.sql == o.sql;
  });
}

long Pragma(detail::Session& s, const std::string& sql) {
  detail::Statement st(s, sql, {});
  return st.Step() == SQLITE_ROW ? static_cast<long>(sqlite3_column_int64(st.get(), 0)) : 0;
}

}  // namespace

ContentsReplacement::ContentsReplacement(std::string_view live, std::string_view password, const fs::path& source) {
  cn_.OpenFile(live, password);
  detail::Session& s = detail::SessionOf(cn_);
  {
    // An empty or missing file would attach as a new empty database.
    std::error_code ec;
    if (!fs::is_regular_file(source, ec) || fs::file_size(source, ec) == 0) throw UnrecognizedFormat(source.string());
    const Value path{source.string()};
    s.Run("ATTACH DATABASE ? AS " + std::string(kSource), {&path, 1});
  }
  // The source's schema read now, so that a file that is no database fails here.
  (void)Objects(s, kSource);
  // Both read through the file's pages in memory: comparing a large archive
  // row by row then costs little more than reading it once. Freed pages are
  // not overwritten with zeros where that would mean writing them again.
  s.Run("PRAGMA main.mmap_size = " + std::to_string(kMapped));
  s.Run("PRAGMA " + std::string(kSource) + ".mmap_size = " + std::to_string(kMapped));
  s.Run("PRAGMA main.secure_delete = FAST");
  transaction_.emplace(cn_.Begin());
}

ContentsReplacement::~ContentsReplacement() {
  transaction_.reset();
  cn_.Close();
}

void ContentsReplacement::Commit(std::string_view mark) {
  detail::Session& s = detail::SessionOf(cn_);
  const std::vector<SchemaObject> old = Objects(s, "main");
  const std::vector<SchemaObject> next = Objects(s, kSource);

  // A table both define alike keeps its pages and takes only the rows that
  // differ: a set restored over the data it was made of writes little. Its
  // indexes that both define alike stay too. Every other object is dropped
  // and made again from the source's schema.
  std::set<std::string> kept;
  std::map<std::string, Layout> layouts;
  for (const SchemaObject& o : next) {
    if (o.type != "table" || o.sql.starts_with("CREATE VIRTUAL")) continue;
    Layout layout = LayoutOf(s, o.name);
    if (Defines(old, o) && !layout.rowid.empty()) kept.insert(o.name);
    layouts.emplace(o.name, std::move(layout));
  }
  const auto stays = [&](const SchemaObject& o) {
    return (o.type == "table" || o.type == "index") && kept.contains(o.table) && Defines(next, o);
  };
  // Triggers first, so that none fires on the rows written here, and views,
  // which name tables; a table's indexes go with it.
  for (const char* type : {"trigger", "view", "table", "index"}) {
    for (const SchemaObject& o : old) {
      if (o.type != type || stays(o)) continue;
      if (o.type == "index" && !kept.contains(o.table)) continue;  // went with its table
      std::string kind = o.type;
      for (char& c : kind) c = static_cast<char>(c - 'a' + 'A');
      s.Run("DROP " + kind + " main." + QuoteIdentifier(o.name));
    }
  }
  // Unqualified, each statement as the source stored it creates in main.
  for (const SchemaObject& o : next) {
    if (o.type == "table" && !kept.contains(o.name)) s.Run(o.sql);
  }
  for (const SchemaObject& o : next) {
    if (o.type != "table" || o.sql.starts_with("CREATE VIRTUAL")) continue;
    const Layout& layout = layouts.at(o.name);
    if (kept.contains(o.name)) {
      DiffRows(s, o.name, layout);
    } else {
      s.Run(CopyRows(s, o.name, layout));
    }
  }
  if (HasTable(s, "main", "sqlite_sequence")) s.Run("DELETE FROM main.sqlite_sequence");
  if (HasTable(s, kSource, "sqlite_sequence")) {
    s.Run("INSERT INTO main.sqlite_sequence (name, seq) SELECT name, seq FROM " + std::string(kSource) +
          ".sqlite_sequence");
  }
  // After the rows, so that no trigger fires on the copy.
  for (const char* type : {"index", "view", "trigger"}) {
    for (const SchemaObject& o : next) {
      if (o.type == type && !stays(o)) s.Run(o.sql);
    }
  }
  s.Run("PRAGMA main.user_version = " +
        std::to_string(Pragma(s, "PRAGMA " + std::string(kSource) + ".user_version")));
  s.Run("PRAGMA main.application_id = " +
        std::to_string(Pragma(s, "PRAGMA " + std::string(kSource) + ".application_id")));

  const std::string table = "main." + QuoteIdentifier(kMarkTable);
  s.Run("DROP TABLE IF EXISTS " + table);
  s.Run("CREATE TABLE " + table + " (mark TEXT)");
  const Value value{std::string(mark)};
  s.Run("INSERT INTO " + table + " VALUES (?)", {&value, 1});

  transaction_->Commit();
  transaction_.reset();
  s.Run("DETACH DATABASE " + std::string(kSource));
}

bool ReplacementMarked(std::string_view live, std::string_view password, std::string_view mark) {
  Connection cn;
  cn.OpenFile(live, password);
  detail::Session& s = detail::SessionOf(cn);
  if (!HasTable(s, "main", kMarkTable)) return false;
  const Value value{std::string(mark)};
  const std::string sql = "SELECT count(*) FROM main." + QuoteIdentifier(kMarkTable) + " WHERE mark = ?";
  detail::Statement st(s, sql, {&value, 1});
  return st.Step() == SQLITE_ROW && sqlite3_column_int(st.get(), 0) > 0;
}

}  // namespace orvo::db
