// One-to-one comparison of a stored template with a probe template: a score
// 0..9999 and the number of stored minutiae it could pair. Safe to call from
// several threads at once: each call keeps its work on its own stack.
//
//   MatchResult r = MatchTemplates(stored, probe);
//   r.code   // 0; 5 stored unusable; 6 probe < 8 minutiae; 108 / 2 probe's parse
//            // error; 104 too few pairs; 1 set-up failed
//   r.score  // 0 unless code is 0
#pragma once

#include <cstdint>
#include <span>

#include "fingerprint/match_stages.h"
#include "fingerprint/match_template.h"

namespace huellix {

inline constexpr int kMatchOk = 0;
inline constexpr int kMatchSetupFailed = 1;
inline constexpr int kMatchStoredUnusable = 5;
inline constexpr int kMatchProbeTooFew = 6;
inline constexpr int kMatchTooFewPairs = 104;

struct MatchResult {
  int code = 0;
  int score = 0;
  int pairs = 0;
};

MatchResult MatchTemplates(std::span<const std::uint8_t, kTemplateSize> stored,
                           std::span<const std::uint8_t, kTemplateSize> probe);

// A probe parsed once, with its neighbour lists, for comparing it with many
// stored templates; each comparison gives what MatchTemplates would.
//
//   PreparedProbe probe;
//   PrepareProbe(probeBytes, probe);
//   for (...) MatchPrepared(stored, probe).score
struct PreparedProbe {
  int code = 0;  // what the probe's checks give: 0, 6, 108 or 2
  MatchTemplate parsed;
  PolarCache polar;  // every vector of the probe, worked out once for all comparisons
};
void PrepareProbe(std::span<const std::uint8_t, kTemplateSize> probe, PreparedProbe& out);
MatchResult MatchPrepared(std::span<const std::uint8_t, kTemplateSize> stored, const PreparedProbe& probe);

}  // namespace huellix
