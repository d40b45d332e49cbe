// Blanks around a text written by hand (a key of a connection string, a size,
// a number): trimmed the one way the platform did.
//
//   TrimBlanks("  dbq \t")  -> "dbq"
//   TrimBlanks(" \r\n ")    -> ""
#pragma once

#include <string_view>

namespace orvo::text {

// The text without the blanks (space, tab, CR, LF) at either end.
std::string_view TrimBlanks(std::string_view s);

}  // namespace orvo::text
