#include "fingerprint/matcher.h"

#include "fingerprint/match_score.h"
#include "fingerprint/match_stages.h"

namespace huellix {

MatchResult MatchTemplates(std::span<const std::uint8_t, kTemplateSize> storedBytes,
                           std::span<const std::uint8_t, kTemplateSize> probeBytes) {
  MatchResult r;
  if (InitializeMatcher() != 0) {
    r.code = kMatchSetupFailed;
    return r;
  }
  const MatcherParams& p = DefaultMatcherParams();

  MatchTemplate stored;
  if (storedBytes[13] < 8 || ParseMatchTemplate(storedBytes, stored) != kParseOk) {
    r.code = kMatchStoredUnusable;
    return r;
  }
  BuildMatchNeighbours(stored);

  MatchTemplate probe;
  if (probeBytes[13] < 8) {
    r.code = kMatchProbeTooFew;
    return r;
  }
  if (const int rc = ParseMatchTemplate(probeBytes, probe); rc != kParseOk) {
    r.code = rc;
    return r;
  }
  BuildMatchNeighbours(probe);

  PairTable pairs{};
  PairMinutiae(stored, probe, p, pairs);
  const auto tooFew = [&] { return p[2] == 1 && TooFewPairs(stored, pairs); };
  if (tooFew()) {
    r.code = kMatchTooFewPairs;
    return r;
  }
  PolarTable storedPolar, probePolar;
  BuildPolarTable(stored, storedPolar);
  BuildPolarTable(probe, probePolar);
  MatchState s{stored, probe, p, pairs, storedPolar, probePolar};
  if (p[4] == 1) {
    const BestPair best = ScoreNeighbourSupport(s);
    SwapPairValues(s);
    AlignToBestPair(s, best);
  }
  if (p[8] == 1) OrderCandidatePairs(s);
  if (tooFew()) {
    r.code = kMatchTooFewPairs;
    return r;
  }
  if (p[9] == 1) RemoveSharedPartners(s);
  if (p[6] == 1) {
    KeepBestCandidates(s);
    FilterInconsistentPairs(s);
  }
  if (tooFew()) {
    r.code = kMatchTooFewPairs;
    return r;
  }
  if (p[7] == 1) {
    PropagatePairs(s);
    FilterInconsistentPairs(s);
  }
  DropWeakPairs(s, p[14]);
  if (CountMatchedPairs(s) < 4) {
    r.code = kMatchTooFewPairs;
    return r;
  }
  const MatchScore score = ComputeMatchScore(stored, pairs, p);
  r.score = score.score;
  r.pairs = score.pairs;
  return r;
}

}  // namespace huellix
