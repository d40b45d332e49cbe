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

#include <array>
#include <cstdint>

namespace huellix {

inline constexpr int kDirections = 128;
inline constexpr int kHalfCircle = 64;
inline constexpr int kTableSide = 150;
inline constexpr int kToleranceEntries = 725;
inline constexpr int kAngleWeightBound = 14;
inline constexpr int kDistanceWeightBound = 30;

// The matcher's tuning record: 36 fields read by index (see the defaults in
// SetMatcherDefaults). Nothing outside the matcher writes it.
struct MatcherParams {
  std::array<std::int32_t, 36> field{};
  std::int32_t operator[](int i) const { return field[static_cast<std::size_t>(i)]; }
};

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

// Rounded length of (dx, dy); beyond the table both are scaled down and the
// result scaled up again.
int MatchDistance(int dx, int dy);
// Direction of (dx, dy), 0..128 (128 is the same direction as 0).
int MatchDirection(int dx, int dy);
// The angle a tolerance subtends at a distance, in direction steps.
int ArctanAt(int distance, int tolerance);

// Clamped table reads: an index below 0 reads entry 0, one past the end the last.
int ToleranceAt(int distance);
int AngleWeightAt(int deviation);
int DistanceWeightAt(int deviation);

// A direction difference brought into -64..64.
int WrapDirection(int d);
// A direction brought into 0..127.
int NormaliseDirection(int d);

// (x, y) rotated into the frame of direction theta.
void RotateVector(int& x, int& y, int theta);
// (x, y) against theta becomes (direction relative to theta, distance): x holds
// the angle 0..127, y the distance. 1 when theta cannot be normalised.
int VectorToPolar(int& x, int& y, int theta);

}  // namespace huellix
