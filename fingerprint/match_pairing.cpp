#include "fingerprint/match_pairing.h"

#include <algorithm>
#include <cstdlib>

namespace huellix {
namespace {

constexpr int kResolveRounds = 20;

const MatchMinutia& At(const MatchTemplate& t, int i) { return t.minutiae[static_cast<std::size_t>(i)]; }

bool ValidNeighbour(const NeighbourEntry& e, int self, int count) {
  return e.index != kNoNeighbour && e.index < count && e.index != self;
}

// The neighbour's candidates move up one place; the last becomes empty.
void GiveWay(std::array<NeighbourCandidate, kCandidatesPerNeighbour>& list) {
  std::move(list.begin() + 1, list.end(), list.begin());
  list.back() = NeighbourCandidate{};
}

}  // namespace

void PairSlot::DropFirst() {
  if (count == 0) return;
  std::move(pairs.begin() + 1, pairs.begin() + count, pairs.begin());
  --count;
}

void CompareNeighbourhoods(const MatchTemplate& t1, int i, const MatchTemplate& t2, int j,
                           const MatcherParams& p, NeighbourTable& table) {
  table = NeighbourTable{};
  const int neighbours = std::min(p[26], kMatchNeighbours);
  const MatchMinutia& mi = At(t1, i);
  const MatchMinutia& mj = At(t2, j);
  for (int a = 0; a < neighbours; ++a) {
    const NeighbourEntry& na = mi.neighbours[static_cast<std::size_t>(a)];
    if (!ValidNeighbour(na, i, t1.count)) continue;
    const int e = na.distance;
    const int directionTolerance = e > 24 ? p[27] : p[27] + 1;
    const int positionTolerance = std::min(ToleranceAt(e), 25);
    const int angleTolerance = ArctanAt(e, positionTolerance);
    auto& list = table[static_cast<std::size_t>(a)];
    for (int b = 0; b < neighbours; ++b) {
      const NeighbourEntry& nb = mj.neighbours[static_cast<std::size_t>(b)];
      if (!ValidNeighbour(nb, j, t2.count)) continue;
      const int g = nb.distance;
      const int dd = e - g;
      if (std::abs(dd) > std::max(e / 10, 5)) {
        if (g > e) break;  // the rest are farther still
        continue;
      }
      const int da = WrapDirection(na.relativeAngle - nb.relativeAngle);
      if (std::abs(da) > angleTolerance) continue;
      const int ddir = WrapDirection(na.directionDifference - nb.directionDifference);
      if (std::abs(ddir) > directionTolerance) continue;
      if (std::abs(ddir) >= kAngleWeightBound || std::abs(da) >= kAngleWeightBound ||
          std::abs(dd) >= kDistanceWeightBound)
        continue;
      const NeighbourCandidate c{AngleWeightAt(std::abs(ddir)) + AngleWeightAt(std::abs(da)) +
                                     DistanceWeightAt(std::abs(dd)),
                                 nb.index, ddir, da, dd};
      for (auto slot = list.begin(); slot != list.end(); ++slot) {
        if (slot->similarity < c.similarity) {
          std::move_backward(slot, list.end() - 1, list.end());
          *slot = c;
          break;
        }
      }
    }
  }
}

bool NeighboursAgree(const NeighbourCandidate& a, const NeighbourCandidate& b, const MatcherParams& p) {
  return std::abs(a.directionDeviation - b.directionDeviation) <= p[31] &&
         std::abs(a.distanceDeviation - b.distanceDeviation) <= p[33] &&
         std::abs(a.angleDeviation - b.angleDeviation) <= p[31];
}

NeighbourhoodMatch ResolveNeighbourMatches(NeighbourTable& table, const MatcherParams& p) {
  const int neighbours = std::min(p[26], kMatchNeighbours);
  const auto best = [&](int a) -> NeighbourCandidate& { return table[static_cast<std::size_t>(a)][0]; };
  NeighbourhoodMatch m;
  for (int round = 0; round < kResolveRounds; ++round) {
    bool changed = false;
    m = {};
    for (int a = 0; a < neighbours && !changed; ++a) {
      if (best(a).similarity <= 0) continue;
      ++m.agreeing;
      m.similarity += best(a).similarity;
      for (int o = 0; o < neighbours; ++o) {
        if (o == a || best(o).similarity <= 0 || best(o).partner != best(a).partner) continue;
        // Two neighbours claim one partner: the weaker claim gives way.
        if (best(a).similarity < best(o).similarity) {
          GiveWay(table[static_cast<std::size_t>(a)]);
          changed = true;
        } else {
          GiveWay(table[static_cast<std::size_t>(o)]);
          changed = o < a;
        }
        break;
      }
    }
    if (!changed) break;
  }
  if (m.agreeing < 2 || m.similarity < p[13]) {
    m.agreeing = 0;
    return m;
  }
  if (m.agreeing >= 4) return m;
  std::array<int, 3> listed{};
  int k = 0;
  for (int a = 0; a < neighbours && k < 3; ++a)
    if (best(a).similarity > 0) listed[static_cast<std::size_t>(k++)] = a;
  const auto agree = [&](int u, int v) { return NeighboursAgree(best(listed[u]), best(listed[v]), p); };
  const bool kept = agree(0, 1) || (m.agreeing == 3 && (agree(0, 2) || agree(1, 2)));
  if (!kept) m.agreeing = 0;
  return m;
}

void AddCandidatePair(PairSlot& slot, const CandidatePair& pair) {
  if (slot.count < kPairsPerSlot) {
    slot.pairs[slot.count++] = pair;
    return;
  }
  auto weakest = std::min_element(slot.pairs.begin(), slot.pairs.end(),
                                  [](const CandidatePair& a, const CandidatePair& b) { return a.value < b.value; });
  if (pair.value > weakest->value) *weakest = pair;
}

void PairMinutiae(const MatchTemplate& t1, const MatchTemplate& t2, const MatcherParams& p, PairTable& pairs) {
  NeighbourTable table;
  const int neighbours = std::min(p[26], kMatchNeighbours);
  for (int i = 0; i < t1.count; ++i) {
    const MatchMinutia& mi = At(t1, i);
    const IndexRange range = WindowRange(t2, mi.x, p[29], WindowUse::Pairing);
    for (int j = std::max(range.first, 0); j <= range.last && j < t2.count; ++j) {
      const MatchMinutia& mj = At(t2, j);
      if (std::abs(mi.y - mj.y) > p[30] || std::abs(mi.x - mj.x) > p[29]) continue;
      CompareNeighbourhoods(t1, i, t2, j, p, table);
      const NeighbourhoodMatch m = ResolveNeighbourMatches(table, p);
      if (m.agreeing < p[15]) continue;
      CandidatePair pair;
      pair.directionDifference = WrapDirection(mi.direction - mj.direction);
      pair.dx = mi.x - mj.x;
      pair.dy = mi.y - mj.y;
      pair.value = m.similarity;
      pair.secondValue = m.similarity;
      pair.partner = static_cast<std::uint8_t>(j);
      for (int a = 0; a < neighbours; ++a) {
        const NeighbourCandidate& c = table[static_cast<std::size_t>(a)][0];
        pair.neighbourSimilarity[static_cast<std::size_t>(a)] = c.similarity;
        pair.neighbourPartner[static_cast<std::size_t>(a)] = c.similarity > 0 ? c.partner : 0;
      }
      AddCandidatePair(pairs[static_cast<std::size_t>(i)], pair);
    }
  }
}

int MinimumPairCount(int n) {
  if (n <= 4) return 3;
  if (n <= 14) return 4;
  return 5;
}

int CountPairedSlots(const MatchTemplate& t1, const PairTable& pairs) {
  int paired = 0;
  for (int i = 0; i < t1.count; ++i) paired += pairs[static_cast<std::size_t>(i)].Paired() ? 1 : 0;
  return paired;
}

bool TooFewPairs(const MatchTemplate& t1, const PairTable& pairs) {
  return CountPairedSlots(t1, pairs) < MinimumPairCount(t1.count);
}

}  // namespace huellix
