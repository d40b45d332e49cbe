#include "fingerprint/match_score.h"

#include <gtest/gtest.h>

namespace huellix {
namespace {

TEST(MatchScoreTest, Curves) {
  EXPECT_EQ(ScoreCurve(0), 0);
  EXPECT_EQ(ScoreCurve(7500), 9087);
  EXPECT_EQ(ScoreCurve(200000), 15000);
  EXPECT_EQ(CountCurve(30, 8000), 8000);
  EXPECT_EQ(CountCurve(5, 15000), 15000);
  EXPECT_EQ(CountCurve(0, 8000), 0);   // the curve is negative at no pairs
  EXPECT_EQ(CountCurve(-1, 8000), 0);
  EXPECT_EQ(CountCurve(10, 10000), 5870);
}

TEST(MatchScoreTest, LargeSumGivesTheTopScoreWhateverTheCoverage) {
  EXPECT_EQ(ScoreFromSum(15000, 4, 60), 9999);
  EXPECT_EQ(ScoreFromSum(90000, 30, 30), 9999);
  EXPECT_LT(ScoreFromSum(14999, 4, 60), 9999);
}

TEST(MatchScoreTest, Coverage) {
  // P = n: no reduction; P = n / 2: half of 10000 plus 3500.
  const int full = std::min(CountCurve(10, ScoreCurve(7500)), 9999);
  EXPECT_EQ(ScoreFromSum(7500, 10, 10), full);
  EXPECT_EQ(ScoreFromSum(7500, 10, 20), full * 8500 / 10000);
}

class ComputeMatchScoreTest : public ::testing::Test {
 protected:
  void Pair(int slot, int percentage, int matchedNeighbours) {
    PairSlot& s = table[static_cast<std::size_t>(slot)];
    s.count = 1;
    s.pairs[0].supportPercentage = percentage;
    s.pairs[0].value = 999;  // read only when the single-best-pair stage is off
    s.pairs[0].neighbourPartner.fill(0);
    for (int a = 0; a < matchedNeighbours; ++a) s.pairs[0].neighbourPartner[static_cast<std::size_t>(a)] = 9;
  }
  MatchTemplate stored;
  PairTable table{};
};

TEST_F(ComputeMatchScoreTest, SupportWeightedByMatchedNeighbours) {
  stored.count = 20;
  for (int i = 0; i < 10; ++i) Pair(i, 100, 5);
  // D = 10 * 150, E = D * 10000 / 2000 = 7500.
  const MatchScore s = ComputeMatchScore(stored, table, DefaultMatcherParams());
  EXPECT_EQ(s.pairs, 10);
  EXPECT_EQ(s.score, 5334 * 8500 / 10000);
}

TEST_F(ComputeMatchScoreTest, FewNeighboursHalveOrCancelAPair) {
  stored.count = 10;
  for (int i = 0; i < 10; ++i) Pair(i, 100, 5);
  EXPECT_EQ(ComputeMatchScore(stored, table, DefaultMatcherParams()).score, 9999);  // E = 15000
  Pair(0, 100, 4);  // 50 instead of 150
  Pair(1, 100, 2);  // 0
  const MatchScore s = ComputeMatchScore(stored, table, DefaultMatcherParams());
  EXPECT_EQ(s.pairs, 10);
  EXPECT_EQ(s.score, std::min(CountCurve(10, ScoreCurve(1250 * 10)), 9999));
}

TEST_F(ComputeMatchScoreTest, TooFewPairsScoreZero) {
  stored.count = 20;
  for (int i = 0; i < 4; ++i) Pair(i, 100, 8);  // 4 < 5, the least for 15 minutiae or more
  EXPECT_EQ(ComputeMatchScore(stored, table, DefaultMatcherParams()).score, 0);
  EXPECT_EQ(ComputeMatchScore(stored, table, DefaultMatcherParams()).pairs, 4);
  stored.count = 10;  // 4 is enough for 5..14
  EXPECT_GT(ComputeMatchScore(stored, table, DefaultMatcherParams()).score, 0);
}

TEST(MatchScoreTest, MinimumPairCount) {
  EXPECT_EQ(MinimumPairCount(4), 3);
  EXPECT_EQ(MinimumPairCount(5), 4);
  EXPECT_EQ(MinimumPairCount(14), 4);
  EXPECT_EQ(MinimumPairCount(15), 5);
}

}  // namespace
}  // namespace huellix
