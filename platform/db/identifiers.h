// Names of tables and columns inside the engine: compared ignoring letter
// case, as the Windows engine found them, and quoted for SQLite.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace orvo::db {

inline bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// "Fecha" -> "\"Fecha\"", with embedded quotes doubled.
inline std::string QuoteIdentifier(std::string_view id) {
  std::string out = "\"";
  for (char c : id) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace orvo::db
