// The recordset against plain SQLite on the same statements: a statement that
// SQLite runs, the recordset opens with the same columns, in the same order,
// and the same rows with the same values; one that SQLite refuses, the
// recordset refuses too. Over one table the recordset reads its own form of
// the statement (with the rowid hidden in it, to edit rows), so this holds
// that form to the meaning of the one written: column numbers in ORDER BY
// and GROUP BY, "*", aliases, conditions.
//
// An input that starts with "SELECT" (any case) is the statement itself;
// any other is read as choices that build one over the table T.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/temp_folder.h"
#include "platform/db/connection.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/db/session.h"
#include "platform/error.h"
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
  for (int i = 0; i < columns; ++i) r.names.emplace_back(sqlite3_column_name(st, i));
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

std::string Build(Choices& c) {
  static const char* const kItems[] = {"*", "Id", "Nombre", "Hora", "Num", "Nota", "Id AS x", "Nombre || Hora",
                                       "Num + 1", "'lit'", "rowid", "T.*", "NULL", "Hora AS Nombre", "nombre"};
  static const char* const kConditions[] = {"Id > 2", "Nombre = 'ana'", "Num IS NULL", "Hora LIKE '0%'",
                                            "Nota <> ''", "Id IN (1, 3, 5)", "1", "0"};
  static const char* const kTerms[] = {"1", "2", "3", "4", "5", "6", "7", "0", "-1", "Id", "Nombre", "Num", "Hora",
                                       "x", "rowid", "Nota", "Nombre COLLATE BINARY", "+1"};
  static const char* const kDirections[] = {"", " DESC", " ASC", " NULLS LAST"};
  std::string sql = "SELECT ";
  for (std::size_t n = 1 + c.Pick(4), k = 0; k < n; ++k) sql += std::string(k ? ", " : "") + c.From(kItems);
  sql += " FROM T";
  const bool where = c.Pick(2), group = c.Pick(3) == 0;
  if (where || group) sql += std::string(" WHERE ") + c.From(kConditions);
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
  return sql;
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
  sqlite3_limit(orvo::db::detail::SessionOf(Cn()).db(), SQLITE_LIMIT_LENGTH, kMaxLength);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string sql;
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
    Choices c(data, size);
    sql = Build(c);
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
  return 0;
}
