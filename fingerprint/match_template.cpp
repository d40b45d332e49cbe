#include "fingerprint/match_template.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "fingerprint/match_lanes.h"
#include "fingerprint/match_tables.h"

namespace huellix {

int ParseMatchTemplate(std::span<const std::uint8_t, kTemplateSize> b, MatchTemplate& t) {
  std::copy_n(b.begin(), t.headerBytes.size(), t.headerBytes.begin());
  t.declaredCount = b[13];
  t.count = 0;
  if (t.declaredCount < 8) return kParseTooFew;
  t.width = b[14] + 256 * b[15];
  t.height = b[16] + 256 * b[17];
  t.byte18 = b[18];
  t.layout = b[19];
  if (t.declaredCount > kMaxMinutiae) return kParseTooMany;
  if (t.layout == 62) return kParseLayout62;
  t.count = std::min(t.declaredCount, kWordsInTemplate);
  for (int k = 0; k < t.count; ++k) {
    const std::uint8_t* w = &b[static_cast<std::size_t>(32 + 4 * k)];
    MatchMinutia& m = t.minutiae[static_cast<std::size_t>(k)];
    m.direction = static_cast<std::uint8_t>(w[0] >> 1);
    m.type = w[0] & 1;
    int x = w[1], y = w[2];
    if (w[3] & 0x20) x += 256;
    if (w[3] & 0x10) y += 256;
    if (w[3] & 0x80) x = -x;
    if (w[3] & 0x40) y = -y;
    m.x = x;
    m.y = y;
    m.flagBits = w[3] & 0x1F;
    m.highX = (w[3] >> 5) & 1;
  }
  return kParseOk;
}

void BuildMatchPositionIndex(MatchTemplate& t) {
  t.indexWidth = std::clamp(t.width, 1, kPositionCells / 2);
  const int cells = 2 * t.indexWidth;
  std::fill(t.positionIndex.begin(), t.positionIndex.end(), -1);
  for (int i = 0; i < t.count; ++i) {
    const int p = std::clamp(t.minutiae[static_cast<std::size_t>(i)].x + t.indexWidth, 0, cells - 1);
    t.positionIndex[static_cast<std::size_t>(p)] = i;
  }
  int carried = 0;
  for (int p = cells - 1; p >= 0; --p) {
    auto& e = t.positionIndex[static_cast<std::size_t>(p)];
    carried = e == -1 ? carried : e;
    e = carried;
  }
}

IndexRange WindowRange(const MatchTemplate& t, int x, int r, WindowUse use) {
  const int top = 2 * t.indexWidth - 1;
  const auto entry = [&](int p) { return t.positionIndex[static_cast<std::size_t>(p)]; };
  IndexRange range{};
  const int u = x + t.indexWidth + r;
  if (u < 0) {
    range.first = use == WindowUse::Neighbours ? t.count - 1 : entry(0);
  } else if (u > top) {
    range.first = use == WindowUse::Neighbours ? entry(top) : 0;
  } else {
    range.first = entry(u);
    for (int p = u + 1; p <= top; ++p) {
      if (entry(p) != entry(u)) {
        range.first = entry(p);
        break;
      }
    }
  }
  const int l = x + t.indexWidth - r;
  if (l < 0)
    range.last = t.count - 1;
  else if (l > top)
    range.last = entry(top);
  else
    range.last = entry(l);
  return range;
}

void ClearMatchNeighbours(MatchTemplate& t) {
  for (int i = 0; i < t.count; ++i)
    for (auto& n : t.minutiae[static_cast<std::size_t>(i)].neighbours) n.index = kNoNeighbour;
}

namespace {

// A vector with a side of 150 or more goes through the scaled lookup, which
// never gives less than this; nearer candidates come straight from the table.
constexpr int kLeastScaledDistance = 150;
// Above every squared length the table covers (biased) and every distance of
// two minutiae (at most 7 * 211 for coordinates within 511).
constexpr std::int16_t kNotMeasured = std::numeric_limits<std::int16_t>::max();
// Squared lengths up to 2 * 149 * 149 fit sixteen bits unsigned; biased by
// this they compare as signed lanes.
constexpr int kSquareBias = 32768;

using namespace lanes;

// Lane k of v in every lane.
template <int k>
Lanes Broadcast(Lanes v) {
  return __builtin_shufflevector(v, v, k, k, k, k, k, k, k, k);
}

// The eight smallest values added so far, ascending, kept without a branch:
// a smaller one moves everything above it up one lane.
class NearestEight {
 public:
  void Add(int d) { Add(Splat(d)); }
  // The eight lanes of a block one after the other, unless none of them is
  // nearer than the eighth already kept.
  void AddEach(Lanes block) {
    if (LaneBits(block < Splat(Eighth())) == 0) return;
    Add(Broadcast<0>(block));
    Add(Broadcast<1>(block));
    Add(Broadcast<2>(block));
    Add(Broadcast<3>(block));
    Add(Broadcast<4>(block));
    Add(Broadcast<5>(block));
    Add(Broadcast<6>(block));
    Add(Broadcast<7>(block));
  }
  int Eighth() const { return lanes_[kMatchNeighbours - 1]; }

 private:
  // v holds the new value in every lane.
  void Add(Lanes v) {
    // (A shift that brings in zeros, then the least value into lane 0, is one
    // instruction each.)
    constexpr std::int16_t kLeast = std::numeric_limits<std::int16_t>::min();
    const Lanes up = __builtin_shufflevector(lanes_, Lanes{}, 8, 0, 1, 2, 3, 4, 5, 6) | Lanes{kLeast, 0, 0, 0, 0, 0, 0, 0};
    const Lanes floor = up > v ? up : v;
    lanes_ = lanes_ < floor ? lanes_ : floor;
  }

  Lanes lanes_ = Splat(kNotMeasured);
};

// round(sqrt(s)) as the distance table rounds.
int RoundedRoot(int s) {
  int r = static_cast<int>(std::sqrt(static_cast<double>(s)));
  while (r * r > s) --r;
  while ((r + 1) * (r + 1) <= s) ++r;
  return s > r * r + r ? r + 1 : r;
}

// The minutiae of a template side by side, padded for whole blocks of eight.
struct Positions {
  std::array<std::int16_t, kMaxMinutiae + 8> x{};
  std::array<std::int16_t, kMaxMinutiae + 8> y{};
};

// The candidates of one minutia that can take a place among its eight
// nearest, in window order, with their distances.
struct Chosen {
  int count = 0;
  std::array<int, kMaxMinutiae> index;
  std::array<int, kMaxMinutiae> distance;

  void Add(int j, int d) {
    const auto k = static_cast<std::size_t>(count++);
    index[k] = j;
    distance[k] = d;
  }
};

// Only candidates within the final eighth distance can change the list: a
// farther one that enters for a while sits behind all of them and leaves
// again without moving any. The eighth distance is found on squared lengths,
// whose order the rounding keeps; vectors beyond the table are measured only
// when eight table distances do not already undercut them.
void ChooseCandidates(const MatchTemplate& t, const Positions& pos, int i, int first, int last, Chosen& chosen) {
  const MatchMinutia& m = t.minutiae[static_cast<std::size_t>(i)];
  const auto distanceTo = [&](int j) {
    const MatchMinutia& o = t.minutiae[static_cast<std::size_t>(j)];
    return MatchDistance(o.x - m.x, o.y - m.y);
  };
  chosen.count = 0;
  const int width = last - first + 1;
  const int candidates = width - (first <= i && i <= last ? 1 : 0);
  if (candidates <= 0) return;
  if (candidates <= kMatchNeighbours) {
    for (int j = first; j <= last; ++j)
      if (j != i) chosen.Add(j, distanceTo(j));
    return;
  }
  // Biased squared lengths of the table's vectors; the others not measured.
  std::array<std::int16_t, kMaxMinutiae + 8> square;
  const Lanes x = Splat(m.x), y = Splat(m.y), side = Splat(kTableSide);
  const Lanes lane{0, 1, 2, 3, 4, 5, 6, 7};
  Lanes outside{};
  for (int k = 0; k < width; k += 8) {
    const auto u = static_cast<std::size_t>(first + k);
    const Lanes dx = Load(&pos.x[u]) - x, dy = Load(&pos.y[u]) - y;
    const Lanes inTable = (dx < side) & (dx > -side) & (dy < side) & (dy > -side);
    const auto ux = reinterpret_cast<const UnsignedLanes&>(dx), uy = reinterpret_cast<const UnsignedLanes&>(dy);
    const UnsignedLanes biased = (ux * ux + uy * uy) ^ static_cast<std::uint16_t>(kSquareBias);
    const Lanes candidate = lane < Splat(width - k);
    Store(&square[static_cast<std::size_t>(k)],
          (inTable & candidate) ? reinterpret_cast<const Lanes&>(biased) : Splat(kNotMeasured));
    outside |= ~inTable & candidate;
  }
  if (first <= i && i <= last) square[static_cast<std::size_t>(i - first)] = kNotMeasured;
  // The eighth nearest does not depend on the order the candidates come in:
  // the block of the minutia's own place first, as templates mostly list
  // their minutiae along x, so that far blocks may be passed over whole.
  NearestEight nearest;
  const int own = std::clamp(i - first, 0, width - 1) & ~7;
  nearest.AddEach(Load(&square[static_cast<std::size_t>(own)]));
  for (int k = 0; k < width; k += 8)
    if (k != own) nearest.AddEach(Load(&square[static_cast<std::size_t>(k)]));
  const bool scaled = LaneBits(outside) != 0;
  if (nearest.Eighth() != kNotMeasured) {
    const int limit = RoundedRoot(nearest.Eighth() + kSquareBias);
    if (!scaled || limit < kLeastScaledDistance) {
      const Lanes within = Splat(limit * limit + limit - kSquareBias);  // round(sqrt(s)) <= limit
      for (int k = 0; k < width; k += 8)
        for (unsigned near = LaneBits(Load(&square[static_cast<std::size_t>(k)]) <= within); near != 0; near &= near - 1)
          chosen.index[static_cast<std::size_t>(chosen.count++)] = first + k + std::countr_zero(near);
      for (int k = 0; k < chosen.count; ++k)
        chosen.distance[static_cast<std::size_t>(k)] = distanceTo(chosen.index[static_cast<std::size_t>(k)]);
      return;
    }
  }
  // Scaled distances can compete: every candidate measured.
  std::array<int, kMaxMinutiae> distance;
  NearestEight exact;
  for (int j = first; j <= last; ++j) {
    if (j == i) continue;
    distance[static_cast<std::size_t>(j - first)] = distanceTo(j);
    exact.Add(distance[static_cast<std::size_t>(j - first)]);
  }
  for (int j = first; j <= last; ++j)
    if (j != i && distance[static_cast<std::size_t>(j - first)] <= exact.Eighth())
      chosen.Add(j, distance[static_cast<std::size_t>(j - first)]);
}

// Eight nearest, nearest first; an empty entry (index -1) is farther than anything.
struct NearestList {
  std::array<int, kMatchNeighbours> index;
  std::array<int, kMatchNeighbours> distance;
};

// The insertion walk: a candidate takes the place of the first entry farther
// than itself and the displaced entry walks on by the same rule, so that
// equal distances end up in the walk's own order.
void Walk(const Chosen& c, NearestList& list) {
  for (int k = 0; k < c.count; ++k) {
    int carryIndex = c.index[static_cast<std::size_t>(k)];
    int carryDist = c.distance[static_cast<std::size_t>(k)];
    // Eight kept, none farther: the candidate would walk off the end.
    if (list.index[kMatchNeighbours - 1] >= 0 && list.distance[kMatchNeighbours - 1] <= carryDist) continue;
    for (int e = 0; e < kMatchNeighbours && carryIndex >= 0; ++e) {
      if (list.index[e] < 0 || list.distance[e] > carryDist) {
        std::swap(list.index[e], carryIndex);
        std::swap(list.distance[e], carryDist);
      }
    }
  }
}

// The walk's result when no two chosen distances are equal is plain
// ascending order; false (and the list untouched) when two are equal.
bool PlaceByRank(const Chosen& c, NearestList& list) {
  if (c.count > kMatchNeighbours) return false;
  std::array<int, kMatchNeighbours> rank{};
  unsigned placed = 0;
  for (int k = 0; k < c.count; ++k) {
    const int d = c.distance[static_cast<std::size_t>(k)];
    int r = 0;
    for (int l = 0; l < c.count; ++l) r += c.distance[static_cast<std::size_t>(l)] < d ? 1 : 0;
    rank[static_cast<std::size_t>(k)] = r;
    placed |= 1u << r;
  }
  if (placed != (1u << c.count) - 1) return false;
  for (int k = 0; k < c.count; ++k) {
    const auto r = static_cast<std::size_t>(rank[static_cast<std::size_t>(k)]);
    list.index[r] = c.index[static_cast<std::size_t>(k)];
    list.distance[r] = c.distance[static_cast<std::size_t>(k)];
  }
  return true;
}

}  // namespace

void FindMatchNeighbours(MatchTemplate& t) {
  Positions pos;
  for (int k = 0; k < t.count; ++k) {
    pos.x[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(t.minutiae[static_cast<std::size_t>(k)].x);
    pos.y[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(t.minutiae[static_cast<std::size_t>(k)].y);
  }
  Chosen chosen;
  for (int i = 0; i < t.count; ++i) {
    MatchMinutia& m = t.minutiae[static_cast<std::size_t>(i)];
    const IndexRange range = WindowRange(t, m.x, kNeighbourWindow, WindowUse::Neighbours);
    ChooseCandidates(t, pos, i, std::max(range.first, 0), std::min(range.last, t.count - 1), chosen);
    NearestList list;
    list.index.fill(-1);
    if (!PlaceByRank(chosen, list)) Walk(chosen, list);

    for (int e = 0; e < kMatchNeighbours; ++e) {
      NeighbourEntry& n = m.neighbours[static_cast<std::size_t>(e)];
      const int index = list.index[static_cast<std::size_t>(e)];
      if (index < 0) {
        n.index = kNoNeighbour;
        continue;
      }
      const MatchMinutia& o = t.minutiae[static_cast<std::size_t>(index)];
      const int dx = o.x - m.x, dy = o.y - m.y;
      n.index = static_cast<std::uint8_t>(index);
      n.distance = list.distance[static_cast<std::size_t>(e)];
      n.relativeAngle = static_cast<std::uint8_t>(NormaliseDirection(MatchDirection(dx, dy) - m.direction));
      n.directionDifference = WrapDirection(o.direction - m.direction);
      int rx = dx, ry = dy;
      RotateVector(rx, ry, m.direction);
      n.localX = -rx;
      n.localY = -ry;
    }
  }
}

void BuildNeighbourIndex(const MatchTemplate& t, int neighbours, NeighbourIndex& index) {
  index.neighbours = neighbours;
  const int count = std::clamp(neighbours, 0, kMatchNeighbours);
  const auto usable = [&](int i, const NeighbourEntry& e) { return e.index != kNoNeighbour && e.index < t.count && e.index != i; };
  const auto cellOf = [](const NeighbourEntry& e) {
    return static_cast<std::size_t>(IndexCell(IndexDirectionGroup(e.directionDifference), IndexAngleGroup(e.relativeAngle)));
  };
  // Counting sort by cell: sizes, then starts, then the entries in place.
  std::array<std::uint16_t, kIndexCells + 1> next{};
  for (int i = 0; i < t.count; ++i) {
    IndexRow& row = index.rows[static_cast<std::size_t>(i)];
    for (int a = 0; a < kMatchNeighbours; ++a) {
      const auto u = static_cast<std::size_t>(a);
      const NeighbourEntry& e = t.minutiae[static_cast<std::size_t>(i)].neighbours[u];
      const bool taken = a < count && usable(i, e);
      row.distance[u] = taken ? static_cast<std::int16_t>(e.distance) : kFarEntry;
      row.angle[u] = e.relativeAngle;
      row.direction[u] = static_cast<std::int16_t>(e.directionDifference);
      row.index[u] = e.index;
      if (taken) ++next[cellOf(e) + 1];
    }
  }
  for (int c = 0; c < kIndexCells; ++c) next[static_cast<std::size_t>(c + 1)] += next[static_cast<std::size_t>(c)];
  index.cellStart = next;
  for (int i = 0; i < t.count; ++i)
    for (int a = 0; a < count; ++a) {
      if (index.rows[static_cast<std::size_t>(i)].distance[static_cast<std::size_t>(a)] == kFarEntry) continue;
      const NeighbourEntry& e = t.minutiae[static_cast<std::size_t>(i)].neighbours[static_cast<std::size_t>(a)];
      const std::size_t k = next[cellOf(e)]++;
      index.distance[k] = static_cast<std::uint8_t>(std::min(e.distance, 255));
      index.angle[k] = e.relativeAngle;
      index.direction[k] = static_cast<std::uint8_t>(e.directionDifference & (kDirections - 1));
      index.owner[k] = static_cast<std::uint8_t>(i);
    }
  const std::size_t end = index.cellStart[kIndexCells];
  for (std::size_t k = end; k < end + kIndexPadding; ++k) {
    index.distance[k] = 255;
    index.angle[k] = 0;
    index.direction[k] = 0;
    index.owner[k] = 0;
  }
}

void BuildMatchNeighbours(MatchTemplate& t) {
  ClearMatchNeighbours(t);
  BuildMatchPositionIndex(t);
  FindMatchNeighbours(t);
  t.pairingIndex.neighbours = kIndexNotBuilt;  // an index left from an earlier template is stale
}

void BuildMatchProbe(MatchTemplate& t) {
  BuildMatchNeighbours(t);
  BuildNeighbourIndex(t, kMatchNeighbours, t.pairingIndex);
}

}  // namespace huellix
