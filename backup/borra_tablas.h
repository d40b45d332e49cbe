// The table wipe of the backup program: the ten tables of punches, results,
// permits and logs that a backup may empty once the data is safe in a set.
//
//   if (chkBorrar ticked && set verified) BorraTablas(bases.cn);   // all or nothing
#pragma once

#include <array>
#include <string_view>

#include "platform/db/connection.h"

namespace orvo::respaldo {

// In the order they are emptied.
inline constexpr std::array<std::string_view, 10> kTablasBorradas{
    "Bita_Cheq", "Bitacora", "Checadas", "Checadas_error", "Chequeo",
    "ChequeoExtra", "ChequeoF", "Huerfanos", "paseSalida", "Permisos"};

// Whether the database file holds a table of that name (letter case ignored).
// The file is opened for the test alone, with the main database's password;
// a file that cannot be opened throws its error to the caller.
bool TableExists(std::string_view DatabaseName, std::string_view TableName);

// Empties every table of the list that exists in the main database, in one
// transaction on `cn`: either all of them are emptied or, on any error, none
// is, and the error goes to the caller.
void BorraTablas(db::Connection& cn);

}  // namespace orvo::respaldo
