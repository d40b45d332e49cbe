#include "platform/text/nocase.h"

#include <cstdint>

#include "platform/text/utf8.h"

namespace orvo::text {
namespace {

// The capital letters of Windows-1252 and their small forms, as code points.
char32_t FoldLetter(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;  // À..Þ, not ×
  switch (c) {
    case 0x160: return 0x161;  // Š
    case 0x152: return 0x153;  // Œ
    case 0x17D: return 0x17E;  // Ž
    case 0x178: return 0xFF;   // Ÿ
    default: return c;
  }
}

void Encode(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string FoldCase(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t c;
    std::size_t n = DecodeUtf8(s, i, c);
    if (n == 0) {
      out += s[i++];
      continue;
    }
    char32_t f = FoldLetter(c);
    if (f == c) out.append(s.substr(i, n));
    else Encode(f, out);
    i += n;
  }
  return out;
}

// Compared letter by letter, without building the folded texts: field names
// are looked up on every row a program reads.
bool EqualsNoCase(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    char32_t x, y;
    std::size_t n = DecodeUtf8(a, i, x), m = DecodeUtf8(b, j, y);
    if (n == 0 || m == 0) {
      // Malformed bytes compare as they are, one at a time.
      if (n != m || a[i] != b[j]) return false;
      ++i, ++j;
      continue;
    }
    if (FoldLetter(x) != FoldLetter(y)) return false;
    i += n;
    j += m;
  }
  return i == a.size() && j == b.size();
}

}  // namespace orvo::text
