#include "fingerprint/template_decoder.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "fingerprint/result_codes.h"

namespace huellix {
namespace {

constexpr int kWordsFromByte32 = (kTemplateSize - 32) / 4;  // 92
constexpr int kMaxWidth = kPositionTableSize / 2;            // 2W cells are used

int WordsInTemplate(int layoutCode) { return layoutCode == kLayoutCode62 ? 62 : kWordsFromByte32; }

void DecodeWord(const std::uint8_t* word, IndexMinutia& m) {
  const std::uint8_t b0 = word[0], b1 = word[1], b2 = word[2], b3 = word[3];
  m.direction = b0 >> 1;
  m.type = b0 & 1;
  int x = b1, y = b2;
  if (b3 & 0x20) x += 256;
  if (b3 & 0x10) y += 256;
  if (b3 & 0x80) x = -x;
  if (b3 & 0x40) y = -y;
  m.x = x;
  m.y = y;
  m.flagBits = b3 & 0x1F;
  m.highX = (b3 >> 5) & 1;
}

}  // namespace

int MinutiaWordOffset(int layoutCode, int k) {
  if (layoutCode == kLayoutCode62) {
    if (k >= 59) return 20 + 4 * (k - 59);
    if (k >= 56) return 4 * (k - 56);
  }
  return 32 + 4 * k;
}

int ParseTemplate(const std::uint8_t* templ, TemplateHeader& header, MinutiaBuffer& minutiae) {
  std::memcpy(header.leading.data(), templ, 4);
  header.count = templ[13];
  header.width = templ[14] | templ[15] << 8;
  header.height = templ[16] | templ[17] << 8;
  header.byte18 = templ[18];
  header.layoutCode = templ[19];
  const int n = header.count;
  if (n > kMaxMinutiae || n > WordsInTemplate(header.layoutCode)) return kCannotRead;
  for (int k = 0; k < n; ++k) DecodeWord(templ + MinutiaWordOffset(header.layoutCode, k), minutiae[k]);
  return kOk;
}

bool FitsPositionTable(const TemplateHeader& header, const MinutiaBuffer& minutiae) {
  if (header.count == 0) return true;
  if (header.width < 1 || header.width > kMaxWidth) return false;
  for (int k = 0; k < header.count; ++k)
    if (std::abs(minutiae[k].x) > header.width - 1) return false;
  return true;
}

void ClearNeighbourSlots(int count, MinutiaBuffer& minutiae) {
  for (int i = 0; i < count; ++i)
    for (Neighbour& slot : minutiae[i].neighbours) slot.index = kNoNeighbour;
}

void BuildPositionTable(const TemplateHeader& header, const MinutiaBuffer& minutiae, PositionTable& table) {
  table.fill(-1);
  const int w = header.width;
  for (int i = 0; i < header.count; ++i) {
    int cell = minutiae[i].x + w - 1;
    if (cell > 2 * w - 2) cell = 2 * w - 2;
    if (cell < 0) cell = 0;
    table[cell] = i;
  }
  std::int32_t carried = 0;
  for (int cell = 2 * w - 1; cell >= 0; --cell) {
    if (table[cell] == -1) table[cell] = carried;
    else carried = table[cell];
  }
}

namespace {

// Squared lengths decide the distance range without the table: a vector
// rounds to r exactly when r * r - r + 1 <= s <= r * r + r (no integer square
// root lies halfway), so 20..139 is s in 381..19460, and both coordinate
// differences are then below 140 as well.
constexpr int kNearestSquare = 381;
constexpr int kFarthestSquare = 19460;

// The largest squared length that rounds below distance d.
int SquareBelow(std::uint32_t d) {
  if (d > 139) return kFarthestSquare;
  const int r = static_cast<int>(d);
  return r * r - r;
}

}  // namespace

void FindNearestNeighbours(const TemplateHeader& header, MinutiaBuffer& minutiae, const PositionTable& table) {
  const int n = header.count;
  const int w = header.width;
  // The coordinates side by side: the scan below reads nothing else for the
  // many candidates that are too near, too far or no nearer than the sixth.
  std::array<std::int32_t, kMaxMinutiae> xs, ys;
  for (int k = 0; k < n; ++k) {
    xs[static_cast<std::size_t>(k)] = minutiae[static_cast<std::size_t>(k)].x;
    ys[static_cast<std::size_t>(k)] = minutiae[static_cast<std::size_t>(k)].y;
  }
  for (int i = 0; i < n; ++i) {
    IndexMinutia& m = minutiae[static_cast<std::size_t>(i)];
    const int first = m.x + w + 139 > 2 * w - 1 ? 0 : table[m.x + w + 139];
    const int last = m.x + w - 141 < 0 ? n - 1 : table[m.x + w - 141];
    // Only a candidate nearer than the last entry moves anything.
    int limit = SquareBelow(m.neighbours[kNeighbourCount - 1].distance);
    for (int j = first; j <= last; ++j) {
      const int dx = xs[static_cast<std::size_t>(j)] - m.x, dy = ys[static_cast<std::size_t>(j)] - m.y;
      const int square = dx * dx + dy * dy;
      if (square < kNearestSquare || square > limit) continue;
      // Kept ascending; a candidate displaces the first strictly farther
      // entry, which walks on by the same rule, so among equal distances the
      // order is the one this walk gives.
      Neighbour carried{static_cast<std::uint8_t>(j),
                        static_cast<std::uint32_t>(MinutiaDistance(m, minutiae[static_cast<std::size_t>(j)]))};
      for (Neighbour& slot : m.neighbours)
        if (slot.distance > carried.distance) std::swap(slot, carried);
      limit = SquareBelow(m.neighbours[kNeighbourCount - 1].distance);
    }
  }
}

int DecodeTemplate(const std::uint8_t* templ, DecodedTemplate& decoded) {
  std::memset(&decoded.minutiae, 0xFF, sizeof decoded.minutiae);
  if (int result = ParseTemplate(templ, decoded.header, decoded.minutiae); result != kOk) return result;
  if (!FitsPositionTable(decoded.header, decoded.minutiae)) return kCannotRead;
  ClearNeighbourSlots(decoded.header.count, decoded.minutiae);
  if (decoded.header.count == 0) return kOk;
  PositionTable table;
  BuildPositionTable(decoded.header, decoded.minutiae, table);
  FindNearestNeighbours(decoded.header, decoded.minutiae, table);
  return kOk;
}

}  // namespace huellix
