// What the administrator program does before any Orvo program can start:
// define the main database with its password and its company row.
#pragma once

#include <string>

#include "common/arranque.h"

namespace orvo::admin {

using common::kBasePrincipal;

// Makes C:\Quiravel\Quiravel.mdb with the company table (its catalogue
// columns plus TFirma, which only the administrator program defines), one
// company row, and every other table of the catalogue. Refuses, untouched, a
// file that is already there.
void CreaBasePrincipal(const std::string& empresa);

}  // namespace orvo::admin
