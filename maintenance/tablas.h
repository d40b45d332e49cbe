// The table tests of the maintenance tools: whether a table is in the main
// database, by the engine's reading of names (letter case ignored) or letter
// for letter, as Strayfix's test is.
//
//   if (ExisteTabla(cn, "huerfanos")) ...          // "Huerfanos" is found
//   if (ExisteTablaExacta(cn, "Huerfanos")) ...    // "HUERFANOS" is not
#pragma once

#include <string_view>

#include "platform/db/connection.h"

namespace orvo::maintenance {

bool ExisteTabla(db::Connection& cn, std::string_view nombre);
bool ExisteTablaExacta(db::Connection& cn, std::string_view nombre);

}  // namespace orvo::maintenance
