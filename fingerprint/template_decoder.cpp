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

void FindNearestNeighbours(const TemplateHeader& header, MinutiaBuffer& minutiae, const PositionTable& table) {
  const int n = header.count;
  const int w = header.width;
  for (int i = 0; i < n; ++i) {
    IndexMinutia& m = minutiae[i];
    const int first = m.x + w + 139 > 2 * w - 1 ? 0 : table[m.x + w + 139];
    const int last = m.x + w - 141 < 0 ? n - 1 : table[m.x + w - 141];
    for (int j = first; j <= last; ++j) {
      if (j == i || !WithinNeighbourRange(m, minutiae[j])) continue;
      // Kept ascending; a candidate displaces the first strictly farther
      // entry, which walks on by the same rule, so among equal distances the
      // order is the one this walk gives. One no nearer than the last entry
      // moves nothing, and most candidates are such.
      const auto distance = static_cast<std::uint32_t>(MinutiaDistance(m, minutiae[j]));
      if (distance >= m.neighbours[kNeighbourCount - 1].distance) continue;
      Neighbour carried{static_cast<std::uint8_t>(j), distance};
      for (Neighbour& slot : m.neighbours)
        if (slot.distance > carried.distance) std::swap(slot, carried);
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
