// The consistency stages that thin the pair table after pairing, in the order
// the matcher runs them: neighbour support with alignment to the best pair,
// ordering and cut, shared partners, global support, geometric consistency,
// propagation along the neighbour lists, weak pairs, and the final count of
// pairs that have paired neighbours around them.
//
// Every stage reads the two parsed templates and rewrites the pair table; each
// iterative stage has a fixed round limit.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "fingerprint/match_pairing.h"

namespace huellix {

// The vector from minutia `from` to minutia `to` of a template, against the
// direction of `to`, as VectorToPolar gives it: angle 0..127 and distance. The
// stages ask for a small, scattered share of all such vectors, so each is
// worked out where it is needed rather than tabled per template.
struct Polar {
  int angle;
  int distance;
};
Polar PolarOf(const MatchTemplate& t, int from, int to);

namespace detail {
// The distance and arctangent lookups of a vector merged into one read, and
// the scaling of long vectors into the tables (a division) read from tables
// too: a comparison works out thousands of vectors.
inline constexpr int kScaledSpan = 1024;  // beyond any coordinate difference in a template
struct PolarLookup {
  std::array<std::uint8_t, kScaledSpan> scale;                  // max(|dx|, |dy|) / 150 + 1
  std::array<std::array<std::uint8_t, kScaledSpan>, 8> scaled;  // |d| / scale
  std::array<std::uint16_t, kTableSide * kTableSide> entry;     // distance | arctangent << 8
};
const PolarLookup& Lookup();

// (x, y) against direction theta (0..127) in polar form, as VectorToPolar.
inline Polar PolarOfVector(const PolarLookup& l, int x, int y, int theta) {
  const int a = std::abs(x), b = std::abs(y);
  const int m = std::max(a, b);
  if (m >= kScaledSpan) [[unlikely]]
    return {(MatchDirection(x, y) - theta) & (kDirections - 1), MatchDistance(x, y)};
  const int sc = l.scale[static_cast<std::size_t>(m)];
  const auto& q = l.scaled[static_cast<std::size_t>(sc)];
  const int e = l.entry[static_cast<std::size_t>(q[static_cast<std::size_t>(a)] * kTableSide + q[static_cast<std::size_t>(b)])];
  int t = e >> 8;
  if (x < 0) t = kHalfCircle - t;
  if (y < 0) t = kDirections - t;
  // t is 0..128 and theta 0..127: the difference wraps into 0..127 in one step.
  return {(t - theta) & (kDirections - 1), (e & 0xFF) * sc};
}
}  // namespace detail

// The polar forms of one template's vectors, each worked out the first time a
// stage asks for it and kept for the rest of the comparison: the stages ask
// for a scattered part of them, many of those again and again. Fill works
// them all out at once, for a probe that is compared with many templates.
class PolarCache {
 public:
  void Reset(const MatchTemplate& t);
  void Fill(const MatchTemplate& t);
  void CopyFrom(const PolarCache& other) {
    lookup_ = other.lookup_;
    count_ = other.count_;
    x_ = other.x_;
    y_ = other.y_;
    direction_ = other.direction_;
    std::copy_n(other.entries_.begin(), count_ * count_, entries_.begin());
  }
  Polar Get(int from, int to) {
    std::uint32_t& e = entries_[static_cast<std::size_t>(from * count_ + to)];
    if (e == kUnknown) [[unlikely]]
      e = Pack(Compute(from, to));
    return {static_cast<int>(e >> 16), static_cast<int>(e & 0xFFFF)};
  }

 private:
  static constexpr std::uint32_t kUnknown = ~std::uint32_t{0};
  static std::uint32_t Pack(Polar p) {
    return static_cast<std::uint32_t>(p.angle) << 16 | static_cast<std::uint32_t>(p.distance);
  }
  Polar Compute(int from, int to) const {
    const auto f = static_cast<std::size_t>(from), t = static_cast<std::size_t>(to);
    return detail::PolarOfVector(*lookup_, x_[t] - x_[f], y_[t] - y_[f], direction_[t]);
  }
  // A template never holds more minutiae than fit in its 400 bytes.
  static constexpr int kSide = kWordsInTemplate;
  const detail::PolarLookup* lookup_ = nullptr;
  int count_ = 0;
  std::array<std::int32_t, kSide> x_, y_, direction_;
  std::array<std::uint32_t, kSide * kSide> entries_;
};

// The two templates and the pair table of one comparison, with the polar
// forms of each template's vectors met so far.
struct MatchState {
  const MatchTemplate& stored;
  const MatchTemplate& probe;
  const MatcherParams& params;
  PairTable& pairs;
  PolarCache& storedPolar;
  PolarCache& probePolar;
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
