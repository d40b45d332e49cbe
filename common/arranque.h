// Start-up of the database programs: the test that the main database exists,
// the one shared connection and the program's shared recordsets.
//
// Every database program starts the same way and differs at four points: if it
// tests for the file first, how many recordsets it binds, their lock type, and
// what it does afterwards (the last is the caller's: it shows its window).
//
//   orvo::common::Bases bases;
//   if (!orvo::common::Inicia(bases, {.pruebaArchivo = true, .recordsets = 8}, dialogs)) return 0;
//   Principal w(bases, ...); w.show();
//
// A connection that cannot be opened (damaged file, wrong password) is not
// trapped: the error goes up to the program's run-time error boundary.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/forms/dialogs.h"

namespace orvo::common {

inline constexpr const char* kBasePrincipal = "C:\\Quiravel\\Quiravel.mdb";
inline constexpr const char* kBaseAuxiliar = "C:\\Quiravel\\Auxiliar.mdb";
inline constexpr const char* kCadenaConexion =
    "Driver={Microsoft Access Driver (*.mdb)};DBQ=C:\\Quiravel\\Quiravel.mdb;Pwd=LUMAK";
inline constexpr const char* kConectaPrincipal = ";pwd=LUMAK";  // the structure interface's connect text
inline constexpr const char* kClavePrincipal = "LUMAK";          // the password, for the file's creation

struct Arranque {
  bool pruebaArchivo = false;                    // look for the file before connecting
  int recordsets = 1;                            // shared recordsets bound to the connection
  db::LockType bloqueo = db::LockType::ReadOnly;
};

// The program-wide connection and recordsets, alive for the whole run.
struct Bases {
  db::Connection cn;
  std::string cadena;  // the connection string in use
  std::vector<std::unique_ptr<db::Recordset>> rs;

  // 1-based, as the programs count them.
  db::Recordset& Rs(int n) { return *rs.at(static_cast<std::size_t>(n - 1)); }

  // Opens the connection and binds the recordsets (also to reconnect).
  void Conecta(const Arranque& a);
};

// False when the main database file is missing: the user has been told to run
// the administrator program first, and the program must end without a window.
bool Inicia(Bases& bases, const Arranque& arranque, forms::Dialogs& dialogs);

}  // namespace orvo::common
