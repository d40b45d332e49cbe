#include "fingerprint/match_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <numbers>

namespace huellix {

namespace detail {
MatcherTables gTables;
}  // namespace detail

namespace {

using Tables = detail::MatcherTables;
Tables& Store() { return detail::gTables; }

// floor(atan2(b, a) * 64 / pi), with the three exact quarters (b = 0, a = b,
// a = 0) set exactly so rounding cannot shift them; row 0 keeps its own values.
void BuildArctan(ByteTable& t) {
  for (int a = 0; a < kTableSide; ++a) {
    for (int b = 0; b < kTableSide; ++b) {
      int v;
      if (a == 0) {
        v = b == 0 ? 16 : (b <= 30 ? 31 : 32);
      } else if (b == 0) {
        v = 0;
      } else if (a == b) {
        v = 16;
      } else {
        v = static_cast<int>(std::floor(std::atan2(double(b), double(a)) * 64.0 / std::numbers::pi));
      }
      t[a][b] = static_cast<std::uint8_t>(v);
    }
  }
}

void BuildTrigTables(Tables& t) {
  for (int k = 0; k < kDirections; ++k) {
    const double angle = k * 2.0 * std::numbers::pi / kDirections;
    t.sine[k] = static_cast<std::int32_t>(std::trunc(1000.0 * std::sin(angle) + 0.5));
    t.cosine[k] = static_cast<std::int32_t>(std::trunc(1000.0 * std::cos(angle) + 0.5));
  }
}

void BuildDistanceTolerance(Tables& t) {
  for (int d = 0; d < kToleranceEntries; ++d) t.tolerance[d] = (35000 + 3500 * d) / 10000;
  for (int d = 0; d < 10; ++d) t.tolerance[d] = t.tolerance[10];
  for (int k = 0; k < kDistanceWeightBound; ++k) t.distanceWeight[k] = 10 - k / 3;
}

void Build(Tables& t) {
  BuildArctan(t.arctan);
  BuildTrigTables(t);
  BuildDistanceTolerance(t);
  // The diagonal self-check stands guard over the arctangent table's build.
  t.sound = true;
  for (int k = 0; k < kTableSide; ++k) {
    if (t.arctan[k][k] != 16) {
      t.sound = false;
      break;
    }
  }
}

}  // namespace

int InitializeMatcher() {
  static std::once_flag once;
  std::call_once(once, [] { Build(Store()); });
  return Store().sound ? 0 : 1;
}

const ByteTable& ArctanTable() { return Store().arctan; }
const std::array<std::int32_t, kDirections>& SinTable() { return Store().sine; }
const std::array<std::int32_t, kDirections>& CosTable() { return Store().cosine; }
const std::array<std::int32_t, kToleranceEntries>& DistanceTolerance() { return Store().tolerance; }
const std::array<std::int32_t, kAngleWeightBound>& AngleWeight() { return Store().angleWeight; }
const std::array<std::int32_t, kDistanceWeightBound>& DistanceWeight() { return Store().distanceWeight; }
const MatcherParams& DefaultMatcherParams() {
  InitializeMatcher();
  return Store().params;
}

namespace detail {
// At most ten steps of 128, as the callers expect of a direction that is
// already nearly in range; false when that is not enough.
bool BringIntoCircle(int& theta) {
  for (int step = 0; step < 10 && (theta < 0 || theta >= kDirections); ++step)
    theta += theta < 0 ? kDirections : -kDirections;
  return theta >= 0 && theta < kDirections;
}
}  // namespace detail

int VectorToPolar(int& x, int& y, int theta) {
  if (!detail::BringIntoCircle(theta)) return 1;
  const int distance = MatchDistance(x, y);
  int angle = MatchDirection(x, y) - theta;
  if (angle < 0) angle += kDirections;
  for (int step = 0; step < 10 && angle >= kDirections; ++step) angle -= kDirections;
  x = angle;
  y = distance;
  return 0;
}

}  // namespace huellix
