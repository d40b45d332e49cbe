// The arithmetic every classifier shares: a time text as its minute of the day,
// window bounds in 16-bit arithmetic, and the day's lateness (Saca_Diferencia).
//
// Conversions fail the way the classification must stop on bad shift data:
// a text that is not a number throws orvo::RuntimeError 13, a result outside
// the 16-bit range throws 6, and a column without value throws 94.
//
//   Minuto("08:17:40")                              // 497: seconds never count
//   Minuto("8:05")                                  // throws 13 ("8:" is no number)
//   Suma(Minuto("08:00"), EnteroCorto("10"))             // 490
//   Saca_Diferencia("08:17:40", "08:00", "00:00")   // "00:17"
//   Saca_Diferencia("23:40:00", "08:00", "09:00")   // "00:40" (wraps past 24 hours)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvo::classify {

using Minutos = std::int16_t;

// End of the day: the upper bound of a window that runs to midnight.
inline constexpr Minutos kFinDelDia = 1439;

// A whole number in 16 bits: optional blanks around, an optional sign, digits.
Minutos EnteroCorto(std::string_view texto);

// Characters 1-2 as hours and 4-5 as minutes; the colon and anything after the
// minutes (a punch's ":ss") are ignored.
Minutos Minuto(std::string_view hora);

// a + b and a - b, refusing to leave the 16-bit range as the bounds are built.
Minutos Suma(Minutos a, Minutos b);
Minutos Resta(Minutos a, Minutos b);

// The punch's lateness against `original` added to `acumulado`, as "hh:mm".
// Seconds count in the difference but are dropped from the result. A punch
// before `original` adds nothing, so an early entry never takes back the
// lateness the day already has.
std::string Saca_Diferencia(std::string_view hora, std::string_view original,
                            std::string_view acumulado);

// The text of a column as the classifier reads it: Null throws 94.
const std::string& Texto(const std::optional<std::string>& columna);

}  // namespace orvo::classify
