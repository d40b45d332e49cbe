#include "fingerprint/match_template.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

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
    if (e == -1)
      e = carried;
    else
      carried = e;
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
// Above any distance of two minutiae (at most 7 * 211 for coordinates within 511).
constexpr std::int16_t kNotMeasured = std::numeric_limits<std::int16_t>::max();

using Lanes = std::int16_t __attribute__((vector_size(16)));
using LaneMask = std::int16_t __attribute__((vector_size(16)));

Lanes Splat(int v) {
  const auto s = static_cast<std::int16_t>(v);
  return Lanes{s, s, s, s, s, s, s, s};
}

// The eight smallest distances added so far, ascending, kept without a branch:
// a nearer candidate moves everything above it up one lane.
class NearestEight {
 public:
  void Add(int d) {
    const Lanes up = __builtin_shuffle(lanes_, Lanes{}, LaneMask{8, 0, 1, 2, 3, 4, 5, 6});
    const Lanes v = Splat(d);
    const Lanes floor = up > v ? up : v;
    lanes_ = lanes_ < floor ? lanes_ : floor;
  }
  int operator[](int e) const { return lanes_[e]; }

 private:
  Lanes lanes_ = Splat(kNotMeasured);
};

// The window's candidates of one minutia, in window order.
struct Candidates {
  int count = 0;
  std::array<int, kMaxMinutiae> index;
  std::array<int, kMaxMinutiae> distance;

  // The eighth smallest distance, or no limit when there are at most eight.
  int Limit(const NearestEight& nearest) const {
    return count > kMatchNeighbours ? nearest[kMatchNeighbours - 1] : std::numeric_limits<int>::max();
  }
};

// Eight nearest, nearest first; an empty entry (index -1) is farther than anything.
struct NearestList {
  std::array<int, kMatchNeighbours> index;
  std::array<int, kMatchNeighbours> distance;
};

// The insertion walk: a candidate takes the place of the first entry farther
// than itself and the displaced entry walks on by the same rule, so that
// equal distances end up in the walk's own order.
void Walk(const Candidates& c, std::span<const int> chosen, NearestList& list) {
  for (const int k : chosen) {
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

// The walk's result when no two chosen distances are equal: plain ascending order.
void PlaceByRank(const Candidates& c, std::span<const int> chosen, NearestList& list) {
  for (const int k : chosen) {
    const int d = c.distance[static_cast<std::size_t>(k)];
    int rank = 0;
    for (const int l : chosen) rank += c.distance[static_cast<std::size_t>(l)] < d ? 1 : 0;
    list.index[static_cast<std::size_t>(rank)] = c.index[static_cast<std::size_t>(k)];
    list.distance[static_cast<std::size_t>(rank)] = d;
  }
}

// One step either way brings a difference of two directions into -64..64.
int WrapOnce(int d) { return d < -kHalfCircle ? d + kDirections : (d > kHalfCircle ? d - kDirections : d); }

}  // namespace

void FindMatchNeighbours(MatchTemplate& t) {
  Candidates c;
  std::array<int, kMaxMinutiae> chosen;
  for (int i = 0; i < t.count; ++i) {
    MatchMinutia& m = t.minutiae[static_cast<std::size_t>(i)];
    const IndexRange range = WindowRange(t, m.x, kNeighbourWindow, WindowUse::Neighbours);
    const int first = std::max(range.first, 0), last = std::min(range.last, t.count - 1);
    c.count = 0;
    bool scaled = false;
    NearestEight nearest;
    for (int j = first; j <= last; ++j) {
      if (j == i) continue;
      const MatchMinutia& o = t.minutiae[static_cast<std::size_t>(j)];
      const int a = std::abs(o.x - m.x), b = std::abs(o.y - m.y);
      const bool inTable = a < kTableSide && b < kTableSide;
      const int d = inTable ? DistanceTable[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] : kNotMeasured;
      const auto k = static_cast<std::size_t>(c.count++);
      c.index[k] = j;
      c.distance[k] = d;
      nearest.Add(d);
      scaled |= !inTable;
    }
    // Only candidates within the final eighth distance can change the list: a
    // farther one that enters for a while sits behind all of them and leaves
    // again without moving any. Scaled distances matter only when eight
    // table distances do not already undercut them.
    int limit = c.Limit(nearest);
    if (scaled && limit >= kLeastScaledDistance) {
      nearest = NearestEight{};
      for (int k = 0; k < c.count; ++k) {
        const auto u = static_cast<std::size_t>(k);
        if (c.distance[u] == kNotMeasured) {
          const MatchMinutia& o = t.minutiae[static_cast<std::size_t>(c.index[u])];
          c.distance[u] = MatchDistance(o.x - m.x, o.y - m.y);
        }
        nearest.Add(c.distance[u]);
      }
      limit = c.Limit(nearest);
    }
    int chosenCount = 0;
    for (int k = 0; k < c.count; ++k) {
      chosen[static_cast<std::size_t>(chosenCount)] = k;
      chosenCount += c.distance[static_cast<std::size_t>(k)] <= limit ? 1 : 0;
    }
    bool ties = chosenCount > kMatchNeighbours;
    for (int e = 0; e + 1 < std::min(chosenCount, kMatchNeighbours); ++e) ties |= nearest[e] == nearest[e + 1];
    NearestList list;
    list.index.fill(-1);
    const std::span<const int> picked(chosen.data(), static_cast<std::size_t>(chosenCount));
    if (ties)
      Walk(c, picked, list);
    else
      PlaceByRank(c, picked, list);

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
      n.directionDifference = WrapOnce(o.direction - m.direction);
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
    return static_cast<std::size_t>(IndexCell(IndexGroup(e.directionDifference), IndexGroup(e.relativeAngle)));
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
      index.distance[k] = static_cast<std::int16_t>(e.distance);
      index.angle[k] = e.relativeAngle;
      index.direction[k] = static_cast<std::int16_t>(e.directionDifference);
      index.owner[k] = static_cast<std::uint8_t>(i);
    }
  const std::size_t end = index.cellStart[kIndexCells];
  for (std::size_t k = end; k < end + kIndexPadding; ++k) {
    index.distance[k] = kFarEntry;
    index.angle[k] = 0;
    index.direction[k] = 0;
    index.owner[k] = 0;
  }
}

void BuildMatchNeighbours(MatchTemplate& t) {
  ClearMatchNeighbours(t);
  BuildMatchPositionIndex(t);
  FindMatchNeighbours(t);
  BuildNeighbourIndex(t, kMatchNeighbours, t.pairingIndex);
}

}  // namespace huellix
