// The poll file as Fetchpurge reads it: the comma-separated punch lines of
// the poll file, with its own field rules, and their load into the queue and
// the archive.
//
//   Lectura l = LeePoleoInternet("2010 05 03,00125,07:58:10\r\n");
//   // l.checadas: {1, "2010 05 03", 125, "07:58:10"}
//   CargaInternet(bases.cn, l.checadas);   // Checadas, then Listado1, per punch
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

#include <span>
#include <string_view>

#include "common/checada.h"
#include "platform/db/connection.h"

namespace orvo::ftp {

// `contenido` is the file's bytes, in Windows-1252 or UTF-8 with its mark.
common::Lectura LeePoleoInternet(std::string_view contenido);

// Every punch into Checadas, then into Listado1, with no lookup of the
// employee, all in one transaction: any error rolls every row back and goes
// up to the caller. Returns the number of punches loaded.
long CargaInternet(db::Connection& cn, std::span<const common::Checada> checadas);

}  // namespace orvo::ftp
