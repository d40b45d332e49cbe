#include "platform/db/single_table.h"

#include "platform/db/identifiers.h"

namespace orvo::db::detail {
namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool WordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The keyword `word` (lower case) at `i`, as a whole word.
bool KeywordAt(std::string_view s, std::size_t i, std::string_view word) {
  if (i + word.size() > s.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (Lower(s[i + k]) != word[k]) return false;
  }
  if (i > 0 && WordChar(s[i - 1])) return false;
  return i + word.size() == s.size() || !WordChar(s[i + word.size()]);
}

std::size_t SkipBlanks(std::string_view s, std::size_t i) {
  while (i < s.size() && Blank(s[i])) ++i;
  return i;
}

}  // namespace

std::optional<SingleTable> ReadSingleTable(std::string_view sql) {
  std::size_t i = SkipBlanks(sql, 0);
  if (!KeywordAt(sql, i, "select")) return std::nullopt;
  i += 6;
  if (i >= sql.size() || !Blank(sql[i])) return std::nullopt;
  const std::size_t listBegin = SkipBlanks(sql, i);

  // The select list ends at the first FROM outside quotes.
  std::size_t from = std::string_view::npos;
  for (std::size_t k = listBegin; k < sql.size(); ++k) {
    char c = sql[k];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      char close = c == '[' ? ']' : c;
      k = sql.find(close, k + 1);
      if (k == std::string_view::npos) return std::nullopt;
      continue;
    }
    if (c == '(' || c == ')') return std::nullopt;
    if (KeywordAt(sql, k, "distinct")) return std::nullopt;
    if (KeywordAt(sql, k, "from") && k > listBegin && Blank(sql[k - 1])) {
      from = k;
      break;
    }
  }
  if (from == std::string_view::npos) return std::nullopt;
  std::size_t listEnd = from;
  while (listEnd > listBegin && Blank(sql[listEnd - 1])) --listEnd;
  if (listEnd == listBegin) return std::nullopt;

  i = from + 4;
  if (i >= sql.size() || !Blank(sql[i])) return std::nullopt;
  i = SkipBlanks(sql, i);
  SingleTable t;
  if (i < sql.size() && sql[i] == '"') {
    std::size_t close = sql.find('"', i + 1);
    if (close == std::string_view::npos || close == i + 1) return std::nullopt;
    t.table = std::string(sql.substr(i + 1, close - i - 1));
    i = close + 1;
  } else {
    std::size_t start = i;
    if (i < sql.size() && sql[i] >= '0' && sql[i] <= '9') return std::nullopt;
    while (i < sql.size() && WordChar(sql[i])) ++i;
    if (i == start) return std::nullopt;
    t.table = std::string(sql.substr(start, i - start));
  }

  // What may follow: nothing (or a ';'), WHERE ..., or ORDER BY ...
  std::size_t rest = SkipBlanks(sql, i);
  if (rest < sql.size() && rest == i && sql[rest] != ';') return std::nullopt;  // "Tabla,Otra" or "Tabla;x"
  std::string_view tail;
  if (rest < sql.size()) {
    if (sql[rest] == ';') {
      if (SkipBlanks(sql, rest + 1) != sql.size()) return std::nullopt;
    } else if (KeywordAt(sql, rest, "where")) {
      tail = sql.substr(rest);
    } else if (KeywordAt(sql, rest, "order")) {
      std::size_t by = SkipBlanks(sql, rest + 5);
      if (by == rest + 5 || !KeywordAt(sql, by, "by")) return std::nullopt;
      tail = sql.substr(rest);
    } else {
      return std::nullopt;
    }
  }
  t.list = std::string(sql.substr(listBegin, listEnd - listBegin));
  t.tail = std::string(tail);
  return t;
}

std::string SingleTable::Carrying(std::string_view hidden) const {
  std::string sql = "SELECT ";
  sql.append(list).append(", ").append(hidden).append(" FROM ").append(QuoteIdentifier(table)).append(" ").append(tail);
  return sql;
}

}  // namespace orvo::db::detail
