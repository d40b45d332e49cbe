// A text dump of a database's structure, one line per column, for comparing
// two states of a file or a file with its expected structure:
//
//   Checadas|1|Fecha|Text|10|yes|
//   Checadas|2|Empleado|Long|||0
//
// table|position|column|type|size (Text only)|zero length (yes/no, Text and
// Memo only)|default. Tables are sorted by name folded to lower case.
#pragma once

#include <string>

#include "platform/db/database.h"

namespace orvo::schema {

std::string Volcado(db::Database& d);

}  // namespace orvo::schema
