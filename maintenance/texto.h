// Reading what the user typed or a row holds: blanks cut at both ends, as the
// system's Trim cuts them, and an employee number or id read as a whole number.
//
//   Recorta("  125 ")  // "125"
//   Entero("0125")     // 125
//   Entero("12a")      // nullopt, as "", " " and "1.5"
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvo::maintenance {

std::string Recorta(std::string_view texto);

// Optional '-', then decimal digits only, within 64 bits.
std::optional<std::int64_t> Entero(std::string_view texto);

}  // namespace orvo::maintenance
