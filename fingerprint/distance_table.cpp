#include "fingerprint/distance_table.h"

namespace huellix {
namespace {

// r rounds sqrt(s) exactly when (r - 1/2)^2 <= s < (r + 1/2)^2, that is
// 4r^2 - 4r + 1 <= 4s < 4r^2 + 4r + 1; no square root of an integer lies
// halfway, so integers decide it without floating point.
constexpr std::uint8_t RoundedRoot(int s) {
  int r = 0;
  while (4 * s >= 4 * r * r + 4 * r + 1) ++r;
  return static_cast<std::uint8_t>(r);
}

constexpr DistanceTableRows BuildDistanceTable() {
  DistanceTableRows rows{};
  for (int a = 0; a < kDistanceTableSize; ++a)
    for (int b = 0; b < kDistanceTableSize; ++b) rows[a][b] = RoundedRoot(a * a + b * b);
  return rows;
}

}  // namespace

constexpr DistanceTableRows DistanceTable = BuildDistanceTable();

}  // namespace huellix
