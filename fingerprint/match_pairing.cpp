#include "fingerprint/match_pairing.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <span>

#include "fingerprint/match_lanes.h"

namespace huellix {
namespace {

constexpr int kResolveRounds = 20;

const MatchMinutia& At(const MatchTemplate& t, int i) { return t.minutiae[static_cast<std::size_t>(i)]; }

bool ValidNeighbour(const NeighbourEntry& e, int self, int count) {
  return e.index != kNoNeighbour && e.index < count && e.index != self;
}

// The tolerances of a neighbour entry's comparisons, which depend on its
// distance.
struct EntryTolerance {
  int distance, angle, direction;
};
EntryTolerance ToleranceOfEntry(int d, const MatcherParams& p) {
  const int direction = d > 24 ? p.entryDirectionTolerance : p.entryDirectionTolerance + 1;
  return {std::max(d / 10, 5), ArctanAt(d, std::min(ToleranceAt(d), 25)), direction};
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

// The reference rule, which the tests hold the indexed pairing below to.
namespace reference {

NeighbourRow RowOf(const MatchTemplate& t, int i, const MatcherParams& p) {
  constexpr std::int32_t kFar = 1 << 20;
  const int neighbours = std::min(p.comparedNeighbours, kMatchNeighbours);
  NeighbourRow row;
  for (int a = 0; a < kMatchNeighbours; ++a) {
    const NeighbourEntry& e = At(t, i).neighbours[static_cast<std::size_t>(a)];
    const auto u = static_cast<std::size_t>(a);
    row.usable[u] = a < neighbours && ValidNeighbour(e, i, t.count);
    row.distance[u] = row.usable[u] ? e.distance : kFar;
    row.angle[u] = e.relativeAngle;
    row.direction[u] = e.directionDifference;
    row.index[u] = e.index;
    if (row.usable[u]) {
      const EntryTolerance tolerance = ToleranceOfEntry(e.distance, p);
      row.distanceTolerance[u] = tolerance.distance;
      row.angleTolerance[u] = tolerance.angle;
      row.directionTolerance[u] = tolerance.direction;
    } else {  // only ever compared against, never compared from
      row.distanceTolerance[u] = row.angleTolerance[u] = row.directionTolerance[u] = 0;
    }
  }
  return row;
}

namespace {

// Row a of the table: the candidates among the other minutia's neighbours.
void CompareNeighbour(const NeighbourRow& mine, int a, const NeighbourRow& theirs,
                      std::array<NeighbourCandidate, kCandidatesPerNeighbour>& list) {
  const auto u = static_cast<std::size_t>(a);
  const int e = mine.distance[u];
  const int directionTolerance = mine.directionTolerance[u];
  const int angleTolerance = mine.angleTolerance[u];
  const int distanceTolerance = mine.distanceTolerance[u];
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
    const int da = WrapDirection(mine.angle[u] - theirs.angle[v]);
    const int ddir = WrapDirection(mine.direction[u] - theirs.direction[v]);
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

}  // namespace

void CompareNeighbourhoods(const NeighbourRow& mine, const NeighbourRow& theirs, NeighbourTable& table) {
  table = NeighbourTable{};
  for (int a = 0; a < kMatchNeighbours; ++a)
    if (mine.usable[static_cast<std::size_t>(a)]) CompareNeighbour(mine, a, theirs, table[static_cast<std::size_t>(a)]);
}

}  // namespace reference

namespace {

// Nearly every tested minutia pair fails the pairing because fewer than two
// of its neighbours find any counterpart; the probe's index finds the
// counterparts of each neighbour of the stored minutia among the few entries
// of its direction and angle groups, sixteen at a time, which rules most
// pairs out before any table is built. A probe minutia's own row is then
// compared in full, eight entries at a time. The index may let through more
// than agree (its distances stop at 255), never fewer: a neighbour let
// through wrongly finds nothing in the row, and a pair with fewer than two
// neighbours that find something is not kept.
using namespace lanes;

Lanes Wrap1(Lanes d) {
  d = d < -kHalfCircle ? d + kDirections : d;
  return d > kHalfCircle ? d - kDirections : d;
}

Lanes Abs(Lanes v) { return v < 0 ? -v : v; }

// The tests of one neighbour of the stored minutia, with the weight bounds
// folded into its tolerances.
struct NeighbourTest {
  Lanes distance, angle, direction;
  Lanes distanceTolerance, angleTolerance, directionTolerance;
  // The same for the index's bytes: each angle and direction already moved
  // by its tolerance, so that an agreeing one lands on 0 .. width.
  Bytes byteDistance, byteDistanceTolerance, byteAngle, byteAngleWidth, byteDirection, byteDirectionWidth;
  int firstAngle, angleSpan;          // the angles that can agree: firstAngle .. + angleSpan (mod 128)
  int firstDirection, directionSpan;  // the same for direction differences
};

// The test of neighbour entry e of a stored minutia, with the tolerances
// RowOf gives it.
NeighbourTest TestOf(const NeighbourEntry& e, const MatcherParams& p) {
  const int d = e.distance;
  const EntryTolerance tolerance = ToleranceOfEntry(d, p);
  const int distance = std::min(tolerance.distance, kDistanceWeightBound - 1);
  const int angle = std::min(tolerance.angle, kAngleWeightBound - 1);
  const int direction = std::min(tolerance.direction, kAngleWeightBound - 1);
  // A wrapped difference lies within t (t < 64) exactly when the plain
  // difference plus t, taken modulo 128, is at most 2t.
  return {Splat(d),
          Splat(e.relativeAngle),
          Splat(e.directionDifference),
          Splat(distance),
          Splat(angle),
          Splat(direction),
          SplatBytes(std::min(d, 255)),
          SplatBytes(distance),
          SplatBytes(e.relativeAngle + angle),
          SplatBytes(2 * angle),
          SplatBytes(e.directionDifference + direction),
          SplatBytes(2 * direction),
          (e.relativeAngle - angle) & (kDirections - 1),
          2 * angle,
          (e.directionDifference - direction) & (kDirections - 1),
          2 * direction};
}

// Which neighbours of one stored minutia found a counterpart among each probe
// minutia's neighbours, with the probe minutiae where two or more did, so
// that the pairing visits only those.
class Agreement {
 public:
  Agreement() { found_.fill(0); }

  void Mark(int j, std::uint8_t bit) {
    const auto u = static_cast<std::size_t>(j);
    const unsigned before = found_[u];
    found_[u] = static_cast<std::uint8_t>(before | bit);
    touched_[touchedCount_] = static_cast<std::uint8_t>(j);
    touchedCount_ += static_cast<std::size_t>(before == 0);
    // Its second neighbour: one bit before, a new one now.
    twice_[twiceCount_] = static_cast<std::uint8_t>(j);
    twiceCount_ += static_cast<std::size_t>((before != 0) & ((before & (before - 1)) == 0) & ((before & bit) == 0));
  }
  unsigned Found(int j) const { return found_[static_cast<std::size_t>(j)]; }
  // The probe minutiae with two or more, in index order.
  std::span<const std::uint8_t> TwoOrMore() {
    std::sort(twice_.begin(), twice_.begin() + twiceCount_);
    return {twice_.data(), twiceCount_};
  }
  void Clear() {
    for (std::size_t k = 0; k < touchedCount_; ++k) found_[touched_[k]] = 0;
    touchedCount_ = twiceCount_ = 0;
  }

 private:
  std::array<std::uint8_t, kMaxMinutiae> found_;
  std::array<std::uint8_t, kMaxMinutiae + 1> touched_;
  std::array<std::uint8_t, kMaxMinutiae + 1> twice_;
  std::size_t touchedCount_ = 0;
  std::size_t twiceCount_ = 0;
};

// Marks `bit` on every probe minutia that owns an entry from `first` to `end`
// (and maybe a few after it) that agrees with the test.
inline __attribute__((always_inline)) void MarkAgreeing(const NeighbourIndex& x, int first, int end,
                                                        const NeighbourTest& t, std::uint8_t bit, Agreement& agree) {
  for (int k = first; k < end; k += 16) {
    const auto u = static_cast<std::size_t>(k);
    const Bytes g = LoadBytes(&x.distance[u]);
    const Bytes distance = (t.byteDistance > g ? t.byteDistance : g) - (t.byteDistance < g ? t.byteDistance : g);
    const Bytes angle = (t.byteAngle - LoadBytes(&x.angle[u])) & (kDirections - 1);
    const Bytes direction = (t.byteDirection - LoadBytes(&x.direction[u])) & (kDirections - 1);
    const auto ok = (distance <= t.byteDistanceTolerance) & (angle <= t.byteAngleWidth) &
                    (direction <= t.byteDirectionWidth);
    for (unsigned lanes = LaneBits(reinterpret_cast<const Bytes&>(ok)); lanes != 0; lanes &= lanes - 1)
      agree.Mark(x.owner[u + static_cast<std::size_t>(std::countr_zero(lanes))], bit);
  }
}

// Every cell whose direction and angle groups meet the test's spans.
void MarkAgreeing(const NeighbourIndex& x, const NeighbourTest& t, std::uint8_t bit, Agreement& agree) {
  const int firstDirection = t.firstDirection >> 4, lastDirection = (t.firstDirection + t.directionSpan) >> 4;
  const int firstAngle = t.firstAngle >> 3, lastAngle = (t.firstAngle + t.angleSpan) >> 3;
  const auto start = [&](int d, int a) { return x.cellStart[static_cast<std::size_t>(IndexCell(d, a))]; };
  for (int g = firstDirection; g <= lastDirection; ++g) {
    const int d = g % kIndexDirectionGroups;
    if (lastAngle < kIndexAngleGroups) {
      MarkAgreeing(x, start(d, firstAngle), start(d, lastAngle + 1), t, bit, agree);
    } else {  // the angles wrap past 127
      MarkAgreeing(x, start(d, firstAngle), start(d, kIndexAngleGroups), t, bit, agree);
      MarkAgreeing(x, start(d, 0), start(d, lastAngle - kIndexAngleGroups + 1), t, bit, agree);
    }
  }
}

// CompareNeighbour against a probe minutia's row of the index: the tests of
// all eight entries at once, then the agreeing ones enter the list in order.
void CompareNeighbour(const NeighbourTest& t, const IndexRow& theirs,
                      std::array<NeighbourCandidate, kCandidatesPerNeighbour>& list) {
  const Lanes dd = t.distance - Load(theirs.distance.data());
  const Lanes da = Wrap1(t.angle - Load(theirs.angle.data()));
  const Lanes ddir = Wrap1(t.direction - Load(theirs.direction.data()));
  const Lanes add = Abs(dd), ada = Abs(da), addir = Abs(ddir);
  const Lanes ok = (add <= t.distanceTolerance) & (ada <= t.angleTolerance) & (addir <= t.directionTolerance);
  for (unsigned lanes = LaneBits(ok); lanes != 0; lanes &= lanes - 1) {
    const int b = std::countr_zero(lanes);
    const NeighbourCandidate c{AngleWeightAt(addir[b]) + AngleWeightAt(ada[b]) + DistanceWeightAt(add[b]),
                               theirs.index[static_cast<std::size_t>(b)], ddir[b], da[b], dd[b]};
    static_assert(kCandidatesPerNeighbour == 3);
    if (list[0].similarity < c.similarity) {
      list[2] = list[1];
      list[1] = list[0];
      list[0] = c;
    } else if (list[1].similarity < c.similarity) {
      list[2] = list[1];
      list[1] = c;
    } else if (list[2].similarity < c.similarity) {
      list[2] = c;
    }
  }
}

}  // namespace

bool NeighboursAgree(const NeighbourCandidate& a, const NeighbourCandidate& b, const MatcherParams& p) {
  return std::abs(a.directionDeviation - b.directionDeviation) <= p.agreementAngleTolerance &&
         std::abs(a.distanceDeviation - b.distanceDeviation) <= p.agreementDistanceTolerance &&
         std::abs(a.angleDeviation - b.angleDeviation) <= p.agreementAngleTolerance;
}

NeighbourhoodMatch ResolveNeighbourMatches(NeighbourTable& table, const MatcherParams& p) {
  const int neighbours = std::min(p.comparedNeighbours, kMatchNeighbours);
  const auto best = [&](int a) -> NeighbourCandidate& { return table[static_cast<std::size_t>(a)][0]; };
  NeighbourhoodMatch m;
  // When no two best candidates share a partner, the first round changes
  // nothing and is the last.
  std::array<std::uint64_t, 4> claimed{};
  bool shared = false;
  // The neighbours with a counterpart in order, as the check of two or three
  // below lists them.
  std::array<int, kMatchNeighbours> listed;
  for (int a = 0; a < neighbours; ++a) {
    const NeighbourCandidate& c = best(a);
    if (c.similarity <= 0) continue;
    listed[static_cast<std::size_t>(m.agreeing)] = a;
    ++m.agreeing;
    m.similarity += c.similarity;
    const std::uint64_t bit = std::uint64_t{1} << (c.partner & 63);
    std::uint64_t& word = claimed[static_cast<std::size_t>(c.partner >> 6)];
    shared |= (word & bit) != 0;
    word |= bit;
  }
  for (int round = 0; shared && round < kResolveRounds; ++round) {
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
  if (m.agreeing < 2 || m.similarity < p.leastSimilarity) {
    m.agreeing = 0;
    return m;
  }
  if (m.agreeing >= 4) return m;
  if (shared) {  // the rounds moved candidates up: listed afresh
    listed.fill(0);
    int k = 0;
    for (int a = 0; a < neighbours && k < 3; ++a)
      if (best(a).similarity > 0) listed[static_cast<std::size_t>(k++)] = a;
  }
  const auto agree = [&](int u, int v) {
    return NeighboursAgree(best(listed[static_cast<std::size_t>(u)]), best(listed[static_cast<std::size_t>(v)]), p);
  };
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

CandidatePair MakeCandidatePair(const MatchMinutia& stored, const MatchMinutia& probe, int partner,
                                const NeighbourhoodMatch& m, const NeighbourTable& table, int neighbours) {
  CandidatePair pair;
  pair.directionDifference = WrapDirection(stored.direction - probe.direction);
  pair.dx = stored.x - probe.x;
  pair.dy = stored.y - probe.y;
  pair.value = m.similarity;
  pair.secondValue = m.similarity;
  pair.partner = static_cast<std::uint8_t>(partner);
  for (int a = 0; a < neighbours; ++a) {
    const NeighbourCandidate& c = table[static_cast<std::size_t>(a)][0];
    pair.neighbourSimilarity[static_cast<std::size_t>(a)] = c.similarity;
    pair.neighbourPartner[static_cast<std::size_t>(a)] = c.partner & static_cast<std::uint8_t>(-(c.similarity > 0));
  }
  return pair;
}

void PairMinutiae(const MatchTemplate& t1, const MatchTemplate& t2, const MatcherParams& p, PairTable& pairs) {
  // Cleared once; for each tested pair only the similarities, as an entry
  // without one is read no further.
  NeighbourTable table{};
  const int neighbours = std::min(p.comparedNeighbours, kMatchNeighbours);
  // Fewer than two neighbours with a counterpart can only be kept when the
  // least agreeing count asked for is 0.
  const bool needTwo = p.leastAgreeingNeighbours > 0;
  NeighbourIndex own;
  const NeighbourIndex* index = &t2.pairingIndex;
  if (index->neighbours != neighbours) {
    BuildNeighbourIndex(t2, neighbours, own);
    index = &own;
  }
  Agreement agree;
  std::array<NeighbourTest, kMatchNeighbours> tests;
  // Without the least agreeing count every probe minutia in the window is compared.
  std::array<std::uint8_t, kMaxMinutiae> all;
  for (int j = 0; j < t2.count; ++j) all[static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(j);
  for (int i = 0; i < t1.count; ++i) {
    const MatchMinutia& mi = At(t1, i);
    agree.Clear();
    for (int a = 0; a < neighbours; ++a) {
      const NeighbourEntry& e = mi.neighbours[static_cast<std::size_t>(a)];
      if (!ValidNeighbour(e, i, t1.count)) continue;
      tests[static_cast<std::size_t>(a)] = TestOf(e, p);
      MarkAgreeing(*index, tests[static_cast<std::size_t>(a)], static_cast<std::uint8_t>(1u << a), agree);
    }
    const IndexRange range = WindowRange(t2, mi.x, p.pairingWindowX, WindowUse::Pairing);
    const int first = std::max(range.first, 0), last = std::min(range.last, t2.count - 1);
    for (const int j : needTwo ? agree.TwoOrMore() : std::span<const std::uint8_t>(all.data(), static_cast<std::size_t>(t2.count))) {
      if (j < first || j > last) continue;
      const unsigned hits = agree.Found(j);
      const MatchMinutia& mj = At(t2, j);
      if (std::abs(mi.y - mj.y) > p.pairingWindowY || std::abs(mi.x - mj.x) > p.pairingWindowX) continue;
      const IndexRow& theirs = index->rows[static_cast<std::size_t>(j)];
      for (auto& row : table)
        for (NeighbourCandidate& c : row) c.similarity = 0;
      for (unsigned left = hits; left != 0; left &= left - 1) {
        const auto a = static_cast<std::size_t>(std::countr_zero(left));
        CompareNeighbour(tests[a], theirs, table[a]);
      }
      const NeighbourhoodMatch m = ResolveNeighbourMatches(table, p);
      if (m.agreeing < p.leastAgreeingNeighbours) continue;
      AddCandidatePair(pairs[static_cast<std::size_t>(i)], MakeCandidatePair(mi, mj, j, m, table, neighbours));
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
