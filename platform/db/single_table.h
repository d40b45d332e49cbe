// Inside the engine only: whether a query reads one table plainly, so its rows
// map back to table rows and a recordset over it can be edited.
//
//   "SELECT list FROM Tabla [WHERE ...] [ORDER BY ...] [;]"
//
// The select list may not hold parentheses or DISTINCT; the table is one name,
// bare or in double quotes. Read with a plain scan in one pass, since every
// recordset that opens asks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvo::db::detail {

struct SingleTable {
  std::string table;      // as written, without quotes
  std::string withRowid;  // the same query carrying each row's rowid in a hidden last column
};

std::optional<SingleTable> ReadSingleTable(std::string_view sql);

}  // namespace orvo::db::detail
