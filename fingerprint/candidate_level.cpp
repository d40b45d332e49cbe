#include "fingerprint/candidate_level.h"

#include <array>

namespace huellix {

std::uint8_t CandidateLevel(int score) {
  static constexpr std::array<int, 8> kUpperBounds = {1000, 1250, 1500, 1750, 2000, 2500, 3000, 4000};
  std::uint8_t level = 1;
  for (int bound : kUpperBounds) {
    if (score < bound) return level;
    ++level;
  }
  return level;
}

}  // namespace huellix
