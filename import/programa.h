// The run of pollimport and stickimport: start-up (the database file must be
// there, one connection, eight read-only shared recordsets), then the window
// Principal until it is closed.
//
//   int main(int argc, char** argv) { return Programa(argc, argv, Variante::Poleo); }
#pragma once

#include "common/arranque.h"
#include "import/principal.h"
#include "platform/forms/dialogs.h"

namespace orvo::importer {

// The executable's name, which titles its error boxes: "pollimport" or "stickimport".
const char* NombrePrograma(Variante variante);

// False when the main database file is missing, after its message; the
// program then ends without a window. A file that does not open as the main
// database throws, to the run-time error boundary.
bool Arranca(common::Bases& bases, forms::Dialogs& dialogs);

// The whole program; gives its exit status.
int Programa(int argc, char** argv, Variante variante);

}  // namespace orvo::importer
