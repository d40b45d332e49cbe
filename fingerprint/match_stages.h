// The consistency stages that thin the pair table after pairing, in the order
// the matcher runs them: neighbour support with alignment to the best pair,
// ordering and cut, shared partners, global support, geometric consistency,
// propagation along the neighbour lists, weak pairs, and the final count of
// pairs that have paired neighbours around them.
//
// Every stage reads the two parsed templates and rewrites the pair table; each
// iterative stage has a fixed round limit.
#pragma once

#include "fingerprint/match_pairing.h"

namespace huellix {

// For every two minutiae of a template, the vector from the first to the
// second against the second's direction, as VectorToPolar gives it: the
// stages ask for the same vectors many times over.
struct PolarEntry {
  std::int16_t angle;
  std::int16_t distance;
};
using PolarTable = std::array<std::array<PolarEntry, kMaxMinutiae>, kMaxMinutiae>;
void BuildPolarTable(const MatchTemplate& t, PolarTable& table);

// The two templates and the pair table of one comparison.
struct MatchState {
  const MatchTemplate& stored;
  const MatchTemplate& probe;
  const MatcherParams& params;
  PairTable& pairs;
  const PolarTable& storedPolar;
  const PolarTable& probePolar;
};

struct BestPair {
  int slot = -1;
  int pair = -1;
};

BestPair ScoreNeighbourSupport(MatchState& s);
void SwapPairValues(MatchState& s);
void AlignToBestPair(MatchState& s, BestPair best);
void OrderCandidatePairs(MatchState& s);
void RemoveSharedPartners(MatchState& s);
void KeepBestCandidates(MatchState& s);
void ScoreGlobalSupport(MatchState& s);
void FilterInconsistentPairs(MatchState& s);
void PropagatePairs(MatchState& s);
// Support of pairing slot c with probe minutia c2 from the paired slots around
// c; 0 when there is not enough. Sets the slot's support fields on success.
int EvaluatePairSupport(MatchState& s, int c, int c2);
void DropWeakPairs(MatchState& s, int threshold);
int CountMatchedPairs(MatchState& s);

}  // namespace huellix
