// Values that cross the database engine's interface: a cell of a row, a bound
// parameter or a column default. Null stays distinct from the empty text.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace orvo::db {

struct Blob {
  std::vector<std::uint8_t> bytes;
  bool operator==(const Blob&) const = default;
};

using Value = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// The value as text, the way the row interface reads a field into a string:
// numbers in plain decimal, Null as the empty text.
std::string AsText(const Value& v);

// The value as a whole number; text that is not one and Null give `fallback`.
// A real number is cut towards zero; one beyond 64 bits, infinite or not a
// number is the overflow error (6), as the platform's conversion gave.
std::int64_t AsInteger(const Value& v, std::int64_t fallback = 0);

}  // namespace orvo::db
