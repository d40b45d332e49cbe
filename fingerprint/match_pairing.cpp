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

NeighbourRow RowOf(const MatchTemplate& t, int i, const MatcherParams& p) {
  constexpr std::int32_t kFar = 1 << 20;
  const int neighbours = std::min(p[26], kMatchNeighbours);
  NeighbourRow row;
  for (int a = 0; a < kMatchNeighbours; ++a) {
    const NeighbourEntry& e = At(t, i).neighbours[static_cast<std::size_t>(a)];
    const auto u = static_cast<std::size_t>(a);
    row.usable[u] = a < neighbours && ValidNeighbour(e, i, t.count);
    row.distance[u] = row.usable[u] ? e.distance : kFar;
    row.angle[u] = e.relativeAngle;
    row.direction[u] = e.directionDifference;
    row.index[u] = e.index;
    const int d = row.distance[u];
    row.directionTolerance[u] = d > 24 ? p[27] : p[27] + 1;
    row.angleTolerance[u] = row.usable[u] ? ArctanAt(d, std::min(ToleranceAt(d), 25)) : 0;
    row.distanceTolerance[u] = std::max(d / 10, 5);
  }
  return row;
}

namespace {
// A difference of two directions, or of two direction differences, wrapped:
// one step suffices for their ranges.
int Wrap1(int d) { return d < -kHalfCircle ? d + kDirections : (d > kHalfCircle ? d - kDirections : d); }
}  // namespace

void CompareNeighbourhoods(const NeighbourRow& mine, const NeighbourRow& theirs, NeighbourTable& table) {
  table = NeighbourTable{};
  for (int a = 0; a < kMatchNeighbours; ++a) {
    const auto u = static_cast<std::size_t>(a);
    if (!mine.usable[u]) continue;
    const int e = mine.distance[u];
    const int directionTolerance = mine.directionTolerance[u];
    const int angleTolerance = mine.angleTolerance[u];
    const int distanceTolerance = mine.distanceTolerance[u];
    auto& list = table[u];
    // The other minutia's neighbours come nearest first: past the distance
    // tolerance none can agree any more.
    for (int b = 0; b < kMatchNeighbours; ++b) {
      const auto v = static_cast<std::size_t>(b);
      const int dd = e - theirs.distance[v];
      if (dd > distanceTolerance) continue;
      if (-dd > distanceTolerance) {
        if (theirs.usable[v]) break;
        continue;
      }
      const int da = Wrap1(mine.angle[u] - theirs.angle[v]);
      const int ddir = Wrap1(mine.direction[u] - theirs.direction[v]);
      const int add = std::abs(dd), ada = std::abs(da), addir = std::abs(ddir);
      if (ada > angleTolerance || addir > directionTolerance || addir >= kAngleWeightBound ||
          ada >= kAngleWeightBound || add >= kDistanceWeightBound)
        continue;
      const NeighbourCandidate c{AngleWeightAt(addir) + AngleWeightAt(ada) + DistanceWeightAt(add), theirs.index[v],
                                 ddir, da, dd};
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
  std::array<NeighbourRow, kMaxMinutiae> rows;
  for (int j = 0; j < t2.count; ++j) rows[static_cast<std::size_t>(j)] = RowOf(t2, j, p);
  for (int i = 0; i < t1.count; ++i) {
    const MatchMinutia& mi = At(t1, i);
    const NeighbourRow mine = RowOf(t1, i, p);
    const IndexRange range = WindowRange(t2, mi.x, p[29], WindowUse::Pairing);
    for (int j = std::max(range.first, 0); j <= range.last && j < t2.count; ++j) {
      const MatchMinutia& mj = At(t2, j);
      if (std::abs(mi.y - mj.y) > p[30] || std::abs(mi.x - mj.x) > p[29]) continue;
      CompareNeighbourhoods(mine, rows[static_cast<std::size_t>(j)], table);
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
