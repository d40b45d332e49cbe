#include "fingerprint/match_stages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Distance of stored minutiae a and b: the length of the vector from b to a,
// which the stored template's cache keeps.
int Distance(MatchState& s, int a, int b) { return s.storedPolar.Get(b, a).distance; }

// Position tolerance at a distance, capped at 30, and the angle it subtends
// (at least 3). The stages ask for it for every pair of pairs, so it is kept
// by distance.
struct Tolerance {
  int distance;
  int angle;
};
constexpr int kToleranceDistances = 2048;  // beyond any distance of two minutiae
using ToleranceTable = std::array<Tolerance, kToleranceDistances>;
const ToleranceTable& Tolerances() {
  static const ToleranceTable table = [] {
    ToleranceTable t{};
    for (int d = 0; d < kToleranceDistances; ++d) {
      const int position = std::min(ToleranceAt(d), 30);
      t[static_cast<std::size_t>(d)] = {position, std::max(ArctanAt(d, position), 3)};
    }
    return t;
  }();
  return table;
}

// The same, folded with the bounds of the weights: the largest deviations that
// pass the tolerances and still weigh something.
struct Limit {
  std::int16_t angle;
  std::int16_t distance;
};
using LimitTable = std::array<Limit, kToleranceDistances>;
const LimitTable& Limits() {
  static const LimitTable table = [] {
    LimitTable t{};
    for (int d = 0; d < kToleranceDistances; ++d) {
      const Tolerance tol = Tolerances()[static_cast<std::size_t>(d)];
      t[static_cast<std::size_t>(d)] = {static_cast<std::int16_t>(std::min(tol.angle, kAngleWeightBound - 1)),
                                        static_cast<std::int16_t>(std::min(tol.distance, kDistanceWeightBound - 1))};
    }
    return t;
  }();
  return table;
}

Tolerance ToleranceFor(int distance) {
  return Tolerances()[static_cast<std::size_t>(std::clamp(distance, 0, kToleranceDistances - 1))];
}

// The size of a direction difference, as abs(WrapDirection(d)), by d mod 128.
constexpr auto kDeviation = [] {
  std::array<std::uint8_t, kDirections> t{};
  for (int r = 0; r < kDirections; ++r) t[static_cast<std::size_t>(r)] = static_cast<std::uint8_t>(r <= kHalfCircle ? r : kDirections - r);
  return t;
}();

// The slots paired now, in order, for stages that only ever take pairs away:
// a slot left off needs no look, and those on it are checked again where the
// plain walk over all slots would check them.
struct PairedSlots {
  std::array<std::uint8_t, kMaxMinutiae> slot;
  int count = 0;
  explicit PairedSlots(MatchState& s) {
    for (int i = 0; i < s.stored.count; ++i)
      if (s.pairs[static_cast<std::size_t>(i)].Paired()) slot[static_cast<std::size_t>(count++)] = static_cast<std::uint8_t>(i);
  }
  int operator[](int k) const { return slot[static_cast<std::size_t>(k)]; }
};

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
    if (k == i || !slot.Paired() || slot.Current().value < s.params.leastSimilarity ||
        slot.Current().partner == excluded)
      continue;
    const int d = Distance(s, i, k);
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

void PolarCache::Reset(const MatchTemplate& t) {
  count_ = t.count;
  complete_ = false;
  for (int i = 0; i < count_; ++i) {
    const auto u = static_cast<std::size_t>(i);
    x_[u] = At(t, i).x;
    y_[u] = At(t, i).y;
    direction_[u] = At(t, i).direction;
  }
  std::fill_n(entries_.begin(), count_ * count_, kUnknown);
}

void PolarCache::FillAmong(const std::uint8_t* minutiae, int count) {
#if defined(__SSE2__)
  constexpr int kLanes = 4;
  // The set's positions and directions side by side, padded to whole blocks.
  alignas(16) std::array<std::int32_t, kSide + kLanes> setX{}, setY{}, setDirection{}, setIndex{};
  for (int m = 0; m < count; ++m) {
    const auto u = static_cast<std::size_t>(m), i = static_cast<std::size_t>(minutiae[m]);
    setX[u] = x_[i];
    setY[u] = y_[i];
    setDirection[u] = direction_[i];
    setIndex[u] = minutiae[m];
  }
  const std::uint8_t* arctan = &ArctanTable()[0][0];
  const __m128 half = _mm_set1_ps(0.5f), one = _mm_set1_ps(1.0f);
  const __m128 inverseSide = _mm_set1_ps(1.0f / kTableSide), side = _mm_set1_ps(kTableSide);
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  const __m128i zero = _mm_setzero_si128(), halfCircle = _mm_set1_epi32(kHalfCircle);
  const __m128i circle = _mm_set1_epi32(kDirections), angleMask = _mm_set1_epi32(kDirections - 1);
  const auto select = [](__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
  };
  alignas(16) std::array<std::int32_t, kLanes> cells, into, back;
  for (int m = 0; m < count; ++m) {
    const auto u = static_cast<std::size_t>(m);
    const int to = setIndex[u];
    const __m128i toX = _mm_set1_epi32(setX[u]), toY = _mm_set1_epi32(setY[u]);
    const __m128i toDirection = _mm_set1_epi32(setDirection[u]);
    // Each block holds minutiae m.. of the set: the vectors from them to `to`
    // and back, m to itself included.
    for (int block = m; block < count; block += kLanes) {
      const auto b = static_cast<std::size_t>(block);
      const __m128i x = _mm_sub_epi32(toX, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&setX[b])));
      const __m128i y = _mm_sub_epi32(toY, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&setY[b])));
      const __m128 a = _mm_and_ps(_mm_cvtepi32_ps(x), magnitude), c = _mm_and_ps(_mm_cvtepi32_ps(y), magnitude);
      // The tables' scale and the scaled lengths, as MatchDistance and
      // MatchDirection divide them. Each true quotient of (n + 1/2) lies at
      // least 1/300 (scale) or 1/14 (lengths) from a whole number, far beyond
      // a float's rounding here, so truncating gives the integer quotient.
      const __m128 scale = _mm_add_ps(
          _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(_mm_max_ps(a, c), half), inverseSide))), one);
      const __m128 inverse = _mm_div_ps(one, scale);
      const __m128 sa = _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(a, half), inverse)));
      const __m128 sc = _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(c, half), inverse)));
      // The distance table holds sqrt(a^2 + b^2) rounded; no such root lies
      // within 1/1000 of a half, far beyond a float's error here.
      const __m128 root = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(sa, sa), _mm_mul_ps(sc, sc)));
      const __m128i distance =
          _mm_cvttps_epi32(_mm_mul_ps(scale, _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_add_ps(root, half)))));
      _mm_store_si128(reinterpret_cast<__m128i*>(cells.data()), _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(sa, side), sc)));
      const __m128i quarter = _mm_set_epi32(arctan[cells[3]], arctan[cells[2]], arctan[cells[1]], arctan[cells[0]]);
      // MatchDirection's sign steps, for the vector and for its reverse.
      const __m128i xBelow = _mm_cmplt_epi32(x, zero), yBelow = _mm_cmplt_epi32(y, zero);
      const __m128i xAbove = _mm_cmpgt_epi32(x, zero), yAbove = _mm_cmpgt_epi32(y, zero);
      __m128i forward = select(xBelow, _mm_sub_epi32(halfCircle, quarter), quarter);
      forward = select(yBelow, _mm_sub_epi32(circle, forward), forward);
      __m128i backward = select(xAbove, _mm_sub_epi32(halfCircle, quarter), quarter);
      backward = select(yAbove, _mm_sub_epi32(circle, backward), backward);
      const __m128i fromDirection = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&setDirection[b]));
      const auto pack = [&](__m128i angle) {
        return _mm_or_si128(_mm_slli_epi32(_mm_and_si128(angle, angleMask), 16), distance);
      };
      _mm_store_si128(reinterpret_cast<__m128i*>(into.data()), pack(_mm_sub_epi32(forward, toDirection)));
      _mm_store_si128(reinterpret_cast<__m128i*>(back.data()), pack(_mm_sub_epi32(backward, fromDirection)));
      const int lanes = std::min(kLanes, count - block);
      for (int k = 0; k < lanes; ++k) {
        const int from = setIndex[b + static_cast<std::size_t>(k)];
        entries_[Index(from, to)] = static_cast<std::uint32_t>(into[static_cast<std::size_t>(k)]);
        entries_[Index(to, from)] = static_cast<std::uint32_t>(back[static_cast<std::size_t>(k)]);
      }
    }
  }
#else
  for (int m = 0; m < count; ++m)
    for (int k = 0; k < count; ++k) entries_[Index(minutiae[k], minutiae[m])] = Pack(Compute(minutiae[k], minutiae[m]));
#endif
}

void PolarCache::Fill(const MatchTemplate& t) {
  Reset(t);
  std::array<std::uint8_t, kSide> all;
  for (int i = 0; i < count_; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  FillAmong(all.data(), count_);
  complete_ = true;
}

BestPair ScoreNeighbourSupport(MatchState& s) {
  const int n = s.stored.count;
  const int threshold = s.params.leastSimilarity;
  for (int i = 0; i < n; ++i)
    for (auto& pair : Slot(s, i).pairs) {
      pair.supportCount = 0;
      pair.secondValue = 0;
    }
  // A pair's direction test against a supporter compares the turns the two
  // pairs imply, (stored direction - partner's direction) of each, so the
  // supporters are filed by that turn: a pair then only looks at the turns
  // within 8 of its own, one or two runs of the file. A best agreement per
  // slot is a maximum and the sums add up, so the order in which supporters
  // are met does not matter. Slots with supporters are numbered as groups.
  constexpr std::uint8_t kNoGroup = 0xFF;
  constexpr int kMaxSupporters = kMaxMinutiae * kPairsPerSlot;
  std::array<std::uint8_t, kMaxSupporters> supporterGroup, supporterSlot, supporterPartner, supporterTurn;
  std::array<std::uint8_t, kMaxMinutiae> groupOf, groupSlot;
  std::array<std::uint16_t, kDirections + 1> turnStart{};
  const auto turnOf = [&](int i, int j) {
    return (At(s.stored, i).direction - At(s.probe, j).direction) & (kDirections - 1);
  };
  int groupCount = 0;
  for (int k = 0; k < n; ++k) {
    const PairSlot& sk = Slot(s, k);
    groupOf[static_cast<std::size_t>(k)] = kNoGroup;
    for (int pk = 0; pk < sk.count; ++pk) {
      const CandidatePair& other = sk.pairs[static_cast<std::size_t>(pk)];
      if (other.value < threshold) continue;
      ++turnStart[static_cast<std::size_t>(turnOf(k, other.partner) + 1)];
      if (groupOf[static_cast<std::size_t>(k)] == kNoGroup) {
        groupOf[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(groupCount);
        groupSlot[static_cast<std::size_t>(groupCount++)] = static_cast<std::uint8_t>(k);
      }
    }
  }
  for (int t = 0; t < kDirections; ++t)
    turnStart[static_cast<std::size_t>(t + 1)] += turnStart[static_cast<std::size_t>(t)];
  // Every vector read below runs between two slots with supporters, or two
  // of their partners.
  s.storedPolar.FillAmong(groupSlot.data(), groupCount);
  if (!s.probePolar.Complete()) {
    std::array<bool, kMaxMinutiae> taken{};
    std::array<std::uint8_t, kMaxMinutiae> partners;
    int partnerCount = 0;
    for (int k = 0; k < n; ++k) {
      const PairSlot& sk = Slot(s, k);
      for (int pk = 0; pk < sk.count; ++pk) {
        const CandidatePair& other = sk.pairs[static_cast<std::size_t>(pk)];
        if (other.value < threshold || taken[other.partner]) continue;
        taken[other.partner] = true;
        partners[static_cast<std::size_t>(partnerCount++)] = other.partner;
      }
    }
    s.probePolar.FillAmong(partners.data(), partnerCount);
  }
  {
    std::array<std::uint16_t, kDirections> next;
    std::copy(turnStart.begin(), turnStart.end() - 1, next.begin());
    for (int k = 0; k < n; ++k) {
      const PairSlot& sk = Slot(s, k);
      for (int pk = 0; pk < sk.count; ++pk) {
        const CandidatePair& other = sk.pairs[static_cast<std::size_t>(pk)];
        if (other.value < threshold) continue;
        const int turn = turnOf(k, other.partner);
        const std::size_t e = next[static_cast<std::size_t>(turn)]++;
        supporterGroup[e] = groupOf[static_cast<std::size_t>(k)];
        supporterSlot[e] = static_cast<std::uint8_t>(k);
        supporterPartner[e] = other.partner;
        supporterTurn[e] = static_cast<std::uint8_t>(turn);
      }
    }
  }
  // For each distance, the largest deviations that both pass the tolerances
  // and still weigh something (weights end at 14 and 30).
  const LimitTable& limits = Limits();
  // Each group's best agreement with the current pair.
  std::array<std::int32_t, kMaxMinutiae> bestAgreement{};
  // Angle weights for every deviation, none beyond the bound.
  std::array<std::int32_t, kHalfCircle + 1> angleWeight{};
  std::copy(AngleWeight().begin(), AngleWeight().end(), angleWeight.begin());
  const auto& distanceWeight = DistanceWeight();
  BestPair best;
  int bestSum = -1;
  for (int i = 0; i < n; ++i) {
    PairSlot& si = Slot(s, i);
    const std::uint32_t* storedColumn = s.storedPolar.Column(i);
    for (int pi = 0; pi < si.count; ++pi) {
      CandidatePair& pair = si.pairs[static_cast<std::size_t>(pi)];
      if (pair.value >= threshold) {
        const int j = pair.partner;
        const std::uint32_t* probeColumn = s.probePolar.Column(j);
        const int turn = turnOf(i, j);
        const auto weigh = [&](int from, int to) {
          for (int e = from; e < to; ++e) {
            const auto u = static_cast<std::size_t>(e);
            const auto g = static_cast<std::size_t>(supporterGroup[u]);
            const int k = supporterSlot[u], p = supporterPartner[u];
            const Polar a = PolarCache::Unpack(storedColumn[k]);
            const Polar b = PolarCache::Unpack(probeColumn[p]);
            const Limit limit = limits[static_cast<std::size_t>(std::min(a.distance, kToleranceDistances - 1))];
            const int direction = kDeviation[static_cast<std::size_t>((turn - supporterTurn[u]) & (kDirections - 1))];
            const int angle = kDeviation[static_cast<std::size_t>((a.angle - b.angle) & (kDirections - 1))];
            const int distance = std::abs(a.distance - b.distance);
            // The table reads stay inside and the weight is masked instead of
            // branched on; a slot lends itself no support.
            const int agrees = (k != i) & (p != j) & (angle <= limit.angle) & (distance <= limit.distance);
            const int w = angleWeight[static_cast<std::size_t>(angle)] +
                          distanceWeight[static_cast<std::size_t>(std::min(distance, kDistanceWeightBound - 1))] +
                          angleWeight[static_cast<std::size_t>(direction)];
            bestAgreement[g] = std::max(bestAgreement[g], w & -agrees);
          }
        };
        const int low = turn - 8, high = turn + 8;
        const auto start = [&](int t) { return static_cast<int>(turnStart[static_cast<std::size_t>(t)]); };
        if (low < 0) {
          weigh(start(low + kDirections), start(kDirections));
          weigh(start(0), start(high + 1));
        } else if (high >= kDirections) {
          weigh(start(low), start(kDirections));
          weigh(start(0), start(high + 1 - kDirections));
        } else {
          weigh(start(low), start(high + 1));
        }
        int count = 0, sum = 0;
        for (int g = 0; g < groupCount; ++g) {
          const int a = bestAgreement[static_cast<std::size_t>(g)];
          count += a > 0;
          sum += a;
          bestAgreement[static_cast<std::size_t>(g)] = 0;
        }
        pair.supportCount = static_cast<std::uint8_t>(count);
        pair.secondValue = sum;
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
      if (pair.value < s.params.leastSimilarity || j == jb) {
        pair.value = 0;
        continue;
      }
      const int turn = std::abs(WrapDirection(Turn(s.stored, b, i) - Turn(s.probe, jb, j)));
      const Polar q = s.probePolar.Get(j, jb);
      if (turn > s.params.alignTurnTolerance || std::abs(WrapDirection(r.angle - q.angle)) > tol.angle ||
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
    while (leading < slot.count &&
           slot.pairs[static_cast<std::size_t>(leading)].value >= s.params.leastSimilarity)
      ++leading;
    slot.count = static_cast<std::uint8_t>(leading);
  }
}

void RemoveSharedPartners(MatchState& s) {
  for (int round = 0; round < kSharedPartnerRounds; ++round) {
    bool conflict = false;
    const PairedSlots paired(s);
    for (int pa = 0; pa < paired.count; ++pa) {
      PairSlot& sa = Slot(s, paired[pa]);
      for (int pb = pa + 1; pb < paired.count && sa.Paired(); ++pb) {
        PairSlot& sb = Slot(s, paired[pb]);
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
    if (f < 3 || e < s.params.leastSupport) {
      Unpair(slot);
      continue;
    }
    CandidatePair& pair = slot.Current();
    pair.secondValue = e;
    pair.supportCount = static_cast<std::uint8_t>(std::min(f, 255));
    const int g = static_cast<int>(std::floor(e * 0.8325 + 0.5));
    if (g < s.params.leastSupportPercentage) {
      Unpair(slot);
      continue;
    }
    pair.supportPercentage = std::min(g, 100);
    const int h = Percentage(f, 4);
    if (h < s.params.leastSupportCountPercentage) {
      Unpair(slot);
      continue;
    }
    pair.supportCountPercentage = static_cast<std::uint8_t>(std::min(h, 100));
  }
}

void FilterInconsistentPairs(MatchState& s) {
  const PairedSlots paired(s);
  for (int pi = 0; pi < paired.count; ++pi) {
    const int i = paired[pi];
    for (int pk = pi + 1; pk < paired.count && Slot(s, i).Paired(); ++pk) {
      const int k = paired[pk];
      PairSlot& si = Slot(s, i);
      PairSlot& sk = Slot(s, k);
      if (!sk.Paired()) continue;
      const int i2 = si.Current().partner, k2 = sk.Current().partner;
      if (i2 == k2) continue;
      const int delta = Distance(s, i, k);
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
  if (g < s.params.leastSupportPercentage || h < s.params.leastSupportCountPercentage) return 0;
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
  const int neighbours = std::min(s.params.comparedNeighbours, kMatchNeighbours);
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
  const int neighbours = std::min(s.params.comparedNeighbours, kMatchNeighbours);
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
  for (int round = 0; round < kDropRounds; ++round) {
    bool changed = false;
    const PairedSlots paired(s);
    for (int pi = 0; pi < paired.count; ++pi) {
      const int i = paired[pi];
      PairSlot& si = Slot(s, i);
      if (!si.Paired()) continue;
      if (si.Current().value < threshold) {
        Unpair(si);
        continue;
      }
      for (int po = 0; po < paired.count; ++po) {
        const int o = paired[po];
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
  const int neighbours = std::min(s.params.comparedNeighbours, kMatchNeighbours);
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
