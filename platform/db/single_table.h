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
  std::string table;  // as written, without quotes
  // The same query with `hidden` (a list of result columns) after the
  // columns it names: "ORDER BY 1" and "GROUP BY 2" still count the
  // statement's own.
  std::string Carrying(std::string_view hidden) const;

  std::string list;  // the select list as written
  std::string tail;  // WHERE ... / ORDER BY ..., as written
};

std::optional<SingleTable> ReadSingleTable(std::string_view sql);

}  // namespace orvo::db::detail
