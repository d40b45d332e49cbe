#include "fingerprint/distance_table.h"

namespace huellix {
namespace {

constexpr DistanceTableRows Build() {
  DistanceTableRows t{};
  for (int a = 0; a < kDistanceTableSize; ++a) {
    for (int b = 0; b < kDistanceTableSize; ++b) {
      const int s = a * a + b * b;
      int r = 0;
      while ((r + 1) * (r + 1) <= s) ++r;
      if (s > r * r + r) ++r;
      t[a][b] = static_cast<std::uint8_t>(r);
    }
  }
  return t;
}

}  // namespace

const DistanceTableRows DistanceTable = Build();

}  // namespace huellix
