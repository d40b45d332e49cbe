// How a triangle's shape is quantised into its 24-bit TriangleKey, and the
// steps and tolerances the search uses to probe neighbouring keys. Stored
// triangles and database files depend on these values.
#pragma once

#include <array>
#include <cstdint>

namespace huellix {

constexpr int kKeyFieldBits = 4;
constexpr int kHighestDirectionBin = 15;
constexpr int kSideBinWidth = 7;       // side length / 7 -> k0, k1, k2
constexpr int kDirectionBinWidth = 8;  // relative direction / 8 -> k3, k4, k5

// Probe steps of the three direction fields (k3, k4, k5), their wrap steps
// (from bin 0 to bin 15 and back), and the steps of the three side fields
// (k0, k1, k2), which do not wrap.
constexpr std::array<std::uint32_t, 3> kDirectionSteps = {1, 16, 256};
constexpr std::array<std::uint32_t, 3> kDirectionWrapSteps = {15, 240, 3840};
constexpr std::array<std::uint32_t, 3> kSideSteps = {4096, 65536, 1048576};

// The largest difference of one side that still counts as agreeing, by the
// probe's side length (0..139).
constexpr int kSideToleranceSize = 140;
constexpr std::array<int, kSideToleranceSize> BuildSideTolerance() {
  std::array<int, kSideToleranceSize> table{};
  for (int s = 0; s < kSideToleranceSize; ++s) {
    if (s < 20) table[s] = 0;
    else if (s < 60) table[s] = 7 + 7 * (s - 20) / 40;
    else table[s] = 14;
  }
  return table;
}
constexpr std::array<int, kSideToleranceSize> kSideTolerance = BuildSideTolerance();

}  // namespace huellix
