#include "fingerprint/match_stages.h"

#include <gtest/gtest.h>

#include "bench/fingerprint/synthetic_finger.h"

namespace huellix {
namespace {

// Nine minutiae on a line, 20 apart and each turned 10 steps from the last,
// and a tenth far off with no neighbours.
class MatchStagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeMatcher(), 0);
    std::vector<synthetic::TemplateWord> words;
    for (int k = 0; k < 9; ++k) words.push_back({100 - 20 * k, 0, 10 * k, 0});
    words.push_back({-300, 0, 0, 0});
    const synthetic::Template bytes = synthetic::EncodeWords(words, 320);
    ASSERT_EQ(ParseMatchTemplate(std::span(bytes), t), kParseOk);
    BuildMatchNeighbours(t);
    polar.Reset(t);
    samePolar.Reset(t);
  }
  // Slot i paired with probe minutia `partner` at `value`.
  void Pair(int i, int partner, int value, int second = 0) {
    PairSlot& s = pairs[static_cast<std::size_t>(i)];
    CandidatePair& p = s.pairs[s.count++];
    p.partner = static_cast<std::uint8_t>(partner);
    p.value = value;
    p.secondValue = second;
  }
  const PairSlot& Slot(int i) const { return pairs[static_cast<std::size_t>(i)]; }
  MatchState State() { return {t, t, DefaultMatcherParams(), pairs, polar, samePolar}; }

  MatchTemplate t;
  PairTable pairs{};
  PolarCache polar, samePolar;
};

TEST_F(MatchStagesTest, OrderingPutsTheBestSumFirstAndCutsWeakPairs) {
  Pair(0, 1, 12, 0);
  Pair(0, 2, 30, 5);
  Pair(0, 3, 9, 50);  // best sum, but below the least value of 10
  Pair(1, 4, 9);      // a single pair below 10 goes too
  MatchState s = State();
  OrderCandidatePairs(s);
  EXPECT_EQ(Slot(0).count, 0);  // the leading pair (partner 3) is below 10
  EXPECT_EQ(Slot(0).pairs[0].partner, 3);
  EXPECT_EQ(Slot(1).count, 0);

  pairs = {};
  Pair(0, 1, 12, 0);
  Pair(0, 2, 30, 5);
  Pair(0, 3, 9, 1);
  OrderCandidatePairs(s);
  EXPECT_EQ(Slot(0).count, 2);
  EXPECT_EQ(Slot(0).pairs[0].partner, 2);
  EXPECT_EQ(Slot(0).pairs[1].partner, 1);
}

TEST_F(MatchStagesTest, SharedPartnerStaysWithTheStrongerSlot) {
  Pair(0, 5, 20);
  Pair(0, 6, 15);
  Pair(1, 5, 25);
  Pair(2, 7, 30);
  Pair(3, 7, 30);  // equal values: the second slot gives way
  MatchState s = State();
  RemoveSharedPartners(s);
  EXPECT_EQ(Slot(0).count, 1);
  EXPECT_EQ(Slot(0).Current().partner, 6);
  EXPECT_EQ(Slot(1).Current().partner, 5);
  EXPECT_EQ(Slot(2).count, 1);
  EXPECT_EQ(Slot(3).count, 0);
}

TEST_F(MatchStagesTest, DropWeakPairsUnpairsLowValuesAndTheWeakerOfASharedPartner) {
  Pair(0, 5, 19);  // below 20
  Pair(1, 6, 40);
  Pair(2, 6, 30);  // shares 6 with the stronger slot 1
  Pair(3, 7, 25);
  MatchState s = State();
  DropWeakPairs(s, 20);
  EXPECT_FALSE(Slot(0).Paired());
  EXPECT_TRUE(Slot(1).Paired());
  EXPECT_FALSE(Slot(2).Paired());
  EXPECT_TRUE(Slot(3).Paired());
}

TEST_F(MatchStagesTest, CountMatchedPairsNeedsPairedNeighboursAround) {
  // Minutiae 0..3 paired side by side support each other; 9 stands alone.
  for (int i : {0, 1, 2, 3, 9}) Pair(i, i, 50);
  MatchState s = State();
  EXPECT_EQ(CountMatchedPairs(s), 4);
  EXPECT_FALSE(Slot(9).Paired());
}

TEST_F(MatchStagesTest, ConsistentPairsSurviveTheFilterAndADisplacedOneDoesNot) {
  // Identity pairs agree with one another; slot 4 paired with minutia 8 breaks
  // the geometry of every other pair and has the lowest value.
  for (int i : {0, 1, 2, 3}) Pair(i, i, 50);
  Pair(4, 8, 20);
  MatchState s = State();
  FilterInconsistentPairs(s);
  for (int i : {0, 1, 2, 3}) EXPECT_TRUE(Slot(i).Paired()) << i;
  EXPECT_FALSE(Slot(4).Paired());
}

}  // namespace
}  // namespace huellix
