// The database files of the data folders as the backup and the restore see
// them: the consistent copy of a database that may be in use, the test that
// another program holds one open, and the check of a restored one. Which file
// is a database, and which files are only the engine's companions of one, the
// engine tells (platform/db/database_file.h): nothing here opens a database
// file by other means.
//
//   if (db::IsDatabaseFile(ruta)) CopiaConsistente(ruta, copia); else fs::copy_file(ruta, copia);
//   BasesTomadas tomadas(carpeta);                  // throws naming a database in use
//   RevisaBase(ruta, "C:\\Quiravel\\Quiravel.mdb", "QR1_030226_090507.ZIP");   // throws when damaged
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "backup/intercambio.h"
#include "platform/db/lock_file.h"

namespace orvo::backup {

// The main database's password, with which every database of the data
// folders is opened; a file without one opens with it all the same.
std::string ContrasenaPrincipal();

// Copies a database consistently while other programs may be writing it; the
// copy `destino` is a database file of its own with nothing beside it, and
// sound (the engine's integrity check), or the copy is not made and the
// error names the database by its C: path.
void CopiaConsistente(const std::filesystem::path& origen, const std::filesystem::path& destino);

// Whether a file of a set is one of its databases, as both the backup and the
// restore test it: a database file, or a file named as one ("*.mdb") that
// must then be a sound database too. Companion files are not.
bool EsBaseDelJuego(const std::filesystem::path& archivo);

// Every database directly in a folder but those of `salvo`, taken for this
// program alone while it is alive: no program can open one of them
// meanwhile. Taking them throws
// orvo::RuntimeError naming the first one that another program holds open
// (one of the system, or any other program on the engine's files, such as an
// idle session of the sqlite3 command line).
class BasesTomadas {
 public:
  explicit BasesTomadas(const std::filesystem::path& carpeta, const std::vector<std::filesystem::path>& salvo = {});
  ~BasesTomadas();
  BasesTomadas(const BasesTomadas&) = delete;
  BasesTomadas& operator=(const BasesTomadas&) = delete;

 private:
  std::vector<db::ExclusiveUse> tomadas_;
};

// Opens `ruta` (a staged file of the set `respaldo` that goes to `destino`,
// a Windows path) as a database, with the main database's password when it
// has one, and runs the engine's integrity check. Throws
// orvo::RuntimeError naming `destino` and the set (when `respaldo` is not
// empty), with at most the first problem found, when it is no database or
// the check finds damage. Leaves no companion file behind.
void RevisaBase(const std::filesystem::path& ruta, std::string_view destino, std::string_view respaldo);

// The engine's side of a swap's databases (Intercambio::Base) as the next
// start finds them: whether a live database holds a swap's mark, and the
// replacement of its contents with its staged copy.
Intercambio::Motor MotorDeBases();

}  // namespace orvo::backup
