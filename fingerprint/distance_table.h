// DistanceTable: the rounded length of every vector (a, b) with a and b in
// 0..149, so that distances of minutiae need no square root. The index side
// and the matcher read the same table; stored triangles depend on it.
#pragma once

#include <array>
#include <cstdint>

namespace huellix {

constexpr int kDistanceTableSize = 150;
using DistanceTableRows = std::array<std::array<std::uint8_t, kDistanceTableSize>, kDistanceTableSize>;

// Entry [a][b] = sqrt(a * a + b * b) rounded to the nearest integer.
extern const DistanceTableRows DistanceTable;

}  // namespace huellix
