#include "fingerprint/match_pairing.h"

#include <gtest/gtest.h>

namespace huellix {
namespace {

NeighbourCandidate Candidate(int similarity, int partner, int direction = 0, int angle = 0, int distance = 0) {
  return {similarity, static_cast<std::uint8_t>(partner), direction, angle, distance};
}

class ResolveTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(InitializeMatcher(), 0); }
  NeighbourTable table{};
  const MatcherParams& p = DefaultMatcherParams();
};

TEST_F(ResolveTest, FourDistinctPartnersAreKept) {
  for (int a = 0; a < 4; ++a) table[a][0] = Candidate(10 + a, 20 + a);
  const NeighbourhoodMatch m = ResolveNeighbourMatches(table, p);
  EXPECT_EQ(m.agreeing, 4);
  EXPECT_EQ(m.similarity, 10 + 11 + 12 + 13);
}

TEST_F(ResolveTest, TheWeakerClaimOnOnePartnerGivesWay) {
  table[0][0] = Candidate(20, 7);
  table[0][1] = Candidate(15, 8);
  table[1][0] = Candidate(25, 7);  // stronger: neighbour 0 falls back to partner 8
  table[2][0] = Candidate(12, 9);
  table[3][0] = Candidate(12, 9);  // equal: the other claim (neighbour 3) gives way, leaving it empty
  const NeighbourhoodMatch m = ResolveNeighbourMatches(table, p);
  EXPECT_EQ(table[0][0].partner, 8);
  EXPECT_EQ(table[3][0].similarity, 0);
  EXPECT_EQ(m.agreeing, 3);
  EXPECT_EQ(m.similarity, 15 + 25 + 12);
}

TEST_F(ResolveTest, TwoOrThreeNeedTwoAgreeingNeighbours) {
  struct Case {
    int secondDirection, secondDistance;
    int agreeing;
  };
  // Deviations of neighbour 0: direction 2, distance 3. Limits: 8 and 16.
  for (const Case& c : {Case{10, 3, 2}, Case{11, 3, 0}, Case{2, 19, 2}, Case{2, 20, 0}}) {
    NeighbourTable t{};
    t[0][0] = Candidate(15, 1, 2, 0, 3);
    t[1][0] = Candidate(15, 2, c.secondDirection, 0, c.secondDistance);
    EXPECT_EQ(ResolveNeighbourMatches(t, p).agreeing, c.agreeing) << c.secondDirection << "," << c.secondDistance;
  }
}

TEST_F(ResolveTest, OneNeighbourOrALowSumIsNoMatch) {
  table[0][0] = Candidate(30, 1);
  EXPECT_EQ(ResolveNeighbourMatches(table, p).agreeing, 0);
  NeighbourTable low{};
  low[0][0] = Candidate(4, 1);
  low[1][0] = Candidate(5, 2);  // S = 9 < 10
  EXPECT_EQ(ResolveNeighbourMatches(low, p).agreeing, 0);
}

TEST(AddCandidatePairTest, AFullSlotReplacesItsWeakestPairOnlyForABetterOne) {
  PairSlot slot;
  for (int v : {30, 12, 40, 12}) {
    CandidatePair c;
    c.value = v;
    AddCandidatePair(slot, c);
  }
  ASSERT_EQ(slot.count, 4);
  CandidatePair same;
  same.value = 12;
  AddCandidatePair(slot, same);
  EXPECT_EQ(slot.pairs[1].value, 12);
  CandidatePair better;
  better.value = 13;
  better.partner = 5;
  AddCandidatePair(slot, better);
  EXPECT_EQ(slot.pairs[1].partner, 5);  // the first of the two weakest
  EXPECT_EQ(slot.pairs[3].value, 12);
  slot.DropFirst();
  EXPECT_EQ(slot.count, 3);
  EXPECT_EQ(slot.pairs[0].value, 13);
}

}  // namespace
}  // namespace huellix
