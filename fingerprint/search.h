// SearchCandidates: the one-to-many search of a probe template against every
// registered fingerprint, best first, as FPSSearchFP and FPSIdentifyFP use it.
#pragma once

#include <cstdint>

#include "fingerprint/Huellix.h"

namespace huellix {

// Fills candidates[0 .. count - 1], zero records after the last candidate:
// 0, 101 when memory runs out, 103 when the probe does not decode.
int SearchCandidates(const std::uint8_t* probe, SearchCandidate* candidates, int count);

}  // namespace huellix
