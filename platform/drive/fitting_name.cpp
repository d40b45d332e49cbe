#include "platform/drive/fitting_name.h"

#include <cstdint>

namespace orvo::drive {

namespace {

// FNV-1a: enough to tell apart names that share their first 200 bytes; it
// guards against no adversary.
std::uint64_t Digest(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

constexpr std::size_t kDigestDigits = 16;

}  // namespace

std::string FittingName(std::string_view name, std::size_t room) {
  if (name.size() <= room) return std::string(name);
  const std::size_t mark = 1 + kDigestDigits;  // "~" and the digest
  std::size_t keep = room > mark ? room - mark : 0;
  // A UTF-8 character is not split: its continuation bytes stay with it.
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  std::string fitted(name.substr(0, keep));
  fitted += '~';
  const std::uint64_t digest = Digest(name);
  for (int shift = 60; shift >= 0; shift -= 4) fitted += "0123456789abcdef"[(digest >> shift) & 0xF];
  return fitted;
}

}  // namespace orvo::drive
