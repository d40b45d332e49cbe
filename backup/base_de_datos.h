// The database files of the data folders as the backup and the restore see
// them: which files are databases, which are only the engine's companions of
// a live database, the consistent copy of a database that may be in use, the
// test that another program holds one open, and the check of a restored one.
//
//   if (EsCompanera(nombre)) continue;              // "-wal", "-shm", "-journal", ".ldb"
//   if (EsBaseDeDatos(ruta)) CopiaConsistente(ruta, copia); else fs::copy_file(ruta, copia);
//   BasesTomadas tomadas(carpeta);                  // throws naming a database in use
//   RevisaBase(ruta);                               // throws when damaged or no database
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/db/lock_file.h"

namespace orvo::respaldo {

// A file that exists only beside an open database: its write-ahead log, its
// shared-memory index, its rollback journal or its lock file. None of them is
// data of its own, and a stale one beside a restored database would spoil it.
bool EsCompanera(std::string_view nombre);

// The lock file that tells programs sharing a database about each other. It
// stays where it is: a program may hold it.
bool EsBloqueo(std::string_view nombre);

// Whether the file starts as a database of the engine does.
bool EsBaseDeDatos(const std::filesystem::path& ruta);

// Copies a database consistently while other programs may be writing it; the
// copy `destino` is a database file of its own with nothing beside it.
void CopiaConsistente(const std::filesystem::path& origen, const std::filesystem::path& destino);

// Every database directly in a folder, taken for this program alone while it
// is alive: no program can open one of them meanwhile. Taking them throws
// orvo::RuntimeError naming the first one that another program holds open.
class BasesTomadas {
 public:
  explicit BasesTomadas(const std::filesystem::path& carpeta);
  ~BasesTomadas();
  BasesTomadas(const BasesTomadas&) = delete;
  BasesTomadas& operator=(const BasesTomadas&) = delete;

 private:
  std::vector<db::ExclusiveUse> tomadas_;
};

// Opens `ruta` as a database (with the main database's password when it has
// one) and runs the engine's quick integrity check. Throws orvo::RuntimeError
// naming the file when it is no database or the check finds damage. Leaves no
// companion file behind.
void RevisaBase(const std::filesystem::path& ruta);

}  // namespace orvo::respaldo
