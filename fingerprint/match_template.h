// A 400-byte template as the matcher reads it: header, minutia records and each
// minutia's eight nearest neighbours in the minutia's own frame of reference.
//
//   MatchTemplate t;
//   int rc = ParseMatchTemplate(bytes, t);   // 0, 11 (< 8 minutiae), 108 (> 142), 2 (layout 62)
//   if (rc == 0) BuildMatchNeighbours(t);     // position index, then neighbour lists
//   (or BuildMatchProbe(t) for a probe, which adds the pairing index)
//
// Only the words that lie inside the 400 bytes are read: a count above 92 is
// read as 92 minutiae.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "fingerprint/match_tables.h"
#include "fingerprint/template_decoder.h"

namespace huellix {

inline constexpr int kWordsInTemplate = 92;  // from byte 32 to the end
inline constexpr int kMatchNeighbours = 8;
inline constexpr int kPositionCells = 650;
inline constexpr int kNeighbourWindow = 150;

struct NeighbourEntry {
  std::uint8_t index = kNoNeighbour;
  std::uint8_t relativeAngle = 0;
  std::int32_t distance = 0;
  std::int32_t localX = 0;
  std::int32_t localY = 0;
  std::int32_t directionDifference = 0;
};

struct MatchMinutia {
  std::uint8_t direction = 0;
  std::uint8_t type = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint8_t flagBits = 0;
  std::uint8_t highX = 0;
  std::array<NeighbourEntry, kMatchNeighbours> neighbours{};
};

// The usable neighbour entries of all minutiae of a template, grouped by
// direction difference (sixteen steps to a group) and relative angle (eight
// steps), so that the pairing finds the few entries that can agree with a
// neighbour of the other template without testing every one. The entries of
// a cell lie together, each with its minutia (owner), in bytes: sixteen are
// tested at once. Distances are held up to 255: a distance cut there never
// lies farther from another than the true one, so the index may let an entry
// through that does not agree, never hold back one that does.
inline constexpr int kIndexDirectionGroups = kDirections / 16;
inline constexpr int kIndexAngleGroups = kDirections / 8;
inline constexpr int kIndexCells = kIndexDirectionGroups * kIndexAngleGroups;
inline constexpr int kIndexPadding = 16;  // far entries after the last, so blocks of sixteen may run over
inline constexpr int kIndexCapacity = kMaxMinutiae * kMatchNeighbours + kIndexPadding;

// One minutia's entries side by side; an entry not taken lies too far to
// agree with anything.
struct IndexRow {
  std::array<std::int16_t, kMatchNeighbours> distance;
  std::array<std::int16_t, kMatchNeighbours> angle;
  std::array<std::int16_t, kMatchNeighbours> direction;
  std::array<std::uint8_t, kMatchNeighbours> index;
};
inline constexpr std::int16_t kFarEntry = 30000;

inline constexpr int kIndexNotBuilt = -1;

struct NeighbourIndex {
  int neighbours = kIndexNotBuilt;  // the first this many entries of each list are taken
  std::array<IndexRow, kMaxMinutiae> rows;
  std::array<std::uint16_t, kIndexCells + 1> cellStart;
  std::array<std::uint8_t, kIndexCapacity> distance;   // at most 255
  std::array<std::uint8_t, kIndexCapacity> angle;      // 0..127
  std::array<std::uint8_t, kIndexCapacity> direction;  // the difference modulo 128
  std::array<std::uint8_t, kIndexCapacity> owner;
};

// The groups of a direction difference and of an angle (any whole numbers,
// taken modulo the circle).
inline int IndexDirectionGroup(int direction) { return (direction & (kDirections - 1)) >> 4; }
inline int IndexAngleGroup(int angle) { return (angle & (kDirections - 1)) >> 3; }
inline int IndexCell(int directionGroup, int angleGroup) { return directionGroup * kIndexAngleGroups + angleGroup; }

struct MatchTemplate {
  std::array<std::uint8_t, 13> headerBytes{};
  int declaredCount = 0;  // byte 13 as the template gives it
  int count = 0;          // minutia records read
  int width = 0;
  int height = 0;
  std::uint8_t byte18 = 0;
  std::uint8_t layout = 0;
  int indexWidth = 1;     // the position index's half width (see BuildMatchPositionIndex)
  std::array<MatchMinutia, kMaxMinutiae> minutiae;
  std::array<std::int32_t, kPositionCells> positionIndex;
  NeighbourIndex pairingIndex;  // built by BuildMatchProbe, with every neighbour entry
};

// Parse codes.
inline constexpr int kParseOk = 0;
inline constexpr int kParseLayout62 = 2;
inline constexpr int kParseTooFew = 11;
inline constexpr int kParseTooMany = 108;

int ParseMatchTemplate(std::span<const std::uint8_t, kTemplateSize> bytes, MatchTemplate& t);

// Position index over x + W: a width above 325 (or below 1) is indexed as 325
// (or 1) wide, its outermost minutiae sharing the edge cells; windows then
// grow, never shrink.
void BuildMatchPositionIndex(MatchTemplate& t);
void ClearMatchNeighbours(MatchTemplate& t);
void FindMatchNeighbours(MatchTemplate& t);
// The three above in their order.
void BuildMatchNeighbours(MatchTemplate& t);
// For a probe that is paired with many stored templates: the neighbour lists
// and the pairing index over them, which the pairing otherwise builds for
// every comparison.
void BuildMatchProbe(MatchTemplate& t);

// The index over the first `neighbours` entries of each list: those with a
// valid index (below the count, not the minutia itself).
void BuildNeighbourIndex(const MatchTemplate& t, int neighbours, NeighbourIndex& index);

// Index range [first, last] of the minutiae whose x may lie within r of x;
// empty when first > last. The neighbour search and the pairing treat a window
// that starts beyond either end of the index differently.
enum class WindowUse { Neighbours, Pairing };
struct IndexRange {
  int first;
  int last;
};
IndexRange WindowRange(const MatchTemplate& t, int x, int r, WindowUse use);

}  // namespace huellix
