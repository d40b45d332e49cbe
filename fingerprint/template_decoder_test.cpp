#include "fingerprint/template_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "fingerprint/distance_table.h"
#include "fingerprint/result_codes.h"
#include "fingerprint/template_writer.h"

namespace huellix {
namespace {

using testing::MinutiaSpec;
using testing::TemplateSpec;
using testing::WriteTemplate;

int Decode(const TemplateSpec& spec, DecodedTemplate& decoded) { return DecodeTemplate(WriteTemplate(spec).data(), decoded); }

std::vector<int> NeighbourIndexes(const IndexMinutia& m) {
  std::vector<int> indexes;
  for (const Neighbour& n : m.neighbours)
    if (n.index != kNoNeighbour) indexes.push_back(n.index);
  return indexes;
}

TEST(DistanceTableTest, RoundsToTheNearestInteger) {
  EXPECT_EQ(DistanceTable[0][0], 0);
  EXPECT_EQ(DistanceTable[3][4], 5);
  EXPECT_EQ(DistanceTable[1][1], 1);    // 1.414
  EXPECT_EQ(DistanceTable[1][2], 2);    // 2.236
  EXPECT_EQ(DistanceTable[2][3], 4);    // 3.606
  EXPECT_EQ(DistanceTable[84][112], 140);
  EXPECT_EQ(DistanceTable[11][16], 19);  // 19.42
  EXPECT_EQ(DistanceTable[149][149], 211);
  for (int a = 0; a < kDistanceTableSize; ++a)
    for (int b = 0; b < kDistanceTableSize; ++b) ASSERT_EQ(DistanceTable[a][b], DistanceTable[b][a]);
}

TEST(TemplateDecoderTest, DecodesTheHeader) {
  auto bytes = WriteTemplate({.width = 300, .height = 400, .layoutCode = 7, .minutiae = {{1, 2, 3, 1}}});
  bytes[0] = 0xA1;
  bytes[3] = 0xA4;
  bytes[18] = 0x5C;
  DecodedTemplate d;
  ASSERT_EQ(DecodeTemplate(bytes.data(), d), kOk);
  EXPECT_EQ(d.header.leading[0], 0xA1);
  EXPECT_EQ(d.header.leading[3], 0xA4);
  EXPECT_EQ(d.header.count, 1);
  EXPECT_EQ(d.header.width, 300);
  EXPECT_EQ(d.header.height, 400);
  EXPECT_EQ(d.header.byte18, 0x5C);
  EXPECT_EQ(d.header.layoutCode, 7);
  // Unused records read as empty.
  EXPECT_EQ(d.minutiae[1].x, -1);
  EXPECT_EQ(d.minutiae[1].neighbours[0].index, kNoNeighbour);
  EXPECT_EQ(d.minutiae[1].neighbours[0].distance, kNoDistance);
}

TEST(TemplateDecoderTest, DecodesMinutiaWords) {
  struct Case {
    std::uint8_t b0, b1, b2, b3;
    int direction, type, x, y, flagBits, highX;
  };
  const Case cases[] = {
      {0x00, 0, 0, 0x00, 0, 0, 0, 0, 0, 0},
      {0xFF, 255, 255, 0x00, 127, 1, 255, 255, 0, 0},
      {0x81, 10, 0, 0xA0, 64, 1, -266, 0, 0x00, 1},  // high x, negative
      {0x02, 0, 5, 0x50, 1, 0, 0, -261, 0x10, 0},    // high y, negative
      {0x10, 255, 255, 0xF3, 8, 0, -511, -511, 0x13, 1},
      {0x10, 7, 9, 0x0F, 8, 0, 7, 9, 0x0F, 0},       // low flag bits change nothing else
  };
  for (const Case& c : cases) {
    TemplateSpec spec{.width = 325, .count = 1};
    auto bytes = WriteTemplate(spec);
    bytes[32] = c.b0;
    bytes[33] = c.b1;
    bytes[34] = c.b2;
    bytes[35] = c.b3;
    DecodedTemplate d;
    ASSERT_EQ(ParseTemplate(bytes.data(), d.header, d.minutiae), kOk) << int(c.b3);
    const IndexMinutia& m = d.minutiae[0];
    EXPECT_EQ(m.direction, c.direction);
    EXPECT_EQ(m.type, c.type);
    EXPECT_EQ(m.x, c.x);
    EXPECT_EQ(m.y, c.y);
    EXPECT_EQ(m.flagBits, c.flagBits);
    EXPECT_EQ(m.highX, c.highX);
  }
}

TEST(TemplateDecoderTest, CountsThatRunPastTheTemplateAreRefused) {
  struct Case {
    int layoutCode, count, result;
  };
  const Case cases[] = {
      {0, 0, kOk},      {0, 92, kOk},           {0, 93, kCannotRead},   {142, 92, kOk},
      {142, 93, kCannotRead}, {142, 142, kCannotRead}, {142, 143, kCannotRead}, {0, 255, kCannotRead},
      {62, 62, kOk},    {62, 63, kCannotRead},
  };
  for (const Case& c : cases) {
    TemplateSpec spec{.layoutCode = c.layoutCode, .count = c.count};
    for (int k = 0; k < c.count; ++k) spec.minutiae.push_back({k - 100, 0, 0, 0});
    DecodedTemplate d;
    EXPECT_EQ(Decode(spec, d), c.result) << c.layoutCode << " " << c.count;
  }
}

TEST(TemplateDecoderTest, Layout62ReadsWordsFromTheHeader) {
  TemplateSpec spec{.layoutCode = 62};
  for (int k = 0; k < 62; ++k) spec.minutiae.push_back({k, 0, k, 0});
  const auto bytes = WriteTemplate(spec);
  EXPECT_EQ(bytes[0], 56 << 1);
  EXPECT_EQ(bytes[20], 59 << 1);
  DecodedTemplate d;
  ASSERT_EQ(DecodeTemplate(bytes.data(), d), kOk);
  for (int k = 0; k < 62; ++k) EXPECT_EQ(d.minutiae[k].direction, k);
  EXPECT_EQ(d.minutiae[56].x, 56);
  EXPECT_EQ(d.minutiae[59].x, 59);
}

TEST(TemplateDecoderTest, WidthAndCoordinatesMustFitThePositionTable) {
  struct Case {
    int width, x, result;
  };
  const Case cases[] = {
      {1, 0, kOk},   {0, 0, kCannotRead},  {325, 324, kOk},  {325, -324, kOk}, {326, 0, kCannotRead},
      {100, 99, kOk}, {100, 100, kCannotRead}, {100, -100, kCannotRead}, {65535, 0, kCannotRead},
  };
  for (const Case& c : cases) {
    DecodedTemplate d;
    EXPECT_EQ(Decode({.width = c.width, .minutiae = {{c.x, 0}}}, d), c.result) << c.width << " " << c.x;
  }
  DecodedTemplate d;
  EXPECT_EQ(Decode({.width = 0}, d), kOk) << "a template without minutiae reads no cell";
}

TEST(TemplateDecoderTest, NeighboursLieAtDistance20UpTo139) {
  struct Case {
    int dx, dy;
    bool neighbours;
  };
  const Case cases[] = {
      {20, 0, true}, {12, 16, true}, {11, 16, false}, {19, 0, false}, {139, 0, true},
      {140, 0, false}, {84, 112, false}, {0, -139, true}, {0, 140, false},
  };
  for (const Case& c : cases) {
    DecodedTemplate d;
    ASSERT_EQ(Decode({.width = 300, .minutiae = {{c.dx, c.dy}, {0, 0}}}, d), kOk);
    EXPECT_EQ(NeighbourIndexes(d.minutiae[1]), c.neighbours ? std::vector<int>{0} : std::vector<int>{})
        << c.dx << "," << c.dy;
    EXPECT_EQ(NeighbourIndexes(d.minutiae[0]), c.neighbours ? std::vector<int>{1} : std::vector<int>{});
    if (c.neighbours) {
      EXPECT_EQ(d.minutiae[1].neighbours[0].distance, DistanceTable[std::abs(c.dx)][std::abs(c.dy)]);
    }
  }
}

TEST(TemplateDecoderTest, EqualDistancesKeepTheOrderOfTheWalk) {
  // Met in the order A (30), B (30), C (25).
  DecodedTemplate d;
  ASSERT_EQ(Decode({.minutiae = {{30, 0}, {18, 24}, {15, 20}, {0, 0}}}, d), kOk);
  EXPECT_EQ(NeighbourIndexes(d.minutiae[3]), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(d.minutiae[3].neighbours[0].distance, 25u);
  EXPECT_EQ(d.minutiae[3].neighbours[2].distance, 30u);
}

TEST(TemplateDecoderTest, SixNearestAreKept) {
  // Minutia 0 at the origin; the others by descending x, at distances 100,
  // 87, 74, 67, 57, 50 (now full), 100 (not nearer than the sixth), 78 and 78
  // (each strictly nearer than the sixth, the second after the first).
  TemplateSpec spec;
  spec.width = 300;
  spec.minutiae = {{0, 0},     {-10, 100}, {-20, 85}, {-25, 70}, {-30, 60},
                   {-35, 45},  {-40, 30},  {-45, 89}, {-50, 60}, {-55, 55}};
  DecodedTemplate d;
  ASSERT_EQ(Decode(spec, d), kOk);
  EXPECT_EQ(NeighbourIndexes(d.minutiae[0]), (std::vector<int>{6, 5, 4, 3, 8, 9}));
  EXPECT_EQ(d.minutiae[0].neighbours[5].distance, 78u);
}

TEST(TemplateDecoderTest, TheWindowFollowsTheTemplateOrder) {
  // Ascending x: the position table's window is the index range from the
  // cell of x + 140 to the cell of x - 140, which is empty for minutia 0.
  DecodedTemplate d;
  ASSERT_EQ(Decode({.minutiae = {{0, 0}, {30, 0}, {60, 0}}}, d), kOk);
  EXPECT_EQ(NeighbourIndexes(d.minutiae[0]), std::vector<int>{});
  DecodedTemplate sorted;
  ASSERT_EQ(Decode({.minutiae = {{60, 0}, {30, 0}, {0, 0}}}, sorted), kOk);
  EXPECT_EQ(NeighbourIndexes(sorted.minutiae[2]), (std::vector<int>{1, 0}));
  EXPECT_EQ(NeighbourIndexes(sorted.minutiae[1]), (std::vector<int>{0, 2}));
}

// The neighbour search picks candidates by squared length; this is the walk
// it stands for, over every pair the window admits, on dense random
// templates where equal and boundary distances are common.
TEST(TemplateDecoderTest, NeighboursAsThePlainWalkFindsThem) {
  std::mt19937 random(17);
  for (int round = 0; round < 300; ++round) {
    TemplateSpec spec;
    spec.width = 160;
    const int spread = round % 3 == 0 ? 40 : 159;
    std::uniform_int_distribution<int> x(-spread, spread), y(-2 * spread, 2 * spread);
    const int count = 20 + round % 73;
    for (int k = 0; k < count; ++k) spec.minutiae.push_back({x(random), y(random)});
    // Most rounds in the extractor's order, by non-increasing x.
    if (round % 4 != 0)
      std::stable_sort(spec.minutiae.begin(), spec.minutiae.end(),
                       [](const MinutiaSpec& a, const MinutiaSpec& b) { return a.x > b.x; });
    DecodedTemplate d;
    ASSERT_EQ(Decode(spec, d), kOk);

    DecodedTemplate plain;
    ASSERT_EQ(ParseTemplate(WriteTemplate(spec).data(), plain.header, plain.minutiae), kOk);
    for (int i = 0; i < count; ++i) plain.minutiae[i].neighbours.fill({kNoNeighbour, kNoDistance});
    PositionTable table;
    BuildPositionTable(plain.header, plain.minutiae, table);
    const int w = plain.header.width;
    for (int i = 0; i < count; ++i) {
      IndexMinutia& m = plain.minutiae[i];
      const int first = m.x + w + 139 > 2 * w - 1 ? 0 : table[m.x + w + 139];
      const int last = m.x + w - 141 < 0 ? count - 1 : table[m.x + w - 141];
      for (int j = first; j <= last; ++j) {
        if (j == i || !WithinNeighbourRange(m, plain.minutiae[j])) continue;
        Neighbour carried{static_cast<std::uint8_t>(j), static_cast<std::uint32_t>(MinutiaDistance(m, plain.minutiae[j]))};
        for (Neighbour& slot : m.neighbours)
          if (slot.distance > carried.distance) std::swap(slot, carried);
      }
    }
    for (int i = 0; i < count; ++i)
      for (int k = 0; k < kNeighbourCount; ++k) {
        ASSERT_EQ(d.minutiae[i].neighbours[k].index, plain.minutiae[i].neighbours[k].index) << round << " " << i;
        ASSERT_EQ(d.minutiae[i].neighbours[k].distance, plain.minutiae[i].neighbours[k].distance);
      }
  }
}

}  // namespace
}  // namespace huellix
