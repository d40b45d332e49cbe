// The table wipe of the backup program: the ten tables of punches, results,
// permits and logs that a backup may empty once the data is safe in a set.
//
//   std::optional<BorradoTablas> borrado;
//   if (chkBorrar ticked) borrado.emplace(bases.cn);   // before the set's snapshot
//   ... the set made and published ...
//   borrado->Ejecuta();                                 // all or nothing
//
// The wipe holds the write lock of the main database from before the set's
// snapshot until its commit, so no row committed after the snapshot is ever
// wiped: other programs' writes wait meanwhile (and fail with the in-use
// message after the busy timeout, losing nothing of what is stored).
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "platform/db/connection.h"

namespace orvo::backup {

// In the order they are emptied.
inline constexpr std::array<std::string_view, 10> kTablasBorradas{
    "Bita_Cheq", "Bitacora", "Checadas", "Checadas_error", "Chequeo",
    "ChequeoExtra", "ChequeoF", "Huerfanos", "paseSalida", "Permisos"};

// Whether the database file holds a table of that name (letter case ignored).
// The file is opened for the test alone, with the main database's password;
// a file that cannot be opened throws its error to the caller.
bool TableExists(std::string_view DatabaseName, std::string_view TableName);

class BorradoTablas {
 public:
  // Finds which tables of the list exist in the main database and takes its
  // write lock on `cn`, waiting for another program's under the busy timeout
  // (its error goes to the caller).
  explicit BorradoTablas(db::Connection& cn);
  BorradoTablas(const BorradoTablas&) = delete;
  BorradoTablas& operator=(const BorradoTablas&) = delete;

  // Empties them and commits: either all of them are emptied or, on any
  // error, none is, and the error goes to the caller. Without it (the set
  // failed) the lock goes and nothing is emptied.
  void Ejecuta();

 private:
  db::Connection& cn_;
  std::vector<std::string_view> presentes_;
  db::Transaction transaccion_;
};

}  // namespace orvo::backup
