// The verbs of orvo-admin as its user reads them: the usage line and help of
// each, and the one way a wrong argument is told (which one and why, then the
// verb's usage line; exit status 2).
//
//   if (args[0] == "--help") return Ayuda(std::cout, "newdb");
//   return ErrorDeArgumentos(std::cerr, "newdb", "falta el valor de --empresa");
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace orvo::admin {

inline constexpr int kEstadoUso = 2;

// True for the words that ask for help after a verb: "--help", "-h".
bool PideAyuda(std::string_view arg);

// The help of one verb, or of every verb when `verbo` is empty. An unknown
// verb gets the general help after the error. Gives the exit status.
int Ayuda(std::ostream& out, std::string_view verbo = {});

// "orvo-admin VERB: MENSAJE", the verb's usage line and where to find more.
// Gives kEstadoUso.
int ErrorDeArgumentos(std::ostream& err, std::string_view verbo, const std::string& mensaje);

// Whether `verbo` is one of orvo-admin's verbs.
bool EsVerbo(std::string_view verbo);

}  // namespace orvo::admin
