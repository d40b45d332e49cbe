// The level band (1..9) that a search candidate's matcher score falls in.
#pragma once

#include <cstdint>

namespace huellix {

// Scores below 1000 are level 1, ... , 4000 and above level 9.
std::uint8_t CandidateLevel(int score);

}  // namespace huellix
