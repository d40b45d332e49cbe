#include "fingerprint/match_template.h"

#include <algorithm>
#include <cstdlib>

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

void FindMatchNeighbours(MatchTemplate& t) {
  for (int i = 0; i < t.count; ++i) {
    MatchMinutia& m = t.minutiae[static_cast<std::size_t>(i)];
    // Eight nearest, nearest first; an empty entry is farther than anything.
    std::array<int, kMatchNeighbours> index;
    std::array<int, kMatchNeighbours> dist;
    index.fill(-1);
    const IndexRange range = WindowRange(t, m.x, kNeighbourWindow, WindowUse::Neighbours);
    for (int j = range.first; j <= range.last; ++j) {
      if (j == i || j < 0 || j >= t.count) continue;
      const MatchMinutia& o = t.minutiae[static_cast<std::size_t>(j)];
      int carryIndex = j;
      int carryDist = MatchDistance(o.x - m.x, o.y - m.y);
      for (int e = 0; e < kMatchNeighbours && carryIndex >= 0; ++e) {
        if (index[e] < 0 || dist[e] > carryDist) {
          std::swap(index[e], carryIndex);
          std::swap(dist[e], carryDist);
        }
      }
    }
    for (int e = 0; e < kMatchNeighbours; ++e) {
      NeighbourEntry& n = m.neighbours[static_cast<std::size_t>(e)];
      if (index[e] < 0) {
        n.index = kNoNeighbour;
        continue;
      }
      const MatchMinutia& o = t.minutiae[static_cast<std::size_t>(index[e])];
      const int dx = o.x - m.x, dy = o.y - m.y;
      n.index = static_cast<std::uint8_t>(index[e]);
      n.distance = dist[e];
      n.relativeAngle = static_cast<std::uint8_t>(NormaliseDirection(MatchDirection(dx, dy) - m.direction));
      n.directionDifference = WrapDirection(o.direction - m.direction);
      int rx = dx, ry = dy;
      RotateVector(rx, ry, m.direction);
      n.localX = -rx;
      n.localY = -ry;
    }
  }
}

void BuildMatchNeighbours(MatchTemplate& t) {
  ClearMatchNeighbours(t);
  BuildMatchPositionIndex(t);
  FindMatchNeighbours(t);
}

}  // namespace huellix
