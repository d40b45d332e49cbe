#include "platform/db/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

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
  if (auto* d = std::get_if<double>(&v)) return static_cast<std::int64_t>(*d);
  if (auto* s = std::get_if<std::string>(&v)) {
    std::int64_t out = 0;
    auto first = s->data(), last = s->data() + s->size();
    while (first < last && *first == ' ') ++first;
    while (last > first && last[-1] == ' ') --last;
    auto [p, ec] = std::from_chars(first, last, out);
    if (ec == std::errc() && p == last && first != last) return out;
  }
  return fallback;
}

}  // namespace orvo::db
