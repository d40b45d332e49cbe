// The recordset against plain SQLite on the same statements: a statement that
// SQLite runs, the recordset opens with the same columns, in the same order,
// and the same rows with the same values; one that SQLite refuses, the
// recordset refuses too. Over one table the recordset reads its own form of
// the statement (with the rowid hidden in it, to edit rows), so this holds
// that form to the meaning of the one written: column numbers in ORDER BY
// and GROUP BY, "*", aliases, conditions.
//
// An input that starts with "SELECT" (any case) is the statement itself;
// any other is read as choices that build one over the table T, and then
// also as an edit: a row and a field of the recordset, a value, and what
// another program (a plain SQLite connection) does to the table between the
// open and the Update. The edit holds to what the table tells plain SQLite:
// an Update that succeeds changed one row, one that the statement could have
// read that row from and that nobody changed since, and in the field's own
// column only; one refused as deleted (3167) had its row changed or deleted
// by the other program; a field that reads no column (3164) is one plain
// SQLite names no column for; any refusal leaves the table as it was.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/temp_folder.h"
#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/db/session.h"
#include "platform/db/single_table.h"
#include "platform/error.h"
#include "platform/error/numbers.h"
#include "platform/text/nocase.h"

namespace {
using orvo::db::Value;

// Enough steps for any statement over the small table; the recordset's form
// of it gets more, since it reads one column more.
constexpr int kPlainSteps = 20000;
// Texts and blobs stay small, so that no statement needs much memory.
constexpr int kMaxLength = 100000;

orvo::db::Connection& Cn() {
  static orvo::db::Connection cn;
  return cn;
}

sqlite3*& Plain() {
  static sqlite3* db = nullptr;
  return db;
}

int Budget(void* left) { return --*static_cast<int*>(left) < 0; }

struct Result {
  bool ran = false;
  std::vector<std::string> names;
  std::vector<std::string> origins;  // the column of T each one reads, or empty
  std::vector<std::vector<Value>> rows;  // by name: the first column of each name
};

// Plain SQLite; `skip` when the statement is not one to compare (it writes,
// it is not a single statement, it ran out of steps).
Result RunPlain(const std::string& sql, bool& skip) {
  Result r;
  sqlite3_stmt* st = nullptr;
  const char* tail = nullptr;
  int left = kPlainSteps;
  sqlite3_progress_handler(Plain(), 100, Budget, &left);
  if (sqlite3_prepare_v2(Plain(), sql.data(), static_cast<int>(sql.size()), &st, &tail) != SQLITE_OK || !st) {
    sqlite3_finalize(st);
    return r;
  }
  const std::string_view rest(tail, static_cast<std::size_t>(sql.data() + sql.size() - tail));
  if (!sqlite3_stmt_readonly(st) || sqlite3_column_count(st) == 0 || sqlite3_bind_parameter_count(st) > 0 ||
      rest.find_first_not_of(" \t\r\n\f\v;") != std::string_view::npos) {
    skip = true;
    sqlite3_finalize(st);
    return r;
  }
  const int columns = sqlite3_column_count(st);
  for (int i = 0; i < columns; ++i) {
    r.names.emplace_back(sqlite3_column_name(st, i));
    const char* table = sqlite3_column_table_name(st, i);
    const char* origin = sqlite3_column_origin_name(st, i);
    r.origins.emplace_back(table && origin && std::string_view(table) == "T" ? origin : "");
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::vector<Value> row;
    for (int i = 0; i < columns; ++i) row.push_back(orvo::db::detail::ColumnValue(st, i));
    r.rows.push_back(std::move(row));
  }
  sqlite3_finalize(st);
  sqlite3_progress_handler(Plain(), 0, nullptr, nullptr);
  if (rc == SQLITE_INTERRUPT) skip = true;
  r.ran = rc == SQLITE_DONE;
  return r;
}

// The same through the recordset, values looked up by name as the programs do.
Result RunRecordset(const std::string& sql, const std::vector<std::string>& names) {
  Result r;
  int left = 4 * kPlainSteps;
  sqlite3* db = orvo::db::detail::SessionOf(Cn()).db();
  sqlite3_progress_handler(db, 100, Budget, &left);
  try {
    orvo::db::Recordset rs(Cn(), orvo::db::LockType::Optimistic);
    rs.Open(sql);
    r.names = rs.FieldNames();
    for (; !rs.Eof(); rs.MoveNext()) {
      std::vector<Value> row;
      for (const std::string& name : names) row.push_back(rs.Field(name));
      r.rows.push_back(std::move(row));
    }
    r.ran = true;
  } catch (const orvo::RuntimeError&) {
  }
  sqlite3_progress_handler(db, 0, nullptr, nullptr);
  return r;
}

// Plain rows as the recordset gives them by name: a name met again reads
// the first column that bears it.
std::vector<std::vector<Value>> ByName(const Result& plain) {
  std::vector<std::size_t> first;
  for (std::size_t i = 0; i < plain.names.size(); ++i) {
    std::size_t k = 0;
    while (!orvo::text::EqualsNoCase(plain.names[k], plain.names[i])) ++k;
    first.push_back(k);
  }
  std::vector<std::vector<Value>> rows;
  for (const auto& row : plain.rows) {
    std::vector<Value> named;
    for (std::size_t k : first) named.push_back(row[k]);
    rows.push_back(std::move(named));
  }
  return rows;
}

// Reads the fuzzer's bytes as choices among a few options each.
class Choices {
 public:
  Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Pick(std::size_t options) { return i_ < size_ ? data_[i_++] % options : 0; }
  template <std::size_t N>
  const char* From(const char* const (&options)[N]) {
    return options[Pick(N)];
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t i_ = 0;
};

struct Built {
  std::string sql;
  std::string list;       // the select list
  std::string condition;  // the WHERE condition, or empty
};

Built Build(Choices& c) {
  static const char* const kItems[] = {"*", "Id", "Nombre", "Hora", "Num", "Nota", "Id AS x", "Nombre || Hora",
                                       "Num + 1", "'lit'", "rowid", "T.*", "NULL", "Hora AS Nombre", "nombre"};
  static const char* const kConditions[] = {"Id > 2", "Nombre = 'ana'", "Num IS NULL", "Hora LIKE '0%'",
                                            "Nota <> ''", "Id IN (1, 3, 5)", "1", "0"};
  static const char* const kTerms[] = {"1", "2", "3", "4", "5", "6", "7", "0", "-1", "Id", "Nombre", "Num", "Hora",
                                       "x", "rowid", "Nota", "Nombre COLLATE BINARY", "+1"};
  static const char* const kDirections[] = {"", " DESC", " ASC", " NULLS LAST"};
  Built b;
  for (std::size_t n = 1 + c.Pick(4), k = 0; k < n; ++k) b.list += std::string(k ? ", " : "") + c.From(kItems);
  std::string sql = "SELECT " + b.list + " FROM T";
  const bool where = c.Pick(2), group = c.Pick(3) == 0;
  if (where || group) {
    b.condition = c.From(kConditions);
    sql += " WHERE " + b.condition;
  }
  if (group) {
    sql += " GROUP BY ";
    for (std::size_t n = 1 + c.Pick(2), k = 0; k < n; ++k) sql += std::string(k ? ", " : "") + c.From(kTerms);
  }
  if (c.Pick(4) != 0) {
    sql += " ORDER BY ";
    for (std::size_t n = 1 + c.Pick(3), k = 0; k < n; ++k)
      sql += std::string(k ? ", " : "") + c.From(kTerms) + c.From(kDirections);
  }
  if (c.Pick(4) == 0) sql += " LIMIT " + std::to_string(c.Pick(5)) + (c.Pick(2) ? " OFFSET 1" : "");
  b.sql = std::move(sql);
  return b;
}

// A plain SQLite connection that may write: the other program of the edits,
// and the one that reads the table as it is.
sqlite3*& Writer() {
  static sqlite3* db = nullptr;
  return db;
}

void Exec(const std::string& sql, std::span<const Value> params = {}) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(Writer(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) std::abort();
  for (std::size_t i = 0; i < params.size(); ++i) {
    const int at = static_cast<int>(i + 1);
    if (auto* n = std::get_if<std::int64_t>(&params[i])) sqlite3_bind_int64(st, at, *n);
    else if (auto* d = std::get_if<double>(&params[i])) sqlite3_bind_double(st, at, *d);
    else if (auto* t = std::get_if<std::string>(&params[i])) sqlite3_bind_text(st, at, t->data(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
    else if (auto* b = std::get_if<orvo::db::Blob>(&params[i])) sqlite3_bind_zeroblob(st, at, static_cast<int>(b->bytes.size()));
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) std::abort();
}

// Every row of T by its rowid: every column, as stored.
using Table = std::map<std::int64_t, std::vector<Value>>;

Table ReadTable() {
  Table t;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(Writer(), "SELECT rowid, * FROM T", -1, &st, nullptr) != SQLITE_OK) std::abort();
  while (sqlite3_step(st) == SQLITE_ROW) {
    std::vector<Value> row;
    for (int i = 1; i < sqlite3_column_count(st); ++i) row.push_back(orvo::db::detail::ColumnValue(st, i));
    t[sqlite3_column_int64(st, 0)] = std::move(row);
  }
  sqlite3_finalize(st);
  return t;
}

// Byte for byte, type included: 'ana' is not 'ANA', nor 3 3.0.
bool Same(const Value& a, const Value& b) { return a.index() == b.index() && a == b; }
bool Same(const std::vector<Value>& a, const std::vector<Value>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!Same(a[i], b[i])) return false;
  }
  return true;
}

void WriteTable(const Table& t) {
  Exec("DELETE FROM T");
  for (const auto& [rowid, row] : t) {
    std::vector<Value> params{rowid};
    params.insert(params.end(), row.begin(), row.end());
    Exec("INSERT INTO T (rowid, Id, Nombre, Hora, Num, Nota) VALUES (?, ?, ?, ?, ?, ?)", params);
  }
}

Table& Initial() {
  static Table t;
  return t;
}

// The rows of T that the statement could have read `shown` from: those whose
// own values under its select list (and condition) are the same.
std::vector<std::int64_t> Sources(const Built& b, const Table& table, const Result& plain, const std::vector<Value>& shown) {
  std::vector<std::int64_t> sources;
  bool skip = false;
  for (const auto& [rowid, row] : table) {
    std::string sql = "SELECT " + b.list + " FROM T WHERE rowid = " + std::to_string(rowid);
    if (!b.condition.empty()) sql += " AND (" + b.condition + ")";
    Result one = RunPlain(sql, skip);
    if (one.ran && one.rows.size() == 1 && one.names == plain.names) {
      const auto named = ByName(one);
      if (Same(named[0], shown)) sources.push_back(rowid);
    }
  }
  return sources;
}

// Edits row `r` of the statement's recordset and holds the outcome to the table.
void CheckEdit(Choices& c, const Built& b, const Result& plain) {
  if (plain.rows.empty()) return;
  const std::size_t r = c.Pick(plain.rows.size());
  const std::size_t f = c.Pick(plain.names.size());
  static const Value kValues[] = {std::string("ana"), std::string("ANA"), std::string(""), Value(), std::int64_t{7},
                                  std::int64_t{99999}, 2.5, std::string(25, 'z'), orvo::db::Blob{}};
  const Value value = kValues[c.Pick(std::size(kValues))];
  const std::size_t interference = c.Pick(6);
  const std::int64_t victim = c.Pick(8);

  const Table original = ReadTable();
  const std::vector<Value> shown = ByName(plain)[r];
  const std::vector<std::int64_t> sources = Sources(b, original, plain, shown);
  // The field is found by name, the first column of that name.
  std::size_t first = 0;
  while (!orvo::text::EqualsNoCase(plain.names[first], plain.names[f])) ++first;
  // A column of the table's own (the rowid is none).
  static const char* const kColumns[] = {"Id", "Nombre", "Hora", "Num", "Nota"};
  std::size_t column = 0;
  while (column < std::size(kColumns) && plain.origins[first] != kColumns[column]) ++column;
  const std::string origin = column < std::size(kColumns) ? plain.origins[first] : "";

  orvo::db::Recordset rs(Cn(), orvo::db::LockType::Optimistic);
  try {
    rs.Open(b.sql);
  } catch (const orvo::RuntimeError&) {
    std::abort();  // it opened a moment ago
  }
  for (std::size_t k = 0; k < r; ++k) rs.MoveNext();

  // The other program, between the open and the Update.
  switch (interference) {
    case 1: Exec("UPDATE T SET Nombre = upper(Nombre) WHERE rowid = ?", std::vector<Value>{victim}); break;
    case 2: Exec("UPDATE T SET Nota = ifnull(Nota, '') || 'x' WHERE rowid = ?", std::vector<Value>{victim}); break;
    case 3: Exec("DELETE FROM T WHERE rowid = ?", std::vector<Value>{victim}); break;
    case 4: {
      // The last row goes and a copy of it, one column changed, takes its rowid.
      Exec("CREATE TEMP TABLE Copia AS SELECT * FROM T WHERE rowid = (SELECT max(rowid) FROM T)");
      Exec("DELETE FROM T WHERE rowid = (SELECT max(rowid) FROM T)");
      Exec("INSERT INTO T SELECT Id, Nombre, Hora, Num, ifnull(Nota, '') || 'x' FROM Copia");
      Exec("DROP TABLE Copia");
      break;
    }
    default: break;
  }
  const Table before = ReadTable();

  int number = 0;
  try {
    rs.SetField(plain.names[f], value);
    rs.Update();
  } catch (const orvo::RuntimeError& e) {
    number = e.number;
  }
  const Table after = ReadTable();

  if (origin.empty()) {
    if (number != orvo::err::engine::kFieldNotUpdatable) std::fprintf(stderr, "no column, outcome %d: %s\n", number, b.sql.c_str());
    FUZZ_CHECK(number == orvo::err::engine::kFieldNotUpdatable);
  }
  if (number != 0) {
    if (!(after == before)) std::fprintf(stderr, "a refused edit (%d) wrote: %s\n", number, b.sql.c_str());
    FUZZ_CHECK(after == before);
    if (number == orvo::err::engine::kRecordDeleted) {
      bool changed = false;
      for (std::int64_t source : sources)
        changed = changed || !before.contains(source) || !Same(before.at(source), original.at(source));
      if (!changed) std::fprintf(stderr, "refused as deleted, row intact: %s\n", b.sql.c_str());
      FUZZ_CHECK(changed);
    }
    return;
  }
  // Stored: one row, a source left intact by the other program, in the field's column only.
  std::vector<std::int64_t> changed;
  for (const auto& [rowid, row] : after) {
    FUZZ_CHECK(before.contains(rowid));
    if (Same(row, before.at(rowid))) continue;
    changed.push_back(rowid);
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i != column && !Same(row[i], before.at(rowid)[i]))
        std::fprintf(stderr, "the edit of %s wrote column %s: %s\n", origin.c_str(), kColumns[i], b.sql.c_str());
      FUZZ_CHECK(i == column || Same(row[i], before.at(rowid)[i]));
    }
    FUZZ_CHECK(Same(row[column], rs.Field(plain.names[f])));
  }
  FUZZ_CHECK(after.size() == before.size());
  if (changed.size() > 1) std::fprintf(stderr, "one edit changed %zu rows: %s\n", changed.size(), b.sql.c_str());
  FUZZ_CHECK(changed.size() <= 1);
  // No row changed: it held the value already, and must then be an intact source too.
  bool intactSource = false;
  for (std::int64_t source : sources) {
    const bool intact = before.contains(source) && Same(before.at(source), original.at(source));
    if (intact && (changed.empty() || changed[0] == source)) intactSource = true;
  }
  if (!intactSource) std::fprintf(stderr, "stored into a row it did not read, or one changed since: %s\n", b.sql.c_str());
  FUZZ_CHECK(intactSource);
}

bool StartsWithSelect(std::string_view s) {
  return s.size() >= 6 && orvo::text::EqualsNoCase(s.substr(0, 6), "select");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("ORVO_DRIVE_C", FuzzFolder().c_str(), 1);
  {
    using orvo::db::Type;
    auto d = orvo::db::Database::Create("C:\\fuzz.mdb", ";LANGID=0x0409;CP=1252;COUNTRY=0");
    d.Append({"T", {{"Id", Type::Long}, {"Nombre", Type::Text, 20, true}, {"Hora", Type::Text, 10, true},
                    {"Num", Type::Integer}, {"Nota", Type::Memo, 0, true}}});
  }
  Cn().OpenFile("C:\\fuzz.mdb", "");
  // Ties, Nulls, letter case and a deleted row, so orders and groups can differ.
  const char* rows[] = {"(5, 'ana', '08:00', 3, 'x')", "(1, 'Ana', '07:59', NULL, '')", "(3, NULL, '09:30', 3, NULL)",
                        "(2, 'bea', '08:00', -1, 'y')", "(9, 'zoe', NULL, 7, 'x')", "(4, 'Bea', '10:00', 3, 'Z')"};
  for (const char* row : rows) Cn().Execute(std::string("INSERT INTO T VALUES ") + row);
  Cn().Execute("DELETE FROM T WHERE Id = 3");
  Cn().Execute("INSERT INTO T VALUES (3, 'Ana', '09:30', 0, 'w')");
  if (sqlite3_open_v2((FuzzFolder() / "fuzz.mdb").c_str(), &Plain(), SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) std::abort();
  sqlite3_limit(Plain(), SQLITE_LIMIT_LENGTH, kMaxLength);
  if (sqlite3_open_v2((FuzzFolder() / "fuzz.mdb").c_str(), &Writer(), SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
  sqlite3_busy_timeout(Writer(), 30000);
  Initial() = ReadTable();
  sqlite3_limit(orvo::db::detail::SessionOf(Cn()).db(), SQLITE_LIMIT_LENGTH, kMaxLength);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string sql;
  std::optional<Choices> choices;
  Built built;
  if (StartsWithSelect(text)) {
    // What another connection could see differently: time, chance, its own counters.
    const std::string folded = orvo::text::FoldCase(text);
    // fts3_tokenizer() with two arguments takes a pointer: no statement of a program calls it.
    for (const char* varies : {"random", "now", "current_", "changes", "last_insert", "sqlite_", "date", "time", "julian",
                               "epoch", "fts3"}) {
      if (folded.find(varies) != std::string::npos) return 0;
    }
    sql.assign(text);
  } else {
    choices.emplace(data, size);
    built = Build(*choices);
    sql = built.sql;
  }
  bool skip = false;
  const Result plain = RunPlain(sql, skip);
  if (skip) return 0;
  const Result rs = RunRecordset(sql, plain.names);
  if (rs.ran && !plain.ran) std::fprintf(stderr, "only the recordset ran: %s\n", sql.c_str());
  if (plain.ran && !rs.ran) std::fprintf(stderr, "only SQLite ran: %s\n", sql.c_str());
  FUZZ_CHECK(rs.ran == plain.ran);
  if (!plain.ran) return 0;
  FUZZ_CHECK(rs.names == plain.names);
  if (rs.rows != ByName(plain)) std::fprintf(stderr, "rows differ: %s\n", sql.c_str());
  FUZZ_CHECK(rs.rows == ByName(plain));
  if (choices && orvo::db::detail::ReadSingleTable(sql)) {
    CheckEdit(*choices, built, plain);
    WriteTable(Initial());
  }
  return 0;
}
