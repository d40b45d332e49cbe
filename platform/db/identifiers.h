// Names of tables and columns inside the engine: compared ignoring letter
// case as the Windows engine found them (every Windows-1252 letter), and
// quoted for SQLite.
#pragma once

#include <string>
#include <string_view>

#include "platform/text/nocase.h"

namespace orvo::db {

inline bool SameName(std::string_view a, std::string_view b) { return text::EqualsNoCase(a, b); }

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
