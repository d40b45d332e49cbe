#include "fingerprint/match_stages.h"

#include <gtest/gtest.h>

#include "fingerprint/synthetic_finger.h"

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

// The vectors of a template whose coordinates sit on and beside the edges of
// the tables' scales (150, 300, 450), at the extremes of the layout, on top of
// one another and straight above one another (the arctangent table's first
// row), each worked out one by one, all at once and for a subset, against
// VectorToPolar.
TEST(PolarCacheTest, EveryWayOfWorkingOutAVectorAgreesWithVectorToPolar) {
  ASSERT_EQ(InitializeMatcher(), 0);
  const std::vector<int> coordinates = {-511, -450, -449, -301, -300, -299, -151, -150, -149, -31, -30, -1, 0,
                                        1,    29,   30,   31,   74,   75,   149,  150,  151,  299,  300, 301,
                                        449,  450,  451,  510,  511,  7,    -7,   64,   -64,  200,  -200};
  std::vector<synthetic::TemplateWord> words;
  for (std::size_t k = 0; words.size() < static_cast<std::size_t>(kWordsInTemplate); ++k) {
    const int x = coordinates[k % coordinates.size()];
    const int y = coordinates[(k * 7 + k / coordinates.size()) % coordinates.size()];
    words.push_back({x, y, static_cast<int>((k * 37) % 128), 0});
  }
  words[1] = {words[0].x, words[0].y, 5, 0};       // on top of minutia 0
  words[2] = {words[0].x, words[0].y + 20, 9, 0};  // straight above it, near
  words[3] = {words[0].x, words[0].y - 90, 127, 0};
  const synthetic::Template bytes = synthetic::EncodeWords(words, 511);
  MatchTemplate t;
  ASSERT_EQ(ParseMatchTemplate(std::span(bytes), t), kParseOk);
  ASSERT_EQ(t.count, kWordsInTemplate);

  PolarCache oneByOne, all, some;
  oneByOne.Reset(t);
  all.Fill(t);
  some.Reset(t);
  std::vector<std::uint8_t> subset;
  for (int i = 0; i < t.count; i += 3) subset.push_back(static_cast<std::uint8_t>(i));
  some.FillAmong(subset.data(), static_cast<int>(subset.size()));
  for (int from = 0; from < t.count; ++from) {
    for (int to = 0; to < t.count; ++to) {
      const MatchMinutia& a = t.minutiae[static_cast<std::size_t>(from)];
      const MatchMinutia& b = t.minutiae[static_cast<std::size_t>(to)];
      int x = b.x - a.x, y = b.y - a.y;
      ASSERT_EQ(VectorToPolar(x, y, b.direction), 0);
      const auto expect = [&](Polar p, const char* way) {
        EXPECT_EQ(p.angle, x) << way << " " << from << " -> " << to;
        EXPECT_EQ(p.distance, y) << way << " " << from << " -> " << to;
      };
      expect(oneByOne.Get(from, to), "one by one");
      expect(all.Get(from, to), "all at once");
      expect(PolarCache::Unpack(all.Column(to)[from]), "column");
      if (from % 3 == 0 && to % 3 == 0) expect(PolarCache::Unpack(some.Column(to)[from]), "subset");
      expect(some.Get(from, to), "subset, then one by one");
    }
  }
}

// Neighbour support as the plain double loop over slots and their supporters
// works it out, against the stage, which files supporters by turn: on the pair
// tables of genuine and impostor comparisons, whose turns wrap past 0 and 127.
TEST(NeighbourSupportTest, FilingByTurnFindsWhatThePlainLoopFinds) {
  ASSERT_EQ(InitializeMatcher(), 0);
  const MatcherParams& p = DefaultMatcherParams();
  const auto impression = [](int finger, int n) {
    return synthetic::MakeImpression(synthetic::MakeFinger(synthetic::FingerSeed(31, finger), {}),
                                     synthetic::ImpressionSeed(31, finger, n), synthetic::ImpressionParams::Mild());
  };
  const auto plain = [&](const MatchTemplate& t1, const MatchTemplate& t2, const PairTable& table, int i, int j) {
    int count = 0, sum = 0;
    for (int k = 0; k < t1.count; ++k) {
      if (k == i) continue;
      int bestAgreement = 0;
      const PairSlot& sk = table[static_cast<std::size_t>(k)];
      for (int e = 0; e < sk.count; ++e) {
        const CandidatePair& other = sk.pairs[static_cast<std::size_t>(e)];
        if (other.value < p.leastSimilarity || other.partner == j) continue;
        int ax = t1.minutiae[static_cast<std::size_t>(i)].x - t1.minutiae[static_cast<std::size_t>(k)].x;
        int ay = t1.minutiae[static_cast<std::size_t>(i)].y - t1.minutiae[static_cast<std::size_t>(k)].y;
        int bx = t2.minutiae[j].x - t2.minutiae[other.partner].x;
        int by = t2.minutiae[j].y - t2.minutiae[other.partner].y;
        VectorToPolar(ax, ay, t1.minutiae[static_cast<std::size_t>(i)].direction);
        VectorToPolar(bx, by, t2.minutiae[j].direction);
        const int turn = WrapDirection(t1.minutiae[static_cast<std::size_t>(i)].direction -
                                       t1.minutiae[static_cast<std::size_t>(k)].direction);
        const int direction =
            std::abs(WrapDirection(turn - WrapDirection(t2.minutiae[j].direction - t2.minutiae[other.partner].direction)));
        const int angle = std::abs(WrapDirection(ax - bx)), distance = std::abs(ay - by);
        const int position = std::min(ToleranceAt(ay), 30);
        if (direction > 8 || angle > std::max(ArctanAt(ay, position), 3) || distance > position) continue;
        if (angle >= kAngleWeightBound || distance >= kDistanceWeightBound) continue;
        bestAgreement = std::max(bestAgreement, AngleWeightAt(angle) + DistanceWeightAt(distance) + AngleWeightAt(direction));
      }
      count += bestAgreement > 0;
      sum += bestAgreement;
    }
    return std::pair{count, sum};
  };
  int wrapped = 0;
  for (int finger = 0; finger < 12; ++finger) {
    const synthetic::Template storedBytes = impression(finger, 0);
    const synthetic::Template probeBytes = impression(finger % 3 == 2 ? finger + 100 : finger, 1);
    MatchTemplate stored, probe;
    ASSERT_EQ(ParseMatchTemplate(std::span(storedBytes), stored), kParseOk);
    ASSERT_EQ(ParseMatchTemplate(std::span(probeBytes), probe), kParseOk);
    BuildMatchNeighbours(stored);
    BuildMatchNeighbours(probe);
    PairTable table{};
    PairMinutiae(stored, probe, p, table);
    PolarCache storedPolar, probePolar;
    storedPolar.Reset(stored);
    probePolar.Reset(probe);
    MatchState s{stored, probe, p, table, storedPolar, probePolar};
    const BestPair best = ScoreNeighbourSupport(s);
    BestPair expectedBest;
    int bestSum = -1;
    for (int i = 0; i < stored.count; ++i) {
      const PairSlot& slot = table[static_cast<std::size_t>(i)];
      for (int e = 0; e < slot.count; ++e) {
        const CandidatePair& pair = slot.pairs[static_cast<std::size_t>(e)];
        const auto [count, sum] =
            pair.value >= p.leastSimilarity ? plain(stored, probe, table, i, pair.partner) : std::pair{0, 0};
        EXPECT_EQ(pair.supportCount, count) << finger << ": slot " << i << " pair " << e;
        EXPECT_EQ(pair.secondValue, sum) << finger << ": slot " << i << " pair " << e;
        if (sum > bestSum) {
          bestSum = sum;
          expectedBest = {i, e};
        }
        const int turn = (stored.minutiae[static_cast<std::size_t>(i)].direction - probe.minutiae[pair.partner].direction) & 127;
        wrapped += turn < 8 || turn > 119;
      }
    }
    EXPECT_EQ(best.slot, expectedBest.slot) << finger;
    EXPECT_EQ(best.pair, expectedBest.pair) << finger;
  }
  EXPECT_GT(wrapped, 0);  // the cases reach the edges of the file
}

}  // namespace
}  // namespace huellix
