// The poll file as Fetchpurge reads it: the comma-separated punch lines of
// the poll file, with its own field rules (common::CargaChecadas loads them).
//
//   Lectura l = LeePoleoInternet("2010 05 03,00125,07:58:10\r\n");
//   // l.checadas: {1, "2010 05 03", 125, "07:58:10"}
//
// The date is the first 10 characters, trimmed and not converted (the file
// must already hold "yyyy mm dd"; anything else is stored as written). The
// number is read as a 32-bit whole number. The time is everything after the
// second comma, trimmed and not converted. Blank lines are skipped. A line
// fails when it has fewer than two commas, when its first comma comes before
// its date is whole, when its number is no whole number, when its date or time
// is empty, when its time is longer than the column that stores it, or when it
// holds a character that is not valid; nothing of the file is given then.
#pragma once

#include <string_view>

#include "common/checada.h"

namespace orvo::ftp {

// `contenido` is the file's bytes, in Windows-1252 or UTF-8 with its mark.
common::Lectura LeePoleoInternet(std::string_view contenido);

}  // namespace orvo::ftp
