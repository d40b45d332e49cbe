#include "platform/text/utf8.h"

namespace orvo::text {

std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& out) {
  auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    out = b;
    return 1;
  }
  const std::size_t n = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  char32_t c = b & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    auto t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    c = (c << 6) | (t & 0x3F);
  }
  // The shortest form only, and only code points that stand for characters.
  if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  out = c;
  return n;
}

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    char32_t c;
    const std::size_t n = DecodeUtf8(s, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace orvo::text
