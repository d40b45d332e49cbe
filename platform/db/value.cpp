#include "platform/db/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/db/error.h"
#include "platform/text/blanks.h"

namespace orvo::db {

std::string AsText(const Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (auto* d = std::get_if<double>(&v)) {
    if (std::floor(*d) == *d && std::fabs(*d) < 1e15) return std::to_string(static_cast<std::int64_t>(*d));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", *d);
    return buf;
  }
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* b = std::get_if<Blob>(&v)) return std::string(b->bytes.begin(), b->bytes.end());
  return {};
}

std::int64_t AsInteger(const Value& v, std::int64_t fallback) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (auto* d = std::get_if<double>(&v)) {
    // 2^63 itself is out of range; NaN fails both comparisons.
    if (!(*d >= -9223372036854775808.0 && *d < 9223372036854775808.0)) Throw(errc::kOverflow);
    return static_cast<std::int64_t>(*d);
  }
  if (auto* s = std::get_if<std::string>(&v)) {
    std::string_view t = text::TrimBlanks(*s);
    std::int64_t out = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    if (ec == std::errc() && p == t.data() + t.size() && !t.empty()) return out;
  }
  return fallback;
}

}  // namespace orvo::db
