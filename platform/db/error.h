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
// 3045: a database file that another program holds.
Error FileInUse(std::string_view file);
// 3218: a database that another program is writing past the busy time-out.
Error Locked(std::string_view file);
// 3051: a database this program can open but not read as it stands, or not
// write; `why` says what stands in the way.
Error CannotRead(std::string_view file, std::string_view why);
Error CannotUpdate(std::string_view file, std::string_view why);
// 3464 for a value the engine cannot store.
Error TypeMismatch(std::string_view why);
// 3075: a statement with no instruction, or with other parameters than given.
Error EmptyStatement();
Error ParameterCountMismatch(std::string_view sql);
// 3024 for a connection string without its file.
Error NoDatabaseFile();
// 3044: the folder of a new database is not there.
Error BadPath(std::string_view folder);
// 3000: a new database that could not be made, or a password not kept.
Error CannotCreate(std::string_view path);
Error PasswordNotSaved();
// 3010 and 3264, appending a table.
Error TableExists(std::string_view table);
Error NoFields(std::string_view table);
// 3219 on a field whose type takes no such property.
Error InvalidOperationOnField(std::string_view field);
// 3164
Error FieldNotUpdatable(std::string_view field, std::string_view table);
// 3219 and 3343, copying a live database.
Error CopyInTransaction(std::string_view database);
Error DamagedCopy(std::string_view database, std::string_view problem);
// 3191
Error DuplicateField(std::string_view field);
// 3464 in a named column.
Error TypeMismatchInField(std::string_view column);
// 3000: the definition of `table` cannot be read back.
Error UnreadableTable(std::string_view table);

}  // namespace orvo::db
