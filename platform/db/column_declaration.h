// Inside the engine only: a column's SQLite declaration read back into the
// structure interface's Field, and the pieces of a stored CREATE TABLE text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/db/database.h"

namespace orvo::db::detail {

// A column as PRAGMA table_info gives it: name, declared type and default text.
Field FromDeclaration(std::string name, std::string_view declared, const char* defaultText);

// A stored "CREATE TABLE name (a ..., b ..., CONSTRAINT ...) options" split
// into its definitions, exactly as written, and what follows the list.
struct TableText {
  std::vector<std::string> definitions;
  std::string options;  // "WITHOUT ROWID", "STRICT" or empty
};
bool SplitCreateTable(std::string_view sql, TableText& out);

// The column a definition makes, unquoted; empty for a table constraint.
std::string DefinedColumn(std::string_view definition);

}  // namespace orvo::db::detail
