// Well-formed UTF-8 as the Unicode standard defines it: no overlong forms, no
// surrogates, nothing past U+10FFFF. Names are compared and text is stored
// only as such, since a lenient reader (SQLite's length(), a fold that
// decodes "\xE0\x81\x81" as 'A') sees other characters than a strict one.
//
//   char32_t c;
//   DecodeUtf8("\xC3\x91", 0, c) == 2 && c == U'Ñ'
//   DecodeUtf8("\xC0\x80", 0, c) == 0          // overlong NUL
//   IsValidUtf8("A\xC0\x80") == false
#pragma once

#include <cstddef>
#include <string_view>

namespace orvo::text {

// The length of the well-formed sequence at s[i] with its code point in
// `out`, or 0 when the bytes there are not one.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& out);

bool IsValidUtf8(std::string_view s);

}  // namespace orvo::text
