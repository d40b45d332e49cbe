#include "platform/db/column_declaration.h"

#include <cstdlib>

#include "platform/db/identifiers.h"
#include "platform/text/blanks.h"
#include "platform/text/nocase.h"

namespace orvo::db {
namespace {

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
  if (text::FoldCase(s) == "null") return std::monostate{};
  Value n = s;
  std::int64_t i = AsInteger(n, INT64_MIN);
  if (i != INT64_MIN) return i;
  return s;
}

// The end of a quoted name or literal starting at s[i], or npos.
std::size_t QuotedEnd(std::string_view s, std::size_t i) {
  const char close = s[i] == '[' ? ']' : s[i];
  for (std::size_t k = i + 1; k < s.size(); ++k) {
    if (s[k] != close) continue;
    if (close != ']' && k + 1 < s.size() && s[k + 1] == close) {
      ++k;  // a doubled quote stands for itself
      continue;
    }
    return k;
  }
  return std::string_view::npos;
}

bool Opens(char c) { return c == '\'' || c == '"' || c == '`' || c == '['; }

}  // namespace

std::string ColumnSql(std::string_view table, const Field& f) {
  const std::string c = QuoteIdentifier(f.name);
  const std::string tag = std::string(table) + "." + f.name;
  auto check = [&](std::string_view kind, const std::string& expr) {
    std::string out = " CONSTRAINT ";
    out.append(QuoteIdentifier(std::string(kind) + ":" + tag)).append(" CHECK(").append(expr).append(")");
    return out;
  };
  const std::string zero = f.allowZeroLength ? "ZEROLENGTH " : "";
  std::string dflt;
  if (!IsNull(f.defaultValue)) {
    bool textual = f.type == Type::Text || f.type == Type::Memo || f.type == Type::Date;
    dflt = " DEFAULT " + (textual ? Literal(Value(AsText(f.defaultValue))) : Literal(f.defaultValue));
  }
  const std::string isText = c + " IS NULL OR typeof(" + c + ") = 'text'";
  std::string sql = c + " ";
  switch (f.type) {
    case Type::Text:
      sql += zero + "VARCHAR(" + std::to_string(f.size) + ") COLLATE NOCASE" + dflt + check("type", isText) +
             check("len", "length(" + c + ") <= " + std::to_string(f.size));
      break;
    case Type::Memo:
      sql += zero + "TEXT COLLATE NOCASE" + dflt + check("type", isText);
      break;
    case Type::Long:
      sql += "INTEGER" + dflt + check("type", "typeof(" + c + ") IN ('integer', 'null')") +
             check("range", c + " BETWEEN -2147483648 AND 2147483647");
      break;
    case Type::Integer:
      sql += "SMALLINT" + dflt + check("type", "typeof(" + c + ") IN ('integer', 'null')") +
             check("range", c + " BETWEEN -32768 AND 32767");
      break;
    case Type::LongBinary:
      sql += "BLOB" + dflt;
      break;
    case Type::Date:
      // A real calendar date (and time): the text must come back unchanged
      // through the day number, which '2010-02-30', '2010-13-45', 24:00:00
      // and trailing text do not. SQLite's own functions keep the file
      // writable with the sqlite3 command line.
      sql += "DATETIME" + dflt +
             check("type", c + " IS NULL OR (typeof(" + c + ") = 'text' AND (" + c + " IS date(julianday(" + c + ")) OR " +
                               c + " IS datetime(julianday(" + c + "))))");
      break;
  }
  if ((f.type == Type::Text || f.type == Type::Memo) && !f.allowZeroLength) sql += check("zero", c + " <> ''");
  return sql;
}

namespace detail {

Field FromDeclaration(std::string name, std::string_view declared, const char* defaultText) {
  Field f;
  f.name = std::move(name);
  std::string t = text::FoldCase(declared);
  if (t.starts_with("zerolength ")) {
    f.allowZeroLength = true;
    t = t.substr(11);
  }
  if (t.starts_with("varchar(")) {
    f.type = Type::Text;
    f.size = std::atoi(t.c_str() + 8);
  } else if (t == "text") {
    f.type = Type::Memo;
  } else if (t == "smallint") {
    f.type = Type::Integer;
  } else if (t == "blob" || t.empty()) {
    f.type = Type::LongBinary;
  } else if (t == "datetime") {
    f.type = Type::Date;
  } else if (t.find("int") != std::string::npos) {
    f.type = Type::Long;
  } else {
    f.type = Type::Memo;  // any other text-like declaration of a foreign file
  }
  f.defaultValue = FromLiteral(defaultText);
  return f;
}

bool SplitCreateTable(std::string_view sql, TableText& out) {
  // The list opens at the first '(' outside the table's (possibly quoted) name.
  std::size_t i = 0;
  for (; i < sql.size() && sql[i] != '('; ++i) {
    if (Opens(sql[i])) {
      i = QuotedEnd(sql, i);
      if (i == std::string_view::npos) return false;
    }
  }
  if (i >= sql.size()) return false;
  int depth = 0;
  std::size_t start = i + 1;
  for (std::size_t k = i + 1; k < sql.size(); ++k) {
    char c = sql[k];
    if (Opens(c)) {
      k = QuotedEnd(sql, k);
      if (k == std::string_view::npos) return false;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' || (c == ',' && depth == 0)) {
      if (c == ')' && depth > 0) {
        --depth;
        continue;
      }
      out.definitions.emplace_back(text::TrimBlanks(sql.substr(start, k - start)));
      start = k + 1;
      if (c == ')') {
        out.options = std::string(text::TrimBlanks(sql.substr(k + 1)));
        return true;
      }
    }
  }
  return false;
}

std::string DefinedColumn(std::string_view d) {
  if (d.empty()) return {};
  if (Opens(d[0])) {
    std::size_t end = QuotedEnd(d, 0);
    if (end == std::string_view::npos) return {};
    const char q = d[0] == '[' ? ']' : d[0];
    std::string name;
    for (std::size_t k = 1; k < end; ++k) {
      name += d[k];
      if (d[k] == q && q != ']') ++k;
    }
    return name;
  }
  std::size_t n = 0;
  while (n < d.size() && d[n] != ' ' && d[n] != '\t' && d[n] != '\r' && d[n] != '\n' && d[n] != '(') ++n;
  std::string word(d.substr(0, n));
  for (std::string_view constraint : {"constraint", "primary", "unique", "check", "foreign"}) {
    if (text::FoldCase(word) == constraint) return {};
  }
  return word;
}

}  // namespace detail
}  // namespace orvo::db
