// What the administrator program does before any Orvo program can start:
// define the main database with its password and its company row. orvo-admin
// newdb runs it, and so do the tests and benchmarks that need a database.
#pragma once

#include <string>

namespace orvo::schema {

// Makes C:\Quiravel\Quiravel.mdb with the company table (its catalogue
// columns plus TFirma, which only the administrator program defines), one
// company row, every other table of the catalogue and a fresh
// C:\Quiravel\Auxiliar.mdb.
//
// Both files are built aside, in a hidden folder of C:\Quiravel, and renamed
// into place only once complete, the main one last: a failure (a company name
// too long for its column, a full disk) leaves no file behind, so a program
// never finds a half-made database, and a later try starts clean. Refuses, with
// the file untouched, when a main database is already there, even one that
// appears while this one is being built.
//
//   CreaBasePrincipal("Aceros del Norte");
void CreaBasePrincipal(const std::string& empresa);

}  // namespace orvo::schema
