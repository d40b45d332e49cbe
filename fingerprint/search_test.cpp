#include "fingerprint/search.h"

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "fingerprint/Huellix.h"
#include "fingerprint/engine_fixture.h"
#include "fingerprint/key_quantisation.h"
#include "fingerprint/synthetic_finger.h"

namespace huellix {
namespace {

using synthetic::Template;

constexpr std::uint64_t kSeed = 424242;
constexpr int kFingers = 60;

Template Impression(int finger, int impression) {
  return synthetic::MakeImpression(synthetic::MakeFinger(synthetic::FingerSeed(kSeed, finger), {}),
                                   synthetic::ImpressionSeed(kSeed, finger, impression),
                                   synthetic::ImpressionParams::Mild());
}

FingerprintId IdOf(int finger) { return {1000 + finger, static_cast<std::uint8_t>(finger % 10), 3}; }

bool Empty(const SearchCandidate& c) {
  return c.userId == 0 && c.finger == 0 && c.sample == 0 && c.level == 0 && c.reserved == 0;
}

class SearchTest : public testing::EngineTest {
 protected:
  static void RegisterGallery() {
    for (int f = 0; f < kFingers; ++f) {
      const Template t = Impression(f, 0);
      const FingerprintId id = IdOf(f);
      ASSERT_EQ(FPSRegisterFP(t.data(), &id), FPS_OK) << f;
    }
  }
  static std::vector<SearchCandidate> Search(const Template& probe, int n) {
    std::vector<SearchCandidate> found(static_cast<std::size_t>(n), SearchCandidate{9, 9, 9, 9, 9});
    EXPECT_EQ(FPSSearchFP(probe.data(), found.data(), n), FPS_OK);
    return found;
  }
};

TEST_F(SearchTest, EmptyDatabaseFindsNothing) {
  for (const SearchCandidate& c : Search(Impression(1, 1), 5)) EXPECT_TRUE(Empty(c));
  FingerprintId id{7, 7, 7};
  for (int threshold : {0, 1, 9}) {
    EXPECT_EQ(FPSIdentifyFP(Impression(1, 1).data(), threshold, &id), FPS_ALREADY_REGISTERED) << threshold;
    EXPECT_EQ(id.userId, 0);
    EXPECT_EQ(id.finger, 0);
    EXPECT_EQ(id.sample, 0);
  }
}

TEST_F(SearchTest, ProbeThatDoesNotDecodeIsRefused) {
  RegisterGallery();
  Template probe = Impression(1, 1);
  probe[13] = 143;
  std::vector<SearchCandidate> found(3, SearchCandidate{9, 9, 9, 9, 9});
  EXPECT_EQ(FPSSearchFP(probe.data(), found.data(), 3), FPS_CANNOT_READ);
  for (const SearchCandidate& c : found) EXPECT_TRUE(Empty(c));
}

TEST_F(SearchTest, FindsTheMateFirstAndIdentifiesIt) {
  RegisterGallery();
  int firsts = 0;
  for (int f = 0; f < kFingers; ++f) {
    const std::vector<SearchCandidate> found = Search(Impression(f, 1), 10);
    if (found[0].userId == IdOf(f).userId && found[0].finger == IdOf(f).finger && found[0].sample == 3) ++firsts;
    // Candidates come first, best level first; zero records after them.
    const auto end = std::find_if(found.begin(), found.end(), Empty);
    EXPECT_TRUE(std::all_of(end, found.end(), Empty));
    EXPECT_TRUE(std::is_sorted(found.begin(), end, [](auto& a, auto& b) { return a.level > b.level; }));
  }
  EXPECT_EQ(firsts, kFingers);

  FingerprintId id{};
  ASSERT_EQ(FPSIdentifyFP(Impression(5, 2).data(), 1, &id), FPS_OK);
  EXPECT_EQ(id.userId, IdOf(5).userId);
  EXPECT_EQ(id.finger, IdOf(5).finger);
  EXPECT_EQ(id.sample, 0);  // the sample is not reported
}

TEST_F(SearchTest, TheRegisteredTemplateItselfComesFirst) {
  RegisterGallery();
  const std::vector<SearchCandidate> found = Search(Impression(17, 0), 3);
  EXPECT_EQ(found[0].userId, IdOf(17).userId);
  EXPECT_EQ(found[0].level, 9);
}

TEST_F(SearchTest, NoMoreThanNCandidates) {
  RegisterGallery();
  const Template probe = Impression(3, 1);
  const std::vector<SearchCandidate> one = Search(probe, 1);
  EXPECT_EQ(one[0].userId, IdOf(3).userId);
  const std::vector<SearchCandidate> many = Search(probe, 30);
  const std::vector<SearchCandidate> two = Search(probe, 2);
  EXPECT_EQ(two[0].userId, many[0].userId);
  // n = 0 writes nothing and finds nothing.
  SearchCandidate untouched{5, 5, 5, 5, 5};
  EXPECT_EQ(FPSSearchFP(probe.data(), &untouched, 0), FPS_OK);
  EXPECT_EQ(untouched.userId, 5);
}

TEST_F(SearchTest, SameCandidatesOnEveryRunAndThread) {
  RegisterGallery();
  std::vector<Template> probes;
  for (int f = 0; f < 8; ++f) probes.push_back(Impression(f * 7, 2));
  std::vector<std::vector<SearchCandidate>> once;
  for (const Template& p : probes) once.push_back(Search(p, 30));
  std::vector<std::vector<SearchCandidate>> threaded(probes.size());
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < probes.size(); ++k)
    threads.emplace_back([&, k] { threaded[k] = Search(probes[k], 30); });
  for (auto& t : threads) t.join();
  const auto same = [](const SearchCandidate& a, const SearchCandidate& b) {
    return a.userId == b.userId && a.finger == b.finger && a.sample == b.sample && a.level == b.level;
  };
  for (std::size_t k = 0; k < probes.size(); ++k)
    EXPECT_TRUE(std::equal(once[k].begin(), once[k].end(), threaded[k].begin(), same)) << k;
}

TEST(ProbeKeysTest, DirectionBinsWrapAndSideBinsCarry) {
  // Sides 10, 15, 2 (k0..k2), directions 0, 15, 7 (k3..k5).
  const ShapeKeyBytes shape = {10, 15, 2, 0, 15, 7};
  const std::uint32_t base = QuantiseTripletKey(shape);
  const std::array<std::uint32_t, kProbeKeys> keys = ProbeKeys(shape);
  EXPECT_EQ(keys[364], base);  // the middle of each loop
  // Each loop runs -, 0, +; the innermost (direction 2) fastest.
  EXPECT_EQ(keys[364 - 9], base + 15);    // direction 0 in bin 0 also probes bin 15
  EXPECT_EQ(keys[364 + 9], base + 1);
  EXPECT_EQ(keys[364 - 3], base - 16);
  EXPECT_EQ(keys[364 + 3], base - 240);   // direction 1 in bin 15 also probes bin 0
  EXPECT_EQ(keys[364 - 1], base - 256);
  EXPECT_EQ(keys[364 + 1], base + 256);
  EXPECT_EQ(keys[364 - 27], base - 4096);
  // Side 1 in bin 15: one more carries into side 2.
  EXPECT_EQ(keys[364 + 81], base + 65536);
  EXPECT_EQ(QuantiseTripletKey({10, 0, 3, 0, 15, 7}), base + 65536);
  // Loops run from the last side field down to the last direction field.
  EXPECT_EQ(keys[0], base - 1048576 - 65536 - 4096 + 15 - 16 - 256);
  EXPECT_EQ(keys[1], base - 1048576 - 65536 - 4096 + 15 - 16);
  EXPECT_EQ(keys[728], base + 1048576 + 65536 + 4096 + 1 - 240 + 256);
}

class SelectTopTest : public ::testing::Test {
 protected:
  // A record whose smoothed total is `total`: votes in one cell, with the
  // neighbouring cells empty, total the cell's own votes.
  void Cell(FingerprintKey key, int votes, std::uint8_t rotation = 1) {
    for (int v = 0; v < votes; ++v) table.CastVote({rotation, 10, 10, key});
  }
  std::unique_ptr<orvo::heap::Heap> heap = orvo::heap::Heap::Create(100'000);
  VoteTable table{*heap};
};

TEST_F(SelectTopTest, HighestTotalsFirstEachFingerprintOnce) {
  Cell(1, 2);  // a total of 2 never reaches the list
  Cell(2, 5);
  Cell(3, 4);
  Cell(2, 3, 5);  // another cell of fingerprint 2: its lower total does not enter
  Cell(4, 1);     // single votes are deleted
  table.SmoothVotes();
  std::array<TopEntry, 4> top;
  SelectTopCandidates(table, top);
  EXPECT_EQ(top[0].key, 2u);
  EXPECT_EQ(top[0].total, 5u);
  EXPECT_EQ(top[1].key, 3u);
  EXPECT_EQ(top[1].total, 4u);
  EXPECT_EQ(top[2].key, kNoCandidate);
  EXPECT_EQ(top[3].key, kNoCandidate);
}

TEST_F(SelectTopTest, OnlyNFingerprintsEnter) {
  for (FingerprintKey key = 1; key <= 5; ++key) Cell(key << 8, static_cast<int>(2 + key));
  table.SmoothVotes();
  std::array<TopEntry, 2> top;
  SelectTopCandidates(table, top);
  EXPECT_EQ(top[0].key, 5u << 8);
  EXPECT_EQ(top[1].key, 4u << 8);
}

// A database file may bring any byte into a pose, so the filter is checked
// against PosesAgree on arbitrary bytes, most of them near the probe's so
// that every test is on its edge now and then.
TEST(ShapeFilterTest, PassesExactlyTheShapesOfAgreeingPoses) {
  std::mt19937 random(7);
  const auto byte = [&] { return static_cast<std::uint8_t>(random()); };
  const auto near = [&](std::uint8_t v) {
    return random() % 4 == 0 ? byte() : static_cast<std::uint8_t>(v + static_cast<int>(random() % 31) - 15);
  };
  int agreeing = 0;
  for (int probes = 0; probes < 300; ++probes) {
    TrianglePose p{};
    for (auto& side : p.sides) side = static_cast<std::uint8_t>(20 + random() % 120);
    for (auto& direction : p.relativeDirections) direction = byte();
    p.orientation = static_cast<std::int8_t>(byte());
    p.centroidX = static_cast<std::int8_t>(byte());
    p.centroidY = static_cast<std::int8_t>(byte());
    const ShapeFilter filter(p);
    for (int stored = 0; stored < 200; ++stored) {
      std::array<TrianglePose, 2> s{p, p};
      for (TrianglePose& pose : s) {
        for (auto& side : pose.sides) side = near(side);
        for (auto& direction : pose.relativeDirections) direction = near(direction);
        pose.orientation = static_cast<std::int8_t>(near(static_cast<std::uint8_t>(pose.orientation)));
        pose.zero2 = byte();
      }
      const std::array<PoseShape, 2> shapes = {ShapeOf(s[0]), ShapeOf(s[1])};
      const std::uint32_t fails = filter.Failures(shapes.data());
      for (int k = 0; k < 2; ++k) {
        const bool agree = PosesAgree(p, s[static_cast<std::size_t>(k)]);
        agreeing += agree ? 1 : 0;
        ASSERT_EQ(((fails >> (8 * k)) & 0xFF) == 0, agree) << probes << " " << stored << " " << k;
      }
    }
  }
  EXPECT_GT(agreeing, 1000);
}

TEST(SortDescendingWithIndexTest, SortsAndMovesTheIndex) {
  const std::vector<std::vector<int>> cases = {{5}, {1, 2}, {3, 1, 2}, {7, 7, 7}, {0, 9, 4, 9, 1, 0, 3}, {2, 1}};
  for (std::vector<int> values : cases) {
    const std::vector<int> original = values;
    std::vector<int> index(values.size());
    for (std::size_t k = 0; k < index.size(); ++k) index[k] = static_cast<int>(k);
    SortDescendingWithIndex(values.data(), index.data(), 0, static_cast<int>(values.size()) - 1);
    EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));
    for (std::size_t k = 0; k < index.size(); ++k)
      EXPECT_EQ(original[static_cast<std::size_t>(index[k])], values[k]);
  }
}

TEST(VerifyCandidatesTest, MissingTemplateIsDroppedNotMatched) {
  auto heap = orvo::heap::Heap::Create(1'000'000);
  TemplateStore store;
  ASSERT_TRUE(store.Create(*heap));
  const Template probe = Impression(4, 1);
  ASSERT_EQ(store.StoreTemplate(20, Impression(4, 0).data()), 0);
  std::array<TopEntry, 3> top = {TopEntry{10, 9, 0}, TopEntry{20, 8, 0}, TopEntry{kNoCandidate, 0, 0}};
  VerifyCandidates(probe.data(), store, top);
  EXPECT_EQ(top[0].key, 20u);
  EXPECT_GT(top[0].score, 0);
  EXPECT_EQ(top[1].key, 10u);
  EXPECT_EQ(top[1].score, 0);
  store.Drop();
}

}  // namespace
}  // namespace huellix
