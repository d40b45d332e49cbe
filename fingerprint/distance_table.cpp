#include "fingerprint/distance_table.h"

namespace huellix {
namespace {

// r rounds sqrt(s) exactly when (r - 1/2)^2 <= s < (r + 1/2)^2, that is
// 4r^2 - 4r + 1 <= 4s < 4r^2 + 4r + 1; no square root of an integer lies
// halfway, so integers decide it without floating point.
// Along a row the root only grows, so each entry starts from the last.
constexpr DistanceTableRows BuildDistanceTable() {
  DistanceTableRows rows{};
  for (int a = 0; a < kDistanceTableSize; ++a) {
    int r = 0;
    for (int b = 0; b < kDistanceTableSize; ++b) {
      const int s = a * a + b * b;
      while (4 * s >= 4 * r * r + 4 * r + 1) ++r;
      rows[a][b] = static_cast<std::uint8_t>(r);
    }
  }
  return rows;
}

}  // namespace

constexpr DistanceTableRows DistanceTable = BuildDistanceTable();

}  // namespace huellix
