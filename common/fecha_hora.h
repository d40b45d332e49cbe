// Date text "yyyy mm dd" and time text "hh:mm:ss": the forms every date and
// time column holds, and the conversions from what punch files carry.
//
// The conversions are deterministic: they never consult the machine's locale,
// and a text that does not read as a date or time comes back as it stands, so
// the caller stores it unchanged, as the legacy programs did.
//
//   TextoFecha("2010/5/3")          // "2010 05 03" (year first)
//   TextoFecha("03/05/2010")        // "2010 05 03" (day first, the default)
//   TextoFecha("05/03/2010", OrdenFecha::MesDiaAnio)  // "2010 05 03"
//   TextoFecha("3-5-10")            // "2010 05 03" (00-29 are 2000-2029)
//   TextoFecha("29/02/2011")        // "29/02/2011" (no such day: kept)
//   TextoHora("7:58")               // "07:58:00"
//   TextoHora("7:58 pm")            // "19:58:00"
//   TextoHora("25:00")              // "25:00" (kept)
//   DiaSemana(2024y / 3 / 6)        // "MIÉRCOLES"
//   DiaAnterior("2024 03 01")       // "2024 02 29"
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace orvo::common {

// The regional order of a date whose first field is not a four-digit year.
enum class OrdenFecha { DiaMesAnio, MesDiaAnio };

// Conversions of outside text -----------------------------------------------

// A date of three numeric fields, separated by one and the same character of
// blank, '/', '-' or '.', with blanks allowed around the whole. A four-digit
// first field is the year, then month and day; otherwise day and month (in
// `orden`) come first and the year is last, in four digits or in two (00-29 are
// 2000-2029, 30-99 are 1930-1999). Month and day take one or two digits. The
// day must exist in the calendar (29 February only in leap years); years run
// from 0001 to 9999. Two-field dates are not read, since they would depend on
// the current year.
std::string TextoFecha(std::string_view texto,
                       OrdenFecha orden = OrdenFecha::DiaMesAnio);

// A time "h:m" or "h:m:s" (one or two digits each, hour 0-23, minutes and
// seconds 0-59) with blanks allowed around it. A suffix "am" or "pm" in any
// letter case, after the time or one blank, reads a 12-hour clock: hour 1-12,
// where 12 am is 00 and 12 pm is 12.
std::string TextoHora(std::string_view texto);

// The stored date text -------------------------------------------------------

// Exactly "yyyy mm dd" with a day that exists; nothing else (no blanks around,
// no one-digit fields).
std::optional<std::chrono::year_month_day> LeeFechaTexto(std::string_view yyyy_mm_dd);

// "yyyy mm dd". The date must be valid and its year within 1-9999, the years
// the stored form can hold; otherwise throws orvo::RuntimeError.
std::string FechaTexto(std::chrono::year_month_day fecha);

// The date text of the day before, across month, year and leap day; empty when
// `fechaTexto` is not a valid stored date text (or has no day before it in the
// stored form), so a caller cannot build a query on a made-up date.
std::optional<std::string> DiaAnterior(std::string_view fechaTexto);

// Today's date on the machine's local clock, as the legacy system date was.
std::chrono::year_month_day FechaHoy();

// Weekday names ----------------------------------------------------------------

// The upper-case Spanish weekday name as the shift rows store it: "LUNES",
// "MARTES", "MIÉRCOLES", "JUEVES", "VIERNES", "SÁBADO", "DOMINGO" (UTF-8).
// Empty for a date that is not valid, which matches no shift row's day.
std::string DiaSemana(std::chrono::year_month_day fecha);

}  // namespace orvo::common
