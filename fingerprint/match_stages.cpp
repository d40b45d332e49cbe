#include "fingerprint/match_stages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace huellix {
namespace {

constexpr int kAlignDistanceCap = 720;
constexpr int kReferences = 4;
constexpr int kSharedPartnerRounds = 10;
constexpr int kPropagationRounds = 5;
constexpr int kDropRounds = 10;

const MatchMinutia& At(const MatchTemplate& t, int i) { return t.minutiae[static_cast<std::size_t>(i)]; }
PairSlot& Slot(MatchState& s, int i) { return s.pairs[static_cast<std::size_t>(i)]; }

// Direction of a minus direction of b, wrapped.
int Turn(const MatchTemplate& t, int a, int b) { return WrapDirection(At(t, a).direction - At(t, b).direction); }

int Distance(const MatchTemplate& t, int a, int b) {
  return MatchDistance(At(t, a).x - At(t, b).x, At(t, a).y - At(t, b).y);
}

// Position tolerance at a distance, capped at 30, and the angle it subtends
// (at least 3). The stages ask for it for every pair of pairs, so it is kept
// by distance.
struct Tolerance {
  int distance;
  int angle;
};
constexpr int kToleranceDistances = 2048;  // beyond any distance of two minutiae
Tolerance ToleranceFor(int distance) {
  static const std::array<Tolerance, kToleranceDistances> table = [] {
    std::array<Tolerance, kToleranceDistances> t{};
    for (int d = 0; d < kToleranceDistances; ++d) {
      const int position = std::min(ToleranceAt(d), 30);
      t[static_cast<std::size_t>(d)] = {position, std::max(ArctanAt(d, position), 3)};
    }
    return t;
  }();
  return table[static_cast<std::size_t>(std::clamp(distance, 0, kToleranceDistances - 1))];
}

// Up to four paired slots (value at the threshold, partner other than
// `excluded`) nearest to minutia i of the stored template; nearest first.
struct References {
  std::array<int, kReferences> slot{};
  std::array<int, kReferences> distance{};
  int count = 0;
};
References NearestReferences(MatchState& s, int i, int excluded) {
  References r;
  for (int k = 0; k < s.stored.count; ++k) {
    const PairSlot& slot = Slot(s, k);
    if (k == i || !slot.Paired() || slot.Current().value < s.params[13] || slot.Current().partner == excluded)
      continue;
    const int d = Distance(s.stored, i, k);
    if (r.count < kReferences) {
      r.slot[static_cast<std::size_t>(r.count)] = k;
      r.distance[static_cast<std::size_t>(r.count)] = d;
      ++r.count;
      continue;
    }
    const auto far = std::max_element(r.distance.begin(), r.distance.end());
    if (d < *far) {
      const auto at = far - r.distance.begin();
      r.slot[static_cast<std::size_t>(at)] = k;
      *far = d;
    }
  }
  if (r.count > 1) {
    const auto near = std::min_element(r.distance.begin(), r.distance.begin() + r.count) - r.distance.begin();
    std::swap(r.slot[0], r.slot[static_cast<std::size_t>(near)]);
    std::swap(r.distance[0], r.distance[static_cast<std::size_t>(near)]);
  }
  return r;
}

// One reference's agreement with a pair: the relative geometry of (k, i) in the
// stored template against that of (k2, j) in the probe.
struct Agreement {
  int direction;  // abs of the wrapped direction deviation
  int angle;      // abs of the angle deviation
  int distance;   // abs of the distance deviation
  int length;     // the stored template's distance from k to i
  int Weight() const {
    if (direction >= kAngleWeightBound || angle >= kAngleWeightBound || distance >= kDistanceWeightBound) return 0;
    return AngleWeightAt(angle) + DistanceWeightAt(distance) + AngleWeightAt(direction);
  }
};
Agreement Compare(MatchState& s, int k, int i, int k2, int j) {
  const Polar a = s.storedPolar.Get(k, i);
  const Polar b = s.probePolar.Get(k2, j);
  return {std::abs(WrapDirection(Turn(s.stored, i, k) - Turn(s.probe, j, k2))),
          std::abs(WrapDirection(a.angle - b.angle)), std::abs(a.distance - b.distance), a.distance};
}

void Unpair(PairSlot& slot) { slot.count = 0; }

int Percentage(int part, int of4) { return (part * 10000 / of4 + 50) / 100; }

}  // namespace

namespace detail {
const PolarLookup& Lookup() {
  static const PolarLookup lookup = [] {
    InitializeMatcher();
    PolarLookup l;
    for (int m = 0; m < kScaledSpan; ++m) l.scale[static_cast<std::size_t>(m)] = static_cast<std::uint8_t>(m / kTableSide + 1);
    for (int sc = 1; sc < 8; ++sc)
      for (int d = 0; d < kScaledSpan; ++d)
        l.scaled[static_cast<std::size_t>(sc)][static_cast<std::size_t>(d)] =
            static_cast<std::uint8_t>(std::min(d / sc, kTableSide - 1));
    for (int a = 0; a < kTableSide; ++a)
      for (int b = 0; b < kTableSide; ++b)
        l.entry[static_cast<std::size_t>(a * kTableSide + b)] = static_cast<std::uint16_t>(
            MatchDistance(a, b) | ArctanTable()[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] << 8);
    return l;
  }();
  return lookup;
}
}  // namespace detail

Polar PolarOf(const MatchTemplate& t, int from, int to) {
  const MatchMinutia& a = At(t, from);
  const MatchMinutia& b = At(t, to);
  return detail::PolarOfVector(detail::Lookup(), b.x - a.x, b.y - a.y, b.direction);
}

void PolarCache::Reset(const MatchTemplate& t) {
  lookup_ = &detail::Lookup();
  count_ = t.count;
  for (int i = 0; i < count_; ++i) {
    const auto u = static_cast<std::size_t>(i);
    x_[u] = At(t, i).x;
    y_[u] = At(t, i).y;
    direction_[u] = At(t, i).direction;
  }
  std::fill_n(entries_.begin(), count_ * count_, kUnknown);
}

void PolarCache::Fill(const MatchTemplate& t) {
  Reset(t);
  for (int from = 0; from < count_; ++from)
    for (int to = 0; to < count_; ++to)
      entries_[static_cast<std::size_t>(from * count_ + to)] = Pack(Compute(from, to));
}

BestPair ScoreNeighbourSupport(MatchState& s) {
  const int n = s.stored.count;
  const int threshold = s.params[13];
  for (int i = 0; i < n; ++i)
    for (auto& pair : Slot(s, i).pairs) {
      pair.supportCount = 0;
      pair.secondValue = 0;
    }
  // A pair's direction test against a supporter compares the two turns the
  // pairs imply, (stored direction - partner's direction) of each, so the
  // supporters are filed by that turn: a pair then only looks at the 17 turns
  // within 8 of its own, and only those supporters read any vectors. A best
  // agreement per slot is a maximum and the sums add up, so the order in which
  // supporters are met does not matter.
  struct Supporter {
    std::uint8_t slot;
    std::uint8_t partner;
  };
  std::array<Supporter, kMaxMinutiae * kPairsPerSlot> supporters;
  std::array<std::uint16_t, kDirections + 1> turnStart{};
  const auto turnOf = [&](int i, int j) {
    return (At(s.stored, i).direction - At(s.probe, j).direction) & (kDirections - 1);
  };
  for (int k = 0; k < n; ++k) {
    const PairSlot& sk = Slot(s, k);
    for (int pk = 0; pk < sk.count; ++pk) {
      const CandidatePair& other = sk.pairs[static_cast<std::size_t>(pk)];
      if (other.value >= threshold) ++turnStart[static_cast<std::size_t>(turnOf(k, other.partner) + 1)];
    }
  }
  for (int t = 0; t < kDirections; ++t)
    turnStart[static_cast<std::size_t>(t + 1)] += turnStart[static_cast<std::size_t>(t)];
  {
    std::array<std::uint16_t, kDirections> next;
    std::copy(turnStart.begin(), turnStart.end() - 1, next.begin());
    for (int k = 0; k < n; ++k) {
      const PairSlot& sk = Slot(s, k);
      for (int pk = 0; pk < sk.count; ++pk) {
        const CandidatePair& other = sk.pairs[static_cast<std::size_t>(pk)];
        if (other.value < threshold) continue;
        supporters[next[static_cast<std::size_t>(turnOf(k, other.partner))]++] = {static_cast<std::uint8_t>(k),
                                                                                   other.partner};
      }
    }
  }
  // What depends on the two stored minutiae alone is worked out the first
  // time slot i meets slot k, then kept for i's other pairs.
  struct StoredView {
    Polar polar;
    Tolerance tolerance;
  };
  std::array<StoredView, kMaxMinutiae> views;
  std::array<int, kMaxMinutiae> viewedFor;
  viewedFor.fill(-1);
  // The best agreement of each slot met by the current pair, and which slots
  // those are.
  std::array<int, kMaxMinutiae> bestAgreement{};
  std::array<std::uint8_t, kMaxMinutiae> met;
  BestPair best;
  int bestSum = -1;
  for (int i = 0; i < n; ++i) {
    PairSlot& si = Slot(s, i);
    for (int pi = 0; pi < si.count; ++pi) {
      CandidatePair& pair = si.pairs[static_cast<std::size_t>(pi)];
      if (pair.value >= threshold) {
        const int j = pair.partner;
        const int turn = turnOf(i, j);
        int metCount = 0;
        for (int deviation = -8; deviation <= 8; ++deviation) {
          const auto t = static_cast<std::size_t>((turn + deviation) & (kDirections - 1));
          const int direction = std::abs(deviation);
          for (int e = turnStart[t]; e < turnStart[t + 1]; ++e) {
            const Supporter other = supporters[static_cast<std::size_t>(e)];
            const int k = other.slot;
            if (k == i || other.partner == j) continue;
            StoredView& view = views[static_cast<std::size_t>(k)];
            if (viewedFor[static_cast<std::size_t>(k)] != i) {
              view.polar = s.storedPolar.Get(k, i);
              view.tolerance = ToleranceFor(view.polar.distance);
              viewedFor[static_cast<std::size_t>(k)] = i;
            }
            const Polar b = s.probePolar.Get(other.partner, j);
            const Agreement agreement{direction, std::abs(WrapDirection(view.polar.angle - b.angle)),
                                      std::abs(view.polar.distance - b.distance), view.polar.distance};
            if (agreement.angle > view.tolerance.angle || agreement.distance > view.tolerance.distance) continue;
            const int w = agreement.Weight();
            int& kept = bestAgreement[static_cast<std::size_t>(k)];
            if (w > kept) {
              if (kept == 0) met[static_cast<std::size_t>(metCount++)] = static_cast<std::uint8_t>(k);
              kept = w;
            }
          }
        }
        for (int m = 0; m < metCount; ++m) {
          int& kept = bestAgreement[met[static_cast<std::size_t>(m)]];
          ++pair.supportCount;
          pair.secondValue += kept;
          kept = 0;
        }
      }
      if (pair.secondValue > bestSum) {
        bestSum = pair.secondValue;
        best = {i, pi};
      }
    }
  }
  return best;
}

void SwapPairValues(MatchState& s) {
  for (int i = 0; i < s.stored.count; ++i) {
    PairSlot& slot = Slot(s, i);
    for (int p = 0; p < slot.count; ++p) {
      CandidatePair& pair = slot.pairs[static_cast<std::size_t>(p)];
      std::swap(pair.value, pair.secondValue);
    }
  }
}

void AlignToBestPair(MatchState& s, BestPair best) {
  if (best.slot < 0) return;
  const int b = best.slot;
  const int jb = Slot(s, b).pairs[static_cast<std::size_t>(best.pair)].partner;
  for (int i = 0; i < s.stored.count; ++i) {
    PairSlot& slot = Slot(s, i);
    if (i == b || !slot.Paired()) continue;
    Polar r = s.storedPolar.Get(i, b);
    r.distance = std::min(r.distance, kAlignDistanceCap);
    const Tolerance tol = ToleranceFor(r.distance);
    for (int p = 0; p < slot.count; ++p) {
      CandidatePair& pair = slot.pairs[static_cast<std::size_t>(p)];
      const int j = pair.partner;
      if (pair.value < s.params[13] || j == jb) {
        pair.value = 0;
        continue;
      }
      const int turn = std::abs(WrapDirection(Turn(s.stored, b, i) - Turn(s.probe, jb, j)));
      const Polar q = s.probePolar.Get(j, jb);
      if (turn > s.params[20] || std::abs(WrapDirection(r.angle - q.angle)) > tol.angle ||
          std::abs(r.distance - q.distance) > tol.distance)
        pair.value = 0;
    }
  }
}

void OrderCandidatePairs(MatchState& s) {
  for (int i = 0; i < s.stored.count; ++i) {
    PairSlot& slot = Slot(s, i);
    const auto sum = [&](int p) {
      const CandidatePair& c = slot.pairs[static_cast<std::size_t>(p)];
      return c.value + c.secondValue;
    };
    for (int front = 0; front + 1 < slot.count; ++front) {
      int top = front;
      for (int p = front + 1; p < slot.count; ++p)
        if (sum(p) > sum(top)) top = p;
      std::swap(slot.pairs[static_cast<std::size_t>(front)], slot.pairs[static_cast<std::size_t>(top)]);
    }
    int leading = 0;
    while (leading < slot.count && slot.pairs[static_cast<std::size_t>(leading)].value >= s.params[13]) ++leading;
    slot.count = static_cast<std::uint8_t>(leading);
  }
}

void RemoveSharedPartners(MatchState& s) {
  const int n = s.stored.count;
  for (int round = 0; round < kSharedPartnerRounds; ++round) {
    bool conflict = false;
    for (int a = 0; a < n; ++a) {
      for (int b = a + 1; b < n && Slot(s, a).Paired(); ++b) {
        PairSlot& sa = Slot(s, a);
        PairSlot& sb = Slot(s, b);
        if (!sb.Paired() || sa.Current().partner != sb.Current().partner) continue;
        conflict = true;
        if (sa.Current().value < sb.Current().value)
          sa.DropFirst();
        else
          sb.DropFirst();
      }
    }
    if (!conflict) break;
  }
}

void KeepBestCandidates(MatchState& s) {
  for (int i = 0; i < s.stored.count; ++i)
    if (Slot(s, i).Paired()) Slot(s, i).count = 1;
  ScoreGlobalSupport(s);
  SwapPairValues(s);
}

void ScoreGlobalSupport(MatchState& s) {
  const int n = s.stored.count;
  std::array<int, kMaxMinutiae> ownSum{}, ownCount{}, receivedSum{}, receivedCount{};
  for (int i = 0; i < n; ++i) {
    if (!Slot(s, i).Paired()) continue;
    const int j = Slot(s, i).Current().partner;
    const References refs = NearestReferences(s, i, j);
    for (int r = 0; r < refs.count; ++r) {
      const int k = refs.slot[static_cast<std::size_t>(r)];
      const Agreement g = Compare(s, k, i, Slot(s, k).Current().partner, j);
      if (g.direction > 12) continue;
      const int angleLimit = g.length < 31 ? 10 : (g.length < 51 ? 9 : 8);
      if (g.distance > std::min(ToleranceAt(g.length + 7), 35) || g.angle > angleLimit) continue;
      const int w = g.Weight();
      if (w == 0) continue;
      ownSum[static_cast<std::size_t>(i)] += w;
      ++ownCount[static_cast<std::size_t>(i)];
      receivedSum[static_cast<std::size_t>(k)] += w;
      ++receivedCount[static_cast<std::size_t>(k)];
    }
  }
  for (int i = 0; i < n; ++i) {
    PairSlot& slot = Slot(s, i);
    if (!slot.Paired()) continue;
    const auto u = static_cast<std::size_t>(i);
    const int e = std::max(ownSum[u], receivedSum[u]);
    const int f = std::max(receivedCount[u], ownCount[u]);
    if (f < 3 || e < s.params[14]) {
      Unpair(slot);
      continue;
    }
    CandidatePair& pair = slot.Current();
    pair.secondValue = e;
    pair.supportCount = static_cast<std::uint8_t>(std::min(f, 255));
    const int g = static_cast<int>(std::floor(e * 0.8325 + 0.5));
    if (g < s.params[24]) {
      Unpair(slot);
      continue;
    }
    pair.supportPercentage = std::min(g, 100);
    const int h = Percentage(f, 4);
    if (h < s.params[25]) {
      Unpair(slot);
      continue;
    }
    pair.supportCountPercentage = static_cast<std::uint8_t>(std::min(h, 100));
  }
}

void FilterInconsistentPairs(MatchState& s) {
  const int n = s.stored.count;
  for (int i = 0; i < n; ++i) {
    for (int k = i + 1; k < n && Slot(s, i).Paired(); ++k) {
      PairSlot& si = Slot(s, i);
      PairSlot& sk = Slot(s, k);
      if (!sk.Paired()) continue;
      const int i2 = si.Current().partner, k2 = sk.Current().partner;
      if (i2 == k2) continue;
      const int delta = Distance(s.stored, i, k);
      const int f = delta < 21 ? 11 : (delta < 31 ? 10 : 9);
      bool consistent = false;
      if (std::abs(WrapDirection(Turn(s.stored, i, k) - Turn(s.probe, i2, k2))) < 13) {
        const Polar a = s.storedPolar.Get(k, i);
        const Polar b = s.probePolar.Get(k2, i2);
        const int lengthTolerance = std::min(ToleranceAt(std::max(a.distance, b.distance) + 5), 45);
        if (std::abs(WrapDirection(a.angle - b.angle)) <= f && std::abs(a.distance - b.distance) <= lengthTolerance) {
          consistent = true;
        } else {
          const Polar c = s.storedPolar.Get(i, k);
          const Polar d = s.probePolar.Get(i2, k2);
          consistent = std::abs(WrapDirection(c.angle - d.angle)) <= f;
        }
      }
      if (consistent) continue;
      if (si.Current().value >= sk.Current().value) {
        Unpair(sk);
      } else {
        Unpair(si);
        break;
      }
    }
  }
}

int EvaluatePairSupport(MatchState& s, int c, int c2) {
  const References refs = NearestReferences(s, c, c2);
  if (refs.count == 0 || refs.distance[0] >= 51) return 0;
  int sum = 0, agreeing = 0;
  for (int r = 0; r < refs.count; ++r) {
    const int k = refs.slot[static_cast<std::size_t>(r)];
    const Agreement g = Compare(s, k, c, Slot(s, k).Current().partner, c2);
    const int angleLimit = g.length < 31 ? 9 : 8;
    const bool agrees = g.direction < 11 && g.distance <= std::min(ToleranceAt(g.length), 30) &&
                        g.angle <= angleLimit && g.Weight() > 0;
    if (!agrees) {
      if (r == 0) return 0;
      continue;
    }
    sum += g.Weight();
    ++agreeing;
  }
  if (agreeing < 3) return 0;
  const int g = (sum * 333 / 4 + 50) / 100;
  const int h = Percentage(agreeing, 4);
  if (g < s.params[24] || h < s.params[25]) return 0;
  CandidatePair& pair = Slot(s, c).pairs[0];
  pair.supportCount = static_cast<std::uint8_t>(agreeing);
  pair.secondValue = sum;
  pair.supportPercentage = std::min(g, 100);
  pair.supportCountPercentage = static_cast<std::uint8_t>(std::min(h, 100));
  return sum;
}

namespace {

// Whether probe minutia c2 may be taken: free, or held by a slot that
// propagation added with a value not above d (that slot then lets it go).
bool ReleasePartner(MatchState& s, int c2, int d) {
  for (int h = 0; h < s.stored.count; ++h) {
    PairSlot& slot = Slot(s, h);
    if (!slot.Paired() || slot.Current().partner != c2) continue;
    if (slot.state != kEvaluated || slot.Current().value > d) return false;
    Unpair(slot);
    slot.state = kNotEvaluated;
    return true;
  }
  return true;
}

bool IsNeighbourOf(const MatchTemplate& t, int m, int candidate, int neighbours) {
  for (int a = 0; a < neighbours; ++a) {
    const NeighbourEntry& e = At(t, m).neighbours[static_cast<std::size_t>(a)];
    if (e.index != kNoNeighbour && e.index == candidate) return true;
  }
  return false;
}

void PairByPropagation(MatchState& s, int c, int c2, int value) {
  const int neighbours = std::min(s.params[26], kMatchNeighbours);
  PairSlot& slot = Slot(s, c);
  CandidatePair& pair = slot.pairs[0];
  pair.directionDifference = WrapDirection(At(s.stored, c).direction - At(s.probe, c2).direction);
  pair.dx = At(s.stored, c).x - At(s.probe, c2).x;
  pair.dy = At(s.stored, c).y - At(s.probe, c2).y;
  pair.value = value;
  pair.partner = static_cast<std::uint8_t>(c2);
  pair.mirror = 0;
  pair.neighbourSimilarity.fill(0);
  pair.neighbourPartner.fill(0);
  for (int a = 0; a < neighbours; ++a) {
    const NeighbourEntry& e = At(s.stored, c).neighbours[static_cast<std::size_t>(a)];
    if (e.index == kNoNeighbour || e.index >= s.stored.count) continue;
    const PairSlot& other = Slot(s, e.index);
    if (!other.Paired() || !IsNeighbourOf(s.probe, c2, other.Current().partner, neighbours)) continue;
    pair.neighbourPartner[static_cast<std::size_t>(a)] = other.Current().partner;
    pair.neighbourSimilarity[static_cast<std::size_t>(a)] = value;
  }
  slot.count = 1;
  slot.state = kEvaluated;
}

}  // namespace

void PropagatePairs(MatchState& s) {
  const int n = s.stored.count;
  const int neighbours = std::min(s.params[26], kMatchNeighbours);
  for (int round = 0; round < kPropagationRounds; ++round) {
    bool added = false;
    for (int i = 0; i < n; ++i) {
      for (int a = 0; a < neighbours && Slot(s, i).Paired(); ++a) {
        const NeighbourEntry& e = At(s.stored, i).neighbours[static_cast<std::size_t>(a)];
        if (e.index == kNoNeighbour || e.index >= n) continue;
        CandidatePair& own = Slot(s, i).Current();
        const int d = own.neighbourSimilarity[static_cast<std::size_t>(a)];
        if (d <= 0) continue;
        const int c = e.index;
        const int c2 = own.neighbourPartner[static_cast<std::size_t>(a)];
        PairSlot& sc = Slot(s, c);
        if (sc.Paired()) {
          if (sc.Current().partner != c2)
            own.neighbourSimilarity[static_cast<std::size_t>(a)] = 1;
          else if (sc.Current().value < d)
            sc.Current().value = d;
          continue;
        }
        if (sc.state == kEvaluatedTwice || !ReleasePartner(s, c2, d)) continue;
        const int support = EvaluatePairSupport(s, c, c2);
        if (support > 0) {
          PairByPropagation(s, c, c2, support);
          added = true;
        } else {
          sc.state = sc.state == kEvaluated ? kEvaluatedTwice : kEvaluated;
        }
      }
    }
    if (!added) break;
  }
}

void DropWeakPairs(MatchState& s, int threshold) {
  const int n = s.stored.count;
  for (int round = 0; round < kDropRounds; ++round) {
    bool changed = false;
    for (int i = 0; i < n; ++i) {
      PairSlot& si = Slot(s, i);
      if (!si.Paired()) continue;
      if (si.Current().value < threshold) {
        Unpair(si);
        continue;
      }
      for (int o = 0; o < n; ++o) {
        PairSlot& so = Slot(s, o);
        if (o == i || !so.Paired() || so.Current().partner != si.Current().partner) continue;
        if (si.Current().value < so.Current().value) {
          si.Current().value = 1;
          changed = true;
          break;
        }
        so.Current().value = 1;
      }
    }
    if (!changed) break;
  }
}

int CountMatchedPairs(MatchState& s) {
  const int n = s.stored.count;
  const int neighbours = std::min(s.params[26], kMatchNeighbours);
  const auto pairedNeighbour = [&](int m, int a) {
    const NeighbourEntry& e = At(s.stored, m).neighbours[static_cast<std::size_t>(a)];
    if (e.index == kNoNeighbour || e.index >= n || !Slot(s, e.index).Paired()) return -1;
    return static_cast<int>(e.index);
  };
  int kept = 0;
  for (int k = 0; k < n; ++k) {
    if (!Slot(s, k).Paired()) continue;
    int count = 0;
    for (int a = 0; a < neighbours && count < 3; ++a) {
      const int b = pairedNeighbour(k, a);
      if (b < 0 || b == k) continue;
      ++count;
      for (int a2 = 0; a2 < neighbours && count < 3; ++a2) {
        const int c = pairedNeighbour(b, a2);
        if (c < 0 || c == k || c == b) continue;
        ++count;
        for (int a3 = 0; a3 < neighbours && count < 3; ++a3) {
          const int e = pairedNeighbour(c, a3);
          if (e < 0 || e == k || e == b || e == c) continue;
          ++count;
        }
      }
    }
    if (count >= 3)
      ++kept;
    else
      Unpair(Slot(s, k));
  }
  return kept;
}

}  // namespace huellix
