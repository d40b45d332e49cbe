// orvo-admin classify: stands in for the caller of the classification engine
// outside the system. Punch lines "Id,Fecha,Hora" in, one outcome per line out.
//
//   $ printf '17,2024 03 04,08:31:00\n99,2024 03 04,08:00:00\nx,2024 03 04,08:00:00\n' | orvo-admin classify
//   17,2024 03 04,08:31:00 -> C1: ENTRADA 1 TARDE, retardo 00:31
//   99,2024 03 04,08:00:00 -> nada escrito: no existe el empleado 99
//   x,2024 03 04,08:00:00 -> ERROR 13: No coinciden los tipos ('x')
//
// Lines end in LF or CR LF; blank lines are skipped. Each line is classified
// on its own: a failed line leaves nothing written and the next line goes on.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "common/arranque.h"

namespace orvo::admin {

// Classifies every punch line of `entrada` in order, writing one outcome line
// per punch to `salida`. Gives the number of lines that failed.
int Clasifica(common::Bases& bases, std::istream& entrada, std::ostream& salida);

// The verb with its arguments: [ARCHIVO] (none or "-": standard input). Opens
// the main database itself. Exit status: 0 when every line was classified.
// A file that cannot be read throws the run time's file error.
int ClasificaVerbo(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace orvo::admin
