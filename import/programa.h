// The start-up of pollimport and stickimport: the database file must be there,
// one connection, eight read-only shared recordsets; then the window Principal
// until it is closed (common::Ejecuta).
//
//   int main(int argc, char** argv) { return common::Ejecuta(argc, argv, Importador(Variante::Poleo)); }
#pragma once

#include "common/arranque.h"
#include "common/programa.h"
#include "import/principal.h"
#include "platform/forms/dialogs.h"

namespace orvo::importer {

// The executable's name, which titles its error boxes: "pollimport" or "stickimport".
const char* NombrePrograma(Variante variante);

inline constexpr common::Arranque kArranque{.pruebaArchivo = true, .recordsets = 8, .bloqueo = db::LockType::ReadOnly};

// False when the main database file is missing, after its message; the
// program then ends without a window. A file that does not open as the main
// database throws, to the run-time error boundary.
bool Arranca(common::Bases& bases, forms::Dialogs& dialogs);

// The program of `variante`.
common::Programa Importador(Variante variante);

}  // namespace orvo::importer
