// The database engine's errors: the numbers of platform/error/numbers.h, with
// the engine's Spanish wording as the Windows engine reported it, so a message
// box reads as users of the old programs know it. A message that names a
// table, field or file is built here, once for every place that raises it.
//
//   Throw(errc::kObjectClosed);                        // its one text
//   throw ItemNotFound("el campo", "Nombre");          // 3265 "No se encontró el campo 'Nombre' en esta colección."
#pragma once

#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/error/numbers.h"

namespace orvo::db {

using Error = orvo::RuntimeError;

namespace errc = orvo::err::engine;

[[noreturn]] void Throw(int number, const std::string& description);
// A number with one fixed text (err::Text).
[[noreturn]] void Throw(int number);

// 3265: `what` is "la tabla", "el campo", "el elemento".
Error ItemNotFound(std::string_view what, std::string_view name);
// 3343: a file that is no database (or a damaged one).
Error UnrecognizedFormat(std::string_view file);
// 3204
Error DatabaseExists(std::string_view path);
// 3024: a database file that is not there.
Error FileNotFound(std::string_view file);
// 3191
Error DuplicateField(std::string_view field);
// 3464 in a named column.
Error TypeMismatchInField(std::string_view column);
// 3000: the definition of `table` cannot be read back.
Error UnreadableTable(std::string_view table);

}  // namespace orvo::db
