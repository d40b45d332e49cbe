#include "fingerprint/match_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace huellix {
namespace {

class MatchTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(InitializeMatcher(), 0); }
};

TEST_F(MatchTablesTest, SineAndCosineAtTheirEdges) {
  struct Case {
    int step, sine, cosine;
  };
  for (const Case& c : {Case{0, 0, 1000}, Case{32, 1000, 0}, Case{64, 0, -999}, Case{96, -999, 0},
                        Case{16, 707, 707}, Case{127, -48, 999}}) {
    SCOPED_TRACE(c.step);
    EXPECT_EQ(SinTable()[c.step], c.sine);
    EXPECT_EQ(CosTable()[c.step], c.cosine);
  }
}

TEST_F(MatchTablesTest, ArctanTableRowZeroAndDiagonal) {
  EXPECT_EQ(ArctanTable()[0][0], 16);
  EXPECT_EQ(ArctanTable()[0][1], 31);
  EXPECT_EQ(ArctanTable()[0][30], 31);
  EXPECT_EQ(ArctanTable()[0][31], 32);
  EXPECT_EQ(ArctanTable()[0][149], 32);
  EXPECT_EQ(ArctanTable()[149][0], 0);
  EXPECT_EQ(ArctanTable()[1][2], 22);
  EXPECT_EQ(ArctanTable()[2][1], 9);
  EXPECT_EQ(ArctanTable()[1][149], 31);
  for (int k = 0; k < kTableSide; ++k) EXPECT_EQ(ArctanTable()[k][k], 16) << k;
}

TEST_F(MatchTablesTest, DistanceToleranceAtItsEnds) {
  EXPECT_EQ(DistanceTolerance()[0], 7);
  EXPECT_EQ(DistanceTolerance()[9], 7);
  EXPECT_EQ(DistanceTolerance()[10], 7);
  EXPECT_EQ(DistanceTolerance()[19], 10);
  EXPECT_EQ(DistanceTolerance()[724], 256);
  // Past either end the lookup holds to the table.
  EXPECT_EQ(ToleranceAt(725), 256);
  EXPECT_EQ(ToleranceAt(100000), 256);
  EXPECT_EQ(ToleranceAt(-3), 7);
}

TEST_F(MatchTablesTest, WeightTables) {
  EXPECT_EQ(AngleWeight()[0], 10);
  EXPECT_EQ(AngleWeight()[6], 2);
  EXPECT_EQ(AngleWeight()[13], 1);
  EXPECT_EQ(DistanceWeight()[0], 10);
  EXPECT_EQ(DistanceWeight()[3], 9);
  EXPECT_EQ(DistanceWeight()[29], 1);
  EXPECT_EQ(AngleWeightAt(14), 1);
  EXPECT_EQ(DistanceWeightAt(31), 1);
}

// The record keeps the layout it always had: word by word the same defaults,
// and each named field in its place.
TEST_F(MatchTablesTest, ParameterDefaultsInTheirPlaces) {
  const MatcherParams& p = DefaultMatcherParams();
  std::array<std::int32_t, 36> words;
  static_assert(sizeof words == sizeof p);
  std::memcpy(words.data(), &p, sizeof p);
  EXPECT_EQ(words, (std::array<std::int32_t, 36>{1, 0, 1, 1, 1, 0, 1, 1, 1, 1, 0, 0, 1, 10, 20, 2, 0, 0, 0, 0,
                                                 10, 30, 30, 150, 20, 20, 8, 8, 16, 250, 250, 8, 17, 16, 2, 0}));
  struct Case {
    int index;
    std::int32_t value;
    const char* name;
  };
  for (const Case& c : {Case{2, p.requireEnoughPairs, "requireEnoughPairs"},
                        Case{4, p.alignToBestPair, "alignToBestPair"},
                        Case{6, p.keepBestCandidates, "keepBestCandidates"},
                        Case{7, p.propagatePairs, "propagatePairs"},
                        Case{8, p.orderCandidatePairs, "orderCandidatePairs"},
                        Case{9, p.removeSharedPartners, "removeSharedPartners"},
                        Case{13, p.leastSimilarity, "leastSimilarity"},
                        Case{14, p.leastSupport, "leastSupport"},
                        Case{15, p.leastAgreeingNeighbours, "leastAgreeingNeighbours"},
                        Case{20, p.alignTurnTolerance, "alignTurnTolerance"},
                        Case{24, p.leastSupportPercentage, "leastSupportPercentage"},
                        Case{25, p.leastSupportCountPercentage, "leastSupportCountPercentage"},
                        Case{26, p.comparedNeighbours, "comparedNeighbours"},
                        Case{27, p.entryDirectionTolerance, "entryDirectionTolerance"},
                        Case{29, p.pairingWindowX, "pairingWindowX"},
                        Case{30, p.pairingWindowY, "pairingWindowY"},
                        Case{31, p.agreementAngleTolerance, "agreementAngleTolerance"},
                        Case{33, p.agreementDistanceTolerance, "agreementDistanceTolerance"}}) {
    EXPECT_EQ(words[static_cast<std::size_t>(c.index)], c.value) << c.name;
  }
}

TEST_F(MatchTablesTest, DistanceInsideAndBeyondTheTable) {
  EXPECT_EQ(MatchDistance(3, 4), 5);
  EXPECT_EQ(MatchDistance(-3, -4), 5);
  EXPECT_EQ(MatchDistance(149, 0), 149);
  EXPECT_EQ(MatchDistance(150, 0), 150);  // scale 2: 2 * distance(75, 0)
  EXPECT_EQ(MatchDistance(151, 0), 150);
  EXPECT_EQ(MatchDistance(300, 400), 498);  // scale 3: 3 * distance(100, 133)
  EXPECT_EQ(MatchDistance(511, 511), 720);  // scale 4: 4 * distance(127, 127)
}

TEST_F(MatchTablesTest, DirectionOfVectors) {
  struct Case {
    int dx, dy, direction;
  };
  for (const Case& c : {Case{10, 0, 0}, Case{10, 10, 16}, Case{-10, 0, 64}, Case{-10, -10, 80},
                        Case{40, -40, 112}, Case{0, 40, 32}, Case{0, 10, 31}, Case{0, -40, 96},
                        Case{300, 300, 16}}) {
    EXPECT_EQ(MatchDirection(c.dx, c.dy), c.direction) << c.dx << "," << c.dy;
  }
}

TEST_F(MatchTablesTest, WrapAndNormalise) {
  EXPECT_EQ(WrapDirection(-64), -64);
  EXPECT_EQ(WrapDirection(64), 64);
  EXPECT_EQ(WrapDirection(65), -63);
  EXPECT_EQ(WrapDirection(-65), 63);
  EXPECT_EQ(WrapDirection(254), -2);
  EXPECT_EQ(NormaliseDirection(-1), 127);
  EXPECT_EQ(NormaliseDirection(128), 0);
}

TEST_F(MatchTablesTest, RotateAndPolar) {
  int x = 100, y = 0;
  RotateVector(x, y, 32);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, -100);
  x = 100, y = 0;
  RotateVector(x, y, 32 + 128 * 3);  // brought into the circle first
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, -100);

  x = 0, y = 50;
  EXPECT_EQ(VectorToPolar(x, y, 8), 0);
  EXPECT_EQ(x, 24);  // direction 32 seen from 8
  EXPECT_EQ(y, 50);
  x = 10, y = 0;
  EXPECT_EQ(VectorToPolar(x, y, 5), 0);
  EXPECT_EQ(x, 123);
  x = 10, y = 0;
  EXPECT_EQ(VectorToPolar(x, y, 128 * 20), 1);
  EXPECT_EQ(x, 10);
}

}  // namespace
}  // namespace huellix
