// Reading what the user typed or a row holds: spaces cut at both ends, as the
// system's Trim cuts them (tabs stay), and an employee number or id read as a
// whole number that holds nothing but its digits.
//
//   RecortaEspacios("  125 ")   // "125"
//   RecortaEspacios("\t7")      // "\t7"
//   EnteroSinBlancos("0125")    // 125
//   EnteroSinBlancos("12a")     // nullopt, as "", " ", " 1", "+1" and "1.5"
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvo::maintenance {

std::string RecortaEspacios(std::string_view texto);

// Optional '-', then decimal digits only, within 64 bits: no blank, no '+'.
std::optional<std::int64_t> EnteroSinBlancos(std::string_view texto);

}  // namespace orvo::maintenance
