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

#include "fingerprint/match_pairing.h"

namespace huellix {

// The vector from minutia `from` to minutia `to` of a template, against the
// direction of `to`, as VectorToPolar gives it: angle 0..127 and distance.
struct Polar {
  int angle;
  int distance;
};

// The polar forms of one template's vectors, each worked out the first time a
// stage asks for it and kept for the rest of the comparison: the stages ask
// for a part of them, many of those again and again. FillAmong works out every
// vector between the minutiae of a set at once, four at a time and each
// vector with its reverse; Fill does so for all minutiae, for a probe that is
// compared with many templates.
class PolarCache {
 public:
  void Reset(const MatchTemplate& t);
  void Fill(const MatchTemplate& t);
  void FillAmong(const std::uint8_t* minutiae, int count);
  bool Complete() const { return complete_; }
  void CopyFrom(const PolarCache& other) {
    count_ = other.count_;
    complete_ = other.complete_;
    x_ = other.x_;
    y_ = other.y_;
    direction_ = other.direction_;
    std::copy_n(other.entries_.begin(), count_ * count_, entries_.begin());
  }
  Polar Get(int from, int to) {
    std::uint32_t& e = entries_[Index(from, to)];
    if (e == kUnknown) [[unlikely]]
      e = Pack(Compute(from, to));
    return Unpack(e);
  }
  // The vectors that end at minutia `to`, indexed by where they start; only
  // those already worked out may be read.
  const std::uint32_t* Column(int to) const { return &entries_[Index(0, to)]; }
  static Polar Unpack(std::uint32_t e) { return {static_cast<int>(e >> 16), static_cast<int>(e & 0xFFFF)}; }

 private:
  static constexpr std::uint32_t kUnknown = ~std::uint32_t{0};
  static std::uint32_t Pack(Polar p) {
    return static_cast<std::uint32_t>(p.angle) << 16 | static_cast<std::uint32_t>(p.distance);
  }
  std::size_t Index(int from, int to) const { return static_cast<std::size_t>(to * count_ + from); }
  Polar Compute(int from, int to) const {
    const auto f = static_cast<std::size_t>(from), t = static_cast<std::size_t>(to);
    const int x = x_[t] - x_[f], y = y_[t] - y_[f];
    // A minutia's direction is always 0..127, which VectorToPolar would first
    // make sure of; the angle then needs one step at most.
    return {(MatchDirection(x, y) - direction_[t]) & (kDirections - 1), MatchDistance(x, y)};
  }
  // A template never holds more minutiae than fit in its 400 bytes.
  static constexpr int kSide = kWordsInTemplate;
  int count_ = 0;
  bool complete_ = false;
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
