// DecodeTemplate: a 400-byte minutiae template into its header and one
// IndexMinutia per minutia, each with its six nearest neighbours (distance
// 20..139, nearest first). Triangles are formed from these lists, so the
// rules here decide what the index holds.
//
//   DecodedTemplate decoded;
//   if (DecodeTemplate(templ, decoded) != kOk) { /* 103: refused */ }
//   for (int i = 0; i < decoded.header.count; ++i) decoded.minutiae[i].neighbours[0] ...
//
// Refused (103): more than 142 minutiae, more than the 400 bytes hold (92, or
// 62 with layout code 62), and, for a template with minutiae, a width outside
// 1..325 or an x outside -(width - 1)..width - 1, which would fall outside
// the position table.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

#include "fingerprint/distance_table.h"

namespace huellix {

constexpr int kTemplateSize = 400;
constexpr int kMaxMinutiae = 142;
constexpr int kNeighbourCount = 6;
constexpr std::uint8_t kNoNeighbour = 255;
constexpr std::uint32_t kNoDistance = 0xFFFFFFFF;
constexpr int kPositionTableSize = 650;
// Layout codes that place minutia words other than from byte 32 on.
constexpr int kLayoutCode142 = 142;
constexpr int kLayoutCode62 = 62;

struct TemplateHeader {
  std::array<std::uint8_t, 4> leading;  // template bytes 0-3
  std::int32_t count;
  std::int32_t width;
  std::int32_t height;
  std::uint8_t byte18;
  std::uint8_t layoutCode;
};

struct Neighbour {
  std::uint8_t index;      // position in the template; kNoNeighbour when empty
  std::uint32_t distance;  // kNoDistance when empty
};

struct IndexMinutia {
  std::uint8_t direction;  // 0..127, 128 steps to the circle
  std::uint8_t type;
  std::int32_t x;
  std::int32_t y;
  std::uint8_t flagBits;
  std::uint8_t highX;
  std::array<Neighbour, kNeighbourCount> neighbours;
};

using MinutiaBuffer = std::array<IndexMinutia, kMaxMinutiae>;
// Cell m stands for x = m - width + 1 and holds the index of a minutia.
using PositionTable = std::array<std::int32_t, kPositionTableSize>;

struct DecodedTemplate {
  TemplateHeader header;
  MinutiaBuffer minutiae;
};

// 0, or 103 when the template is refused (decoded is then partly filled).
int DecodeTemplate(const std::uint8_t* templ, DecodedTemplate& decoded);

// The steps of DecodeTemplate. ParseTemplate refuses only counts that run
// past the template; FitsPositionTable then checks width and x.
int ParseTemplate(const std::uint8_t* templ, TemplateHeader& header, MinutiaBuffer& minutiae);
bool FitsPositionTable(const TemplateHeader& header, const MinutiaBuffer& minutiae);
void ClearNeighbourSlots(int count, MinutiaBuffer& minutiae);
void BuildPositionTable(const TemplateHeader& header, const MinutiaBuffer& minutiae, PositionTable& table);
void FindNearestNeighbours(const TemplateHeader& header, MinutiaBuffer& minutiae, const PositionTable& table);

// Where minutia word k lies in the template by the layout code: from byte 32
// on, except words 56..61 of layout 62 at bytes 0, 4, 8, 20, 24, 28.
int MinutiaWordOffset(int layoutCode, int k);

// The distance of two minutiae closer than 140 in x and in y. Inline, as
// with the next: every registration and search asks for thousands.
inline int MinutiaDistance(const IndexMinutia& a, const IndexMinutia& b) {
  return DistanceTable[static_cast<std::size_t>(std::abs(a.x - b.x))][static_cast<std::size_t>(std::abs(a.y - b.y))];
}
// Whether two minutiae are close enough to be neighbours or triangle sides:
// both coordinate differences below 140 and a distance of 20..139.
inline bool WithinNeighbourRange(const IndexMinutia& a, const IndexMinutia& b) {
  constexpr int kRange = 140, kMinDistance = 20;
  if (std::abs(a.x - b.x) >= kRange || std::abs(a.y - b.y) >= kRange) return false;
  const int d = MinutiaDistance(a, b);
  return d >= kMinDistance && d < kRange;
}

}  // namespace huellix
