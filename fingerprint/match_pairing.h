// Minutiae pairing: each minutia of the stored template is paired with up to
// four minutiae of the probe whose neighbourhoods look alike; the pair table
// that the consistency stages then thin out.
//
//   PairTable pairs{};
//   PairMinutiae(stored, probe, DefaultMatcherParams(), pairs);
//   CountPairedSlots(stored, pairs)            // slots with at least one pair
#pragma once

#include <array>
#include <cstdint>

#include "fingerprint/match_tables.h"
#include "fingerprint/match_template.h"

namespace huellix {

inline constexpr int kPairsPerSlot = 4;
inline constexpr int kCandidatesPerNeighbour = 3;

struct CandidatePair {
  std::int32_t directionDifference = 0;
  std::int32_t dx = 0;
  std::int32_t dy = 0;
  std::int32_t value = 0;
  std::int32_t secondValue = 0;
  std::int32_t supportPercentage = 0;
  std::array<std::int32_t, kMatchNeighbours> neighbourSimilarity{};
  std::uint8_t partner = 0;
  std::uint8_t supportCount = 0;
  std::uint8_t supportCountPercentage = 0;
  std::array<std::uint8_t, kMatchNeighbours> neighbourPartner{};
  std::uint8_t mirror = 0;
};

// Propagation states of a slot.
inline constexpr std::uint8_t kNotEvaluated = 0;
inline constexpr std::uint8_t kEvaluated = 4;
inline constexpr std::uint8_t kEvaluatedTwice = 5;

struct PairSlot {
  std::uint8_t count = 0;  // 0 = unpaired; otherwise pairs[0] is the current pair
  std::uint8_t workingCounter = 0;
  std::uint8_t state = kNotEvaluated;
  std::array<CandidatePair, kPairsPerSlot> pairs{};

  bool Paired() const { return count > 0; }
  CandidatePair& Current() { return pairs[0]; }
  const CandidatePair& Current() const { return pairs[0]; }
  // The first pair goes; the others move up.
  void DropFirst();
};

using PairTable = std::array<PairSlot, kMaxMinutiae>;

// One neighbour's counterpart in the other template.
struct NeighbourCandidate {
  std::int32_t similarity = 0;  // 0 = empty
  std::uint8_t partner = 0;     // index in the probe
  std::int32_t directionDeviation = 0;
  std::int32_t angleDeviation = 0;
  std::int32_t distanceDeviation = 0;
};
using NeighbourTable =
    std::array<std::array<NeighbourCandidate, kCandidatesPerNeighbour>, kMatchNeighbours>;

struct NeighbourhoodMatch {
  int similarity = 0;  // S
  int agreeing = 0;    // A
};

// The reference rule of the neighbourhood comparison, kept for the tests: each
// usable neighbour of the stored minutia against every neighbour of the probe
// minutia, row against row, as the rule reads. PairMinutiae finds the same
// candidates through the probe's neighbour index, which rules most pairs out
// before any comparison; its tests compare it with this. Matching never calls
// anything here.
namespace reference {

// A minutia's usable neighbours side by side (the first comparedNeighbours
// entries with a valid index other than the minutia itself); an unusable
// entry lies too far to agree with anything.
struct NeighbourRow {
  std::array<std::int32_t, kMatchNeighbours> distance;
  std::array<std::int32_t, kMatchNeighbours> angle;
  std::array<std::int32_t, kMatchNeighbours> direction;
  std::array<std::uint8_t, kMatchNeighbours> index;
  std::array<bool, kMatchNeighbours> usable;
  // The tolerances of each entry's comparisons, which depend on its distance.
  std::array<std::int32_t, kMatchNeighbours> directionTolerance;
  std::array<std::int32_t, kMatchNeighbours> angleTolerance;
  std::array<std::int32_t, kMatchNeighbours> distanceTolerance;
};
NeighbourRow RowOf(const MatchTemplate& t, int i, const MatcherParams& p);
// Row a of `table`: the candidates of mine's neighbour a among theirs, best first.
void CompareNeighbourhoods(const NeighbourRow& mine, const NeighbourRow& theirs, NeighbourTable& table);

}  // namespace reference

NeighbourhoodMatch ResolveNeighbourMatches(NeighbourTable& table, const MatcherParams& p);
bool NeighboursAgree(const NeighbourCandidate& a, const NeighbourCandidate& b, const MatcherParams& p);
void AddCandidatePair(PairSlot& slot, const CandidatePair& pair);
// The pair of stored minutia and probe minutia `partner` that a resolved
// table gives: neighbour similarities and partners from each neighbour's best.
CandidatePair MakeCandidatePair(const MatchMinutia& stored, const MatchMinutia& probe, int partner,
                                const NeighbourhoodMatch& m, const NeighbourTable& table, int neighbours);
void PairMinutiae(const MatchTemplate& t1, const MatchTemplate& t2, const MatcherParams& p, PairTable& pairs);

int MinimumPairCount(int n);
int CountPairedSlots(const MatchTemplate& t1, const PairTable& pairs);
// True when too few slots are paired to go on.
bool TooFewPairs(const MatchTemplate& t1, const PairTable& pairs);

}  // namespace huellix
