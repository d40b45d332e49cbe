#include "fingerprint/match_tables.h"

#include <gtest/gtest.h>

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

TEST_F(MatchTablesTest, ParameterDefaults) {
  const MatcherParams& p = DefaultMatcherParams();
  struct Case {
    int index, value;
  };
  for (const Case& c : {Case{2, 1}, Case{4, 1}, Case{6, 1}, Case{7, 1}, Case{8, 1}, Case{9, 1}, Case{13, 10},
                        Case{14, 20}, Case{15, 2}, Case{16, 0}, Case{20, 10}, Case{24, 20}, Case{25, 20},
                        Case{26, 8}, Case{27, 8}, Case{29, 250}, Case{30, 250}, Case{31, 8}, Case{33, 16}}) {
    EXPECT_EQ(p[c.index], c.value) << c.index;
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
