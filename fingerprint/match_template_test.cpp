#include "fingerprint/match_template.h"

#include <gtest/gtest.h>

#include "fingerprint/match_tables.h"
#include "fingerprint/synthetic_finger.h"

namespace huellix {
namespace {

using synthetic::EncodeWords;
using synthetic::Template;
using synthetic::TemplateWord;

std::vector<TemplateWord> Row(int n) {
  std::vector<TemplateWord> words;
  for (int k = 0; k < n; ++k) words.push_back({150 - 30 * k, 10 * (k % 3), 4 * k, k & 1});
  return words;
}

int Parse(const Template& bytes, MatchTemplate& t) { return ParseMatchTemplate(std::span(bytes), t); }

TEST(MatchTemplateTest, ParseCodes) {
  struct Case {
    int count, layout, code;
  };
  for (const Case& c : {Case{7, 142, kParseTooFew}, Case{0, 142, kParseTooFew}, Case{8, 142, kParseOk},
                        Case{142, 142, kParseOk}, Case{143, 142, kParseTooMany}, Case{255, 142, kParseTooMany},
                        Case{62, 62, kParseLayout62}, Case{7, 62, kParseTooFew}, Case{20, 0, kParseOk}}) {
    Template bytes = EncodeWords(Row(10));
    bytes[13] = static_cast<std::uint8_t>(c.count);
    bytes[19] = static_cast<std::uint8_t>(c.layout);
    MatchTemplate t;
    EXPECT_EQ(Parse(bytes, t), c.code) << c.count << " minutiae, layout " << c.layout;
  }
}

TEST(MatchTemplateTest, CountBeyondTheTemplateReadsOnlyItsWords) {
  Template bytes = EncodeWords(Row(10));
  bytes[13] = 142;
  MatchTemplate t;
  ASSERT_EQ(Parse(bytes, t), kParseOk);
  EXPECT_EQ(t.declaredCount, 142);
  EXPECT_EQ(t.count, kWordsInTemplate);
}

TEST(MatchTemplateTest, MinutiaWordDecoding) {
  Template bytes = EncodeWords(Row(8));
  bytes[32] = 0x51;  // direction 40, bifurcation
  bytes[33] = 10;
  bytes[34] = 7;
  bytes[35] = 0xA0;  // negative x, x + 256
  bytes[36 + 3] = 0x5F;  // negative y, y + 256, all flag bits
  MatchTemplate t;
  ASSERT_EQ(Parse(bytes, t), kParseOk);
  EXPECT_EQ(t.minutiae[0].direction, 40);
  EXPECT_EQ(t.minutiae[0].type, 1);
  EXPECT_EQ(t.minutiae[0].x, -266);
  EXPECT_EQ(t.minutiae[0].y, 7);
  EXPECT_EQ(t.minutiae[0].highX, 1);
  EXPECT_EQ(t.minutiae[0].flagBits, 0);
  EXPECT_EQ(t.minutiae[1].y, -266);
  EXPECT_EQ(t.minutiae[1].flagBits, 0x1F);
  EXPECT_EQ(t.width, synthetic::kTemplateWidth);
}

// Minutia i at the origin, listed last; A and B both 30 away, C 25 away.
TEST(MatchTemplateTest, NeighboursNearestFirstTiesByTheWalk) {
  ASSERT_EQ(InitializeMatcher(), 0);
  const std::vector<TemplateWord> words = {
      {140, 100, 0, 0}, {130, -100, 0, 0}, {120, 100, 0, 0}, {110, -100, 0, 0},
      {30, 0, 0, 0},    {18, 24, 0, 0},    {15, 20, 0, 0},   {0, 0, 0, 0}};
  MatchTemplate t;
  ASSERT_EQ(Parse(EncodeWords(words), t), kParseOk);
  BuildMatchNeighbours(t);
  const auto& n = t.minutiae[7].neighbours;
  EXPECT_EQ(n[0].index, 6);  // C
  EXPECT_EQ(n[0].distance, 25);
  EXPECT_EQ(n[1].index, 5);  // B
  EXPECT_EQ(n[2].index, 4);  // A
  EXPECT_EQ(n[3].index, 3);  // (110, -100): 149
  EXPECT_EQ(n[6].index, 0);
  // Eight minutiae leave each with seven neighbours at most.
  for (int i = 0; i < 8; ++i) EXPECT_EQ(t.minutiae[i].neighbours[7].index, kNoNeighbour) << i;
}

// The neighbour search leaves vectors with a side of 150 or more unmeasured
// while eight nearer ones are known; that needs them never to come out nearer.
TEST(MatchTemplateTest, ScaledDistancesAreNeverBelow150) {
  int least = 1 << 20;
  for (int a = 0; a <= 1022; ++a)
    for (int b = std::max(0, kTableSide - a); b <= 1022; ++b)
      if (a >= kTableSide || b >= kTableSide) least = std::min(least, MatchDistance(a, b));
  EXPECT_EQ(least, 150);
}

// The search as the rule reads: every window candidate walks the list.
std::array<std::array<int, kMatchNeighbours>, kMaxMinutiae> WalkedNeighbours(const MatchTemplate& t) {
  std::array<std::array<int, kMatchNeighbours>, kMaxMinutiae> lists{};
  for (int i = 0; i < t.count; ++i) {
    std::array<int, kMatchNeighbours> index, dist{};  // the swap below reads a slot before it is set
    index.fill(-1);
    const IndexRange range = WindowRange(t, t.minutiae[i].x, kNeighbourWindow, WindowUse::Neighbours);
    for (int j = range.first; j <= range.last; ++j) {
      if (j == i || j < 0 || j >= t.count) continue;
      int carryIndex = j;
      int carryDist = MatchDistance(t.minutiae[j].x - t.minutiae[i].x, t.minutiae[j].y - t.minutiae[i].y);
      for (int e = 0; e < kMatchNeighbours && carryIndex >= 0; ++e) {
        if (index[e] < 0 || dist[e] > carryDist) {
          std::swap(index[e], carryIndex);
          std::swap(dist[e], carryDist);
        }
      }
    }
    lists[i] = index;
  }
  return lists;
}

// Crowded grids give many equal distances, wide spreads scaled ones, odd
// widths uneven windows.
TEST(MatchTemplateTest, NeighbourListsAsEveryCandidateWalkingGives) {
  ASSERT_EQ(InitializeMatcher(), 0);
  std::uint32_t seed = 7;
  const auto next = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
  };
  for (int round = 0; round < 200; ++round) {
    const int spread = round % 4 == 0 ? 511 : (round % 4 == 1 ? 40 : 160);
    const int step = round % 4 == 1 ? 10 : 1;
    std::vector<TemplateWord> words(static_cast<std::size_t>(8 + next(85)));
    for (TemplateWord& w : words)
      w = {step * (next(2 * spread / step + 1) - spread / step), step * (next(2 * spread / step + 1) - spread / step),
           next(128), 0};
    const int width = std::array{160, 400, 3, 0, 90}[static_cast<std::size_t>(round % 5)];
    MatchTemplate t;
    ASSERT_EQ(Parse(EncodeWords(words, width), t), kParseOk);
    BuildMatchNeighbours(t);
    const auto expected = WalkedNeighbours(t);
    for (int i = 0; i < t.count; ++i)
      for (int e = 0; e < kMatchNeighbours; ++e) {
        const int index = t.minutiae[i].neighbours[e].index;
        ASSERT_EQ(index == kNoNeighbour ? -1 : index, expected[i][e]) << "round " << round << ", minutia " << i;
      }
  }
}

TEST(MatchTemplateTest, NeighbourGeometryInTheMinutiasFrame) {
  ASSERT_EQ(InitializeMatcher(), 0);
  std::vector<TemplateWord> words = Row(8);
  words[0] = {150, 0, 32, 0};  // pointing along +y
  words[1] = {120, 0, 40, 0};  // 30 to the left of minutia 0 on the x axis
  MatchTemplate t;
  ASSERT_EQ(Parse(EncodeWords(words), t), kParseOk);
  BuildMatchNeighbours(t);
  const NeighbourEntry& e = t.minutiae[0].neighbours[0];
  ASSERT_EQ(e.index, 1);
  EXPECT_EQ(e.distance, 30);
  EXPECT_EQ(e.relativeAngle, 32);       // direction 64, seen from 32
  EXPECT_EQ(e.directionDifference, 8);  // 40 - 32
  // (-30, 0) turned into the frame of direction 32 is (0, 30); stored negated.
  EXPECT_EQ(e.localX, 0);
  EXPECT_EQ(e.localY, -30);
}

TEST(MatchTemplateTest, WindowsOverTheIndex) {
  MatchTemplate t;
  ASSERT_EQ(Parse(EncodeWords(Row(8)), t), kParseOk);  // x = 150, 120, ..., -60
  BuildMatchPositionIndex(t);
  // Around x = 0 with r = 40 (minutiae 4..6): the walk above the window's
  // upper cell starts it two minutiae earlier; the dx test sorts them out.
  const IndexRange r = WindowRange(t, 0, 40, WindowUse::Pairing);
  EXPECT_EQ(r.first, 2);
  EXPECT_EQ(r.last, 6);
  // A window past the top of the index.
  EXPECT_EQ(WindowRange(t, 150, 250, WindowUse::Pairing).first, 0);
  EXPECT_EQ(WindowRange(t, 150, 250, WindowUse::Neighbours).first, 0);
  // A window whose lower end is below the index ends at the last minutia.
  EXPECT_EQ(WindowRange(t, -60, 250, WindowUse::Neighbours).last, 7);
}

}  // namespace
}  // namespace huellix
