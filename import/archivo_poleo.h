// The poll file: the comma-separated punch file of a clock terminal's polling
// backup. One punch a line: the date in the first 10 characters, a comma, the
// employee number up to the next comma, a comma, then the time in the next 8
// characters (anything after them is ignored). No header, no trailer.
//
//   Lectura l = LeePoleo("2010 05 03,00125,07:58:10\r\n2010 05 03,7,07:58\r\n");
//   // l.checadas: {1, "2010 05 03", 125, "07:58:10"}, {2, "2010 05 03", 7, "07:58:00"}
//
// The date and time are converted to the stored texts ("yyyy mm dd",
// "hh:mm:ss"); a text that reads as no date or time is kept as it stands.
// Lines that are empty or blank are skipped. A line fails when it has fewer
// than two commas, when its first comma comes before the date is whole, when
// no time follows its second comma, or when its number is not a 32-bit whole
// number; the reading then stops there and gives no punch at all.
#pragma once

#include <string_view>

#include "common/checada.h"

namespace orvo::importer {

// `contenido` is the file's bytes, in Windows-1252.
common::Lectura LeePoleo(std::string_view contenido);

}  // namespace orvo::importer
