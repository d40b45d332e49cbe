#include "fingerprint/matcher.h"

#include <algorithm>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fingerprint/synthetic_finger.h"

namespace huellix {
namespace {

using namespace synthetic;

MatchResult Match(const Template& a, const Template& b) { return MatchTemplates(std::span(a), std::span(b)); }

class MatcherTest : public ::testing::Test {
 protected:
  static constexpr std::uint64_t kSeed = 20261210;
  static Template Impression(int finger, int impression) {
    return MakeImpression(MakeFinger(FingerSeed(kSeed, finger), FingerParams{}),
                          ImpressionSeed(kSeed, finger, impression), ImpressionParams::Mild());
  }
};

TEST_F(MatcherTest, TemplateCodes) {
  const Template good = Impression(1, 0);
  Template seven = good;
  seven[13] = 7;
  Template many = good;
  many[13] = 143;
  Template layout62 = good;
  layout62[19] = 62;
  struct Case {
    const Template& stored;
    const Template& probe;
    int code;
  };
  for (const Case& c : {Case{seven, good, kMatchStoredUnusable}, Case{seven, seven, kMatchStoredUnusable},
                        Case{many, good, kMatchStoredUnusable}, Case{layout62, good, kMatchStoredUnusable},
                        Case{good, seven, kMatchProbeTooFew}, Case{good, many, kParseTooMany},
                        Case{good, layout62, kParseLayout62}}) {
    const MatchResult r = Match(c.stored, c.probe);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.score, 0);
    EXPECT_EQ(r.pairs, 0);
  }
}

TEST_F(MatcherTest, ATemplateAgainstItselfScoresHigh) {
  for (int finger = 0; finger < 5; ++finger) {
    const Template t = Impression(finger, 0);
    const MatchResult r = Match(t, t);
    EXPECT_EQ(r.code, kMatchOk) << finger;
    EXPECT_GT(r.score, 5000) << finger;
    EXPECT_GE(r.pairs, t[13] / 2) << finger;
  }
}

TEST_F(MatcherTest, MatesScoreFarAboveImpostors) {
  int worstMate = 9999, bestImpostor = 0;
  for (int finger = 0; finger < 12; ++finger) {
    worstMate = std::min(worstMate, Match(Impression(finger, 0), Impression(finger, 1)).score);
    for (int other = 0; other < 12; ++other)
      if (other != finger) bestImpostor = std::max(bestImpostor, Match(Impression(finger, 0), Impression(other, 1)).score);
  }
  EXPECT_GT(worstMate, 2 * bestImpostor) << "worst mate " << worstMate << ", best impostor " << bestImpostor;
}

TEST_F(MatcherTest, TooFewPairsForUnrelatedSparseTemplates) {
  // Eight minutiae far apart from one another: nothing has neighbours alike.
  std::vector<TemplateWord> a, b;
  for (int k = 0; k < 8; ++k) {
    a.push_back({150 - 40 * k, (k % 2) * 150 - 75, 16 * k, 0});
    b.push_back({150 - 40 * k, 200 - 50 * k, 7 * k + 3, 1});
  }
  const MatchResult r = Match(EncodeWords(a), EncodeWords(b));
  EXPECT_EQ(r.code, kMatchTooFewPairs);
  EXPECT_EQ(r.score, 0);
}

TEST_F(MatcherTest, APreparedProbeMatchesAsItsBytesDo) {
  Template seven = Impression(2, 1);
  seven[13] = 7;
  Template layout62 = Impression(2, 1);
  layout62[19] = 62;
  std::vector<Template> probes = {Impression(0, 1), Impression(1, 2), Impression(5, 1), seven, layout62};
  for (const Template& probe : probes) {
    PreparedProbe prepared;
    PrepareProbe(probe, prepared);
    for (int finger = 0; finger < 6; ++finger) {
      const Template stored = Impression(finger, 0);
      const MatchResult a = Match(stored, probe), b = MatchPrepared(stored, prepared);
      EXPECT_EQ(b.code, a.code) << finger;
      EXPECT_EQ(b.score, a.score) << finger;
      EXPECT_EQ(b.pairs, a.pairs) << finger;
    }
  }
}

TEST_F(MatcherTest, SameResultOnEveryThread) {
  std::vector<Template> probes;
  for (int k = 0; k < 8; ++k) probes.push_back(Impression(k % 4, 1 + k / 4));
  const Template stored = Impression(0, 0);
  std::vector<MatchResult> once;
  for (const Template& p : probes) once.push_back(Match(stored, p));
  std::vector<MatchResult> threaded(probes.size());
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < probes.size(); ++k)
    threads.emplace_back([&, k] { threaded[k] = Match(stored, probes[k]); });
  for (auto& t : threads) t.join();
  for (std::size_t k = 0; k < probes.size(); ++k) {
    EXPECT_EQ(threaded[k].score, once[k].score);
    EXPECT_EQ(threaded[k].pairs, once[k].pairs);
  }
}

}  // namespace
}  // namespace huellix
