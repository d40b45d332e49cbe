// The one-to-one matcher's fixed tables and parameter record, built once before
// the first comparison (thread-safe), and the lookups every matching step uses.
//
// Directions are 0..127 (128 steps to the circle); a difference of two directions
// is wrapped into -64..64. Lookups clamp their indexes to the tables, so no
// distance or angle difference, however large, reads outside them.
//
//   InitializeMatcher();                 // 0, or 1 when the arctangent table is unsound
//   SinTable()[96]                       // -999
//   MatchDistance(150, 0)                // 2 * distance(75, 0) = 150 (scaled lookup)
//   MatchDirection(-10, 0)               // 64 (pointing the other way)
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "fingerprint/distance_table.h"

namespace huellix {

inline constexpr int kDirections = 128;
inline constexpr int kHalfCircle = 64;
inline constexpr int kTableSide = 150;
inline constexpr int kToleranceEntries = 725;
inline constexpr int kAngleWeightBound = 14;
inline constexpr int kDistanceWeightBound = 30;

// The matcher's tuning record: 36 whole numbers in a fixed order, each named
// for what it decides, with its default. The fields the matcher never reads
// keep their places (unread*), so the record's layout stays as it always was.
// Nothing outside the matcher writes it; tests copy it to try other values.
struct MatcherParams {
  std::int32_t unread0 = 1;
  std::int32_t unread1 = 0;
  std::int32_t requireEnoughPairs = 1;            // 1: too few paired slots end the comparison and give score 0
  std::int32_t unread3 = 1;
  std::int32_t alignToBestPair = 1;               // 1: neighbour support, then every pair checked against the best
  std::int32_t unread5 = 0;
  std::int32_t keepBestCandidates = 1;            // 1: one candidate per slot, filtered; scored by support
  std::int32_t propagatePairs = 1;                // 1: pairs spread from paired neighbours, then filtered again
  std::int32_t orderCandidatePairs = 1;           // 1: each slot's candidates ordered and the weak ones cut off
  std::int32_t removeSharedPartners = 1;          // 1: of two slots with one probe partner, the weaker gives way
  std::int32_t unread10 = 0;
  std::int32_t unread11 = 0;
  std::int32_t unread12 = 1;
  std::int32_t leastSimilarity = 10;              // a pair's value (its neighbourhoods' similarity) that counts
  std::int32_t leastSupport = 20;                 // the support sum, and the final value, a pair needs to stay
  std::int32_t leastAgreeingNeighbours = 2;       // neighbours with a counterpart that make a pair
  std::int32_t unread16 = 0;
  std::int32_t unread17 = 0;
  std::int32_t unread18 = 0;
  std::int32_t unread19 = 0;
  std::int32_t alignTurnTolerance = 10;           // direction steps a pair may turn against the best pair
  std::int32_t unread21 = 30;
  std::int32_t unread22 = 30;
  std::int32_t unread23 = 150;
  std::int32_t leastSupportPercentage = 20;       // the support sum as a percentage
  std::int32_t leastSupportCountPercentage = 20;  // supporting references, in percent of four
  std::int32_t comparedNeighbours = 8;            // neighbours compared per minutia (kMatchNeighbours at most)
  std::int32_t entryDirectionTolerance = 8;       // direction steps for a neighbour beyond 24; one more nearer
  std::int32_t unread28 = 16;
  std::int32_t pairingWindowX = 250;              // greatest |dx| between a stored and a probe minutia paired
  std::int32_t pairingWindowY = 250;              // greatest |dy|
  std::int32_t agreementAngleTolerance = 8;       // two neighbours agree when their direction and
  std::int32_t unread32 = 17;                      //   angle deviations differ by this at most,
  std::int32_t agreementDistanceTolerance = 16;   //   and their distance deviations by this
  std::int32_t unread34 = 2;
  std::int32_t unread35 = 0;
};
static_assert(sizeof(MatcherParams) == 36 * sizeof(std::int32_t));

using ByteTable = std::array<std::array<std::uint8_t, kTableSide>, kTableSide>;

// 0 once the tables are built and the arctangent table passed its self-check;
// 1 otherwise. Safe to call from any number of threads.
int InitializeMatcher();

// The tables; valid after InitializeMatcher() returned 0.
const ByteTable& ArctanTable();
const std::array<std::int32_t, kDirections>& SinTable();
const std::array<std::int32_t, kDirections>& CosTable();
const std::array<std::int32_t, kToleranceEntries>& DistanceTolerance();
const std::array<std::int32_t, kAngleWeightBound>& AngleWeight();
const std::array<std::int32_t, kDistanceWeightBound>& DistanceWeight();
const MatcherParams& DefaultMatcherParams();

namespace detail {
// The tables themselves, filled once by InitializeMatcher; read inline by the
// lookups below, which sit on the matcher's innermost loops.
struct MatcherTables {
  ByteTable arctan{};
  std::array<std::int32_t, kDirections> sine{};
  std::array<std::int32_t, kDirections> cosine{};
  std::array<std::int32_t, kToleranceEntries> tolerance{};
  std::array<std::int32_t, kAngleWeightBound> angleWeight{10, 9, 7, 5, 3, 2, 2, 1, 1, 1, 1, 1, 1, 1};
  std::array<std::int32_t, kDistanceWeightBound> distanceWeight{};
  MatcherParams params;
  bool sound = false;
};
extern MatcherTables gTables;

// Scale that brings both magnitudes inside the 150-entry tables.
inline int Scale(int a, int b) {
  if (a < kTableSide && b < kTableSide) return 1;
  return std::max(a / kTableSide + 1, b / kTableSide + 1);
}
}  // namespace detail

// Rounded length of (dx, dy); beyond the table both are scaled down and the
// result scaled up again.
inline int MatchDistance(int dx, int dy) {
  const int a = std::abs(dx), b = std::abs(dy);
  // Nearly every vector fits the table: no division then.
  if (a < kTableSide && b < kTableSide) return DistanceTable[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
  const int s = detail::Scale(a, b);
  return s * DistanceTable[static_cast<std::size_t>(a / s)][static_cast<std::size_t>(b / s)];
}

// Direction of (dx, dy), 0..128 (128 is the same direction as 0).
inline int MatchDirection(int dx, int dy) {
  const int a = std::abs(dx), b = std::abs(dy);
  int t;
  if (a < kTableSide && b < kTableSide) {
    t = detail::gTables.arctan[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
  } else {
    const int s = detail::Scale(a, b);
    t = detail::gTables.arctan[static_cast<std::size_t>(a / s)][static_cast<std::size_t>(b / s)];
  }
  if (dx < 0) t = 64 - t;
  if (dy < 0) t = 128 - t;
  return t;
}

// The angle a tolerance subtends at a distance, in direction steps.
inline int ArctanAt(int distance, int tolerance) {
  const int a = std::abs(distance), b = std::abs(tolerance);
  if (a < kTableSide && b < kTableSide) return detail::gTables.arctan[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
  const int s = detail::Scale(a, b);
  return detail::gTables.arctan[static_cast<std::size_t>(a / s)][static_cast<std::size_t>(b / s)];
}

// Clamped table reads: an index below 0 reads entry 0, one past the end the last.
inline int ToleranceAt(int distance) {
  return detail::gTables.tolerance[static_cast<std::size_t>(std::clamp(distance, 0, kToleranceEntries - 1))];
}
inline int AngleWeightAt(int deviation) {
  return detail::gTables.angleWeight[static_cast<std::size_t>(std::clamp(deviation, 0, kAngleWeightBound - 1))];
}
inline int DistanceWeightAt(int deviation) {
  return detail::gTables
      .distanceWeight[static_cast<std::size_t>(std::clamp(deviation, 0, kDistanceWeightBound - 1))];
}

// A direction difference brought into -64..64.
inline int WrapDirection(int d) {
  while (d < -kHalfCircle) d += kDirections;
  while (d > kHalfCircle) d -= kDirections;
  return d;
}

// A direction brought into 0..127.
inline int NormaliseDirection(int d) {
  d %= kDirections;
  return d < 0 ? d + kDirections : d;
}

namespace detail {
bool BringIntoCircle(int& theta);
}  // namespace detail

// (x, y) rotated into the frame of direction theta. Inline: the neighbour
// lists turn every neighbour of every minutia.
inline void RotateVector(int& x, int& y, int theta) {
  if ((theta < 0 || theta >= kDirections) && !detail::BringIntoCircle(theta)) return;
  const int s = detail::gTables.sine[static_cast<std::size_t>(theta)];
  const int c = detail::gTables.cosine[static_cast<std::size_t>(theta)];
  const int rx = (s * y + x * c) / 1000;
  const int ry = (y * c - x * s) / 1000;
  x = rx;
  y = ry;
}

// (x, y) against theta becomes (direction relative to theta, distance): x holds
// the angle 0..127, y the distance. 1 when theta cannot be normalised.
int VectorToPolar(int& x, int& y, int theta);

}  // namespace huellix
