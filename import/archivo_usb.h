// The USB punch file: fixed columns, as a clock terminal writes it to a
// removable drive. Columns count from 1: the employee number in 1-9, the date
// in 11-20, the time in 22-29; columns 10 and 21 separate and are not read,
// and whatever follows column 29 is ignored. No header, no trailer.
//
//   Lectura l = LeeUsb("000000125 2010 05 03 07:58:10\r\n");
//   // l.checadas: {1, "2010 05 03", 125, "07:58:10"}
//
// Conversions and skipped lines as in the poll file. A line fails when its
// columns 1-9 are not a whole number, or when it ends before its date is whole
// or before any time (a line of the number alone); nothing is given then.
#pragma once

#include <string_view>

#include "common/checada.h"

namespace orvo::importer {

// `contenido` is the file's bytes, in Windows-1252.
common::Lectura LeeUsb(std::string_view contenido);

}  // namespace orvo::importer
