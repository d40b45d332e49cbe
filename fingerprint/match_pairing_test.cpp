#include "fingerprint/match_pairing.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "fingerprint/synthetic_finger.h"

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

// The pairing as the reference rule reads, which PairMinutiae's index must
// match: every window candidate's neighbourhood compared in full.
PairTable PairedInFull(const MatchTemplate& t1, const MatchTemplate& t2, const MatcherParams& p) {
  PairTable pairs{};
  const int neighbours = std::min(p.comparedNeighbours, kMatchNeighbours);
  for (int i = 0; i < t1.count; ++i) {
    const MatchMinutia& mi = t1.minutiae[i];
    const IndexRange range = WindowRange(t2, mi.x, p.pairingWindowX, WindowUse::Pairing);
    for (int j = std::max(range.first, 0); j <= range.last && j < t2.count; ++j) {
      const MatchMinutia& mj = t2.minutiae[j];
      if (std::abs(mi.y - mj.y) > p.pairingWindowY || std::abs(mi.x - mj.x) > p.pairingWindowX) continue;
      NeighbourTable table;
      reference::CompareNeighbourhoods(reference::RowOf(t1, i, p), reference::RowOf(t2, j, p), table);
      const NeighbourhoodMatch m = ResolveNeighbourMatches(table, p);
      if (m.agreeing < p.leastAgreeingNeighbours) continue;
      AddCandidatePair(pairs[i], MakeCandidatePair(mi, mj, j, m, table, neighbours));
    }
  }
  return pairs;
}

void ExpectSamePairs(const PairTable& got, const PairTable& expected, int count) {
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(got[i].count, expected[i].count) << "slot " << i;
    for (int k = 0; k < got[i].count; ++k) {
      const CandidatePair &g = got[i].pairs[k], &e = expected[i].pairs[k];
      ASSERT_EQ(g.partner, e.partner) << "slot " << i << " pair " << k;
      ASSERT_EQ(g.value, e.value) << "slot " << i << " pair " << k;
      ASSERT_EQ(std::make_tuple(g.directionDifference, g.dx, g.dy, g.secondValue),
                std::make_tuple(e.directionDifference, e.dx, e.dy, e.secondValue));
      ASSERT_EQ(g.neighbourSimilarity, e.neighbourSimilarity) << "slot " << i << " pair " << k;
      ASSERT_EQ(g.neighbourPartner, e.neighbourPartner) << "slot " << i << " pair " << k;
    }
  }
}

// Mates, strangers and a template against itself, with the defaults and with
// fewer neighbours (an index of the probe's own) or no least agreeing count.
TEST(PairMinutiaeTest, PairsAsTheFullComparisonGives) {
  ASSERT_EQ(InitializeMatcher(), 0);
  using namespace synthetic;
  std::vector<MatchTemplate> impressions(12);
  for (int k = 0; k < 12; ++k) {
    const SyntheticFinger f = MakeFinger(FingerSeed(11, static_cast<std::uint64_t>(k / 2)), FingerParams{});
    const Template bytes = MakeImpression(f, ImpressionSeed(11, static_cast<std::uint64_t>(k / 2), k % 2),
                                          ImpressionParams::Mild());
    ASSERT_EQ(ParseMatchTemplate(bytes, impressions[k]), kParseOk);
    // Half the probes bring their pairing index, the others leave it to the pairing.
    if (k % 2 == 0)
      BuildMatchProbe(impressions[k]);
    else
      BuildMatchNeighbours(impressions[k]);
  }
  MatcherParams fewer = DefaultMatcherParams();
  fewer.comparedNeighbours = 5;
  MatcherParams anyCount = DefaultMatcherParams();
  anyCount.leastAgreeingNeighbours = 0;
  for (const MatcherParams* p : std::array{&DefaultMatcherParams(), &std::as_const(fewer), &std::as_const(anyCount)})
    for (int k = 0; k < 12; ++k)
      for (int other : {k, k ^ 1, (k + 3) % 12}) {
        SCOPED_TRACE(testing::Message() << "templates " << k << ", " << other << "; neighbours "
                                        << p->comparedNeighbours << ", least agreeing " << p->leastAgreeingNeighbours);
        PairTable pairs{};
        PairMinutiae(impressions[k], impressions[other], *p, pairs);
        ExpectSamePairs(pairs, PairedInFull(impressions[k], impressions[other], *p), impressions[k].count);
      }
  // Sparse prints: neighbours farther apart than the index's bytes hold.
  std::uint32_t seed = 5;
  const auto next = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
  };
  int paired = 0, far = 0;
  for (int round = 0; round < 10; ++round) {
    std::vector<TemplateWord> words(static_cast<std::size_t>(10 + next(20)));
    for (TemplateWord& w : words) w = {next(1023) - 511, next(1023) - 511, next(128), 0};
    std::vector<TemplateWord> moved = words;
    for (TemplateWord& w : moved) w = {w.x + next(5) - 2, w.y + next(5) - 2, (w.direction + next(3) + 127) % 128, 0};
    MatchTemplate stored, probe;
    ASSERT_EQ(ParseMatchTemplate(EncodeWords(words, 400), stored), kParseOk);
    ASSERT_EQ(ParseMatchTemplate(EncodeWords(moved, 400), probe), kParseOk);
    BuildMatchNeighbours(stored);
    BuildMatchProbe(probe);
    PairTable pairs{};
    PairMinutiae(stored, probe, DefaultMatcherParams(), pairs);
    const PairTable expected = PairedInFull(stored, probe, DefaultMatcherParams());
    ExpectSamePairs(pairs, expected, stored.count);
    paired += CountPairedSlots(stored, expected);
    for (int i = 0; i < stored.count; ++i)
      for (const NeighbourEntry& e : stored.minutiae[i].neighbours)
        far += e.index != kNoNeighbour && e.distance > 255 ? 1 : 0;
  }
  EXPECT_GT(paired, 0);
  EXPECT_GT(far, 0);
  // A probe buffer used again: the index of the template it held before is not used.
  MatchTemplate reused = impressions[0];
  reused.minutiae = impressions[3].minutiae;
  reused.count = impressions[3].count;
  reused.width = impressions[3].width;
  BuildMatchNeighbours(reused);
  PairTable pairs{};
  PairMinutiae(impressions[2], reused, DefaultMatcherParams(), pairs);
  ExpectSamePairs(pairs, PairedInFull(impressions[2], impressions[3], DefaultMatcherParams()), impressions[2].count);
}

}  // namespace
}  // namespace huellix
