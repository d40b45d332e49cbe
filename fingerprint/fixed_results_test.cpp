// Results of the matcher, the search and the database file on generated data,
// held as they stand: work on the engine's speed must not move a single score,
// candidate or byte. The tables were taken from the engine before that work;
// a digest stands for the many results no table could list one by one.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "fingerprint/Huellix.h"
#include "fingerprint/engine_fixture.h"
#include "fingerprint/matcher.h"
#include "fingerprint/result_digest.h"
#include "fingerprint/search.h"
#include "fingerprint/synthetic_finger.h"
#include "platform/testsupport/temp_drive.h"

namespace huellix {
namespace {

using namespace synthetic;

constexpr std::uint64_t kSeed = 777001;
constexpr int kStranger = 5'000'000;  // fingers from here on are never registered

enum class Kind { Mild, Turned45, Missing40, Noisy };

ImpressionParams ParamsOf(Kind kind) {
  ImpressionParams p = ImpressionParams::Mild();
  switch (kind) {
    case Kind::Mild:
      break;
    case Kind::Turned45:
      p.maxRotationDegrees = 45;
      p.fixedRotation = true;
      break;
    case Kind::Missing40:
      p.missingShare = 0.4;
      break;
    case Kind::Noisy:
      p.positionNoise = 5;
      p.directionNoiseDegrees = 12;
      p.maxSpurious = 10;
      break;
  }
  return p;
}

Template Impression(int finger, int impression, Kind kind = Kind::Mild) {
  return MakeImpression(MakeFinger(FingerSeed(kSeed, static_cast<std::uint64_t>(finger)), FingerParams{}),
                        ImpressionSeed(kSeed, static_cast<std::uint64_t>(finger), static_cast<std::uint64_t>(impression)),
                        ParamsOf(kind));
}

MatchResult Match(const Template& a, const Template& b) { return MatchTemplates(std::span(a), std::span(b)); }

TEST(FixedResultsTest, MatcherScores) {
  struct Row {
    int storedFinger;
    int probeFinger;
    int probeImpression;
    Kind kind;
    int code, score, pairs;
  };
  // Mates (self, mild, noisy, turned, sparse) and impostors.
  const Row rows[] = {
      {0, 0, 0, Kind::Mild, 0, 9999, 56},
      {1, 1, 1, Kind::Mild, 0, 9930, 34},
      {2, 2, 1, Kind::Mild, 0, 8765, 26},
      {3, 3, 2, Kind::Noisy, 0, 7014, 27},
      {4, 4, 3, Kind::Turned45, 0, 9999, 44},
      {5, 5, 1, Kind::Missing40, 0, 9660, 30},
      {6, 6, 2, Kind::Turned45, 0, 9999, 37},
      {7, 7, 1, Kind::Noisy, 0, 6919, 33},
      {8, 8, 4, Kind::Noisy, 0, 7809, 39},
      {0, 1, 1, Kind::Mild, 104, 0, 0},
      {2, 9, 1, Kind::Noisy, 104, 0, 0},
      {3, kStranger, 1, Kind::Mild, 0, 280, 6},
      {4, kStranger + 1, 1, Kind::Noisy, 104, 0, 0},
      {10, 11, 1, Kind::Missing40, 104, 0, 0},
      {12, kStranger + 2, 1, Kind::Turned45, 104, 0, 0},
  };
  for (const Row& r : rows) {
    const MatchResult m = Match(Impression(r.storedFinger, 0), Impression(r.probeFinger, r.probeImpression, r.kind));
    const std::string row = std::to_string(r.storedFinger) + " against " + std::to_string(r.probeFinger) + "/" +
                            std::to_string(r.probeImpression);
    EXPECT_EQ(m.code, r.code) << row;
    EXPECT_EQ(m.score, r.score) << row;
    EXPECT_EQ(m.pairs, r.pairs) << row;
  }
  ResultDigest d;
  for (int f = 0; f < 150; ++f) {
    const Template stored = Impression(f, 0);
    for (const auto& [finger, impression, kind] :
         {std::tuple{f, 1, Kind::Mild}, std::tuple{f, 2, Kind::Noisy}, std::tuple{f, 3, Kind::Turned45},
          std::tuple{(f + 1) % 150, 1, Kind::Mild}, std::tuple{kStranger + f, 1, Kind::Noisy}}) {
      const MatchResult m = Match(stored, Impression(finger, impression, kind));
      d.Add(static_cast<std::uint64_t>(m.code));
      d.Add(static_cast<std::uint64_t>(m.score));
      d.Add(static_cast<std::uint64_t>(m.pairs));
    }
  }
  EXPECT_EQ(d.Value(), 0xe1c22c2d9c624dc6ull);
}

constexpr int kGallery = 150;

FingerprintId IdOf(int finger) { return {100 + finger / 10, static_cast<std::uint8_t>(finger % 10), static_cast<std::uint8_t>(finger % 3)}; }

std::string Candidates(const std::vector<SearchCandidate>& found) {
  std::string s;
  for (const SearchCandidate& c : found) {
    if (c.level == 0) break;
    s += std::to_string(c.userId) + "/" + std::to_string(c.finger) + "/" + std::to_string(c.sample) + ":" +
         std::to_string(c.level) + " ";
  }
  return s;
}

// Every search result, once on the caller's thread alone and once shared
// among eight threads (even for these small galleries).
class FixedSearchTest : public testing::EngineTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    setenv("HUELLIX_THREADS", std::to_string(GetParam()).c_str(), 1);
    SetThreadedSearchFloor(0);
    EngineTest::SetUp();
  }
  void TearDown() override {
    EngineTest::TearDown();
    SetThreadedSearchFloor(kThreadedSearchFloor);
    unsetenv("HUELLIX_THREADS");
  }

  static void Register(int from, int to) {
    for (int f = from; f < to; ++f) {
      const Template t = Impression(f, 0);
      const FingerprintId id = IdOf(f);
      ASSERT_EQ(FPSRegisterFP(t.data(), &id), FPS_OK) << f;
    }
  }
  static std::vector<SearchCandidate> Search(const Template& probe, int n) {
    std::vector<SearchCandidate> found(static_cast<std::size_t>(n));
    EXPECT_EQ(FPSSearchFP(probe.data(), found.data(), n), FPS_OK);
    return found;
  }
};

TEST_P(FixedSearchTest, Candidates) {
  Register(0, kGallery);
  struct Row {
    int finger;
    int impression;
    Kind kind;
    int n;
    const char* found;
  };
  const Row rows[] = {
      {0, 1, Kind::Mild, 5, "100/0/0:9 112/9/0:1 "},
      {17, 2, Kind::Noisy, 5, "101/7/2:9 109/0/0:1 101/3/1:1 108/0/2:1 "},
      {53, 1, Kind::Turned45, 5, "105/3/2:9 111/5/1:1 111/1/0:1 101/6/1:1 "},
      {99, 3, Kind::Missing40, 5, "109/9/0:9 114/7/0:1 "},
      {120, 1, Kind::Mild, 1, "112/0/0:9 "},
      {kStranger, 1, Kind::Mild, 5, "112/4/1:1 112/2/2:1 "},
      {kStranger + 1, 1, Kind::Noisy, 5, "103/4/1:1 101/6/1:1 104/9/1:1 "},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Candidates(Search(Impression(r.finger, r.impression, r.kind), r.n)), r.found)
        << r.finger << "/" << r.impression;
  }
  ResultDigest d;
  for (int f = 0; f < kGallery; f += 3) {
    for (const auto& [finger, impression, kind, n] :
         {std::tuple{f, 1, Kind::Noisy, 30}, std::tuple{f + 1, 2, Kind::Turned45, 3},
          std::tuple{kStranger + f, 1, Kind::Mild, 30}}) {
      for (const SearchCandidate& c : Search(Impression(finger, impression, kind), n)) {
        d.Add(static_cast<std::uint64_t>(c.userId));
        d.Add(c.finger);
        d.Add(c.sample);
        d.Add(c.level);
      }
    }
  }
  EXPECT_EQ(d.Value(), 0x40d337798a24ec30ull);
}

// The database file holds the index and the store as they stand in memory,
// so its bytes show every pose in its place after registrations and removals.
TEST_P(FixedSearchTest, DatabaseFile) {
  orvo::testing::TempDrive drive;
  Register(0, 60);
  const auto file = drive.Path("fixed.db");
  ASSERT_EQ(FPSSaveFPDB(file.c_str()), FPS_OK);
  ResultDigest first;
  const std::string bytes = orvo::testing::ReadFile(file);
  first.AddBytes(bytes);
  for (int f = 0; f < 60; f += 4) {
    const FingerprintId id = IdOf(f);
    ASSERT_EQ(FPSRemoveFP(&id), FPS_OK) << f;
  }
  Register(60, 80);
  for (int f = 0; f < 60; f += 8) Register(f, f + 1);
  ASSERT_EQ(FPSSaveFPDB(file.c_str()), FPS_OK);
  ResultDigest second;
  const std::string after = orvo::testing::ReadFile(file);
  second.AddBytes(after);
  // A loaded database grows on from what the file held.
  ASSERT_EQ(FPSLoadFPDB(file.c_str()), FPS_OK);
  Register(80, 90);
  for (int f = 60; f < 90; f += 5) {
    const FingerprintId id = IdOf(f);
    ASSERT_EQ(FPSRemoveFP(&id), FPS_OK) << f;
  }
  ASSERT_EQ(FPSSaveFPDB(file.c_str()), FPS_OK);
  ResultDigest third;
  const std::string reloaded = orvo::testing::ReadFile(file);
  third.AddBytes(reloaded);
  EXPECT_EQ(bytes.size(), 806520u);
  EXPECT_EQ(first.Value(), 0xd1c77636955c6d65ull);
  EXPECT_EQ(after.size(), 986314u);
  EXPECT_EQ(second.Value(), 0x474ac4a0ad1ee82eull);
  EXPECT_EQ(reloaded.size(), 1030112u);
  EXPECT_EQ(third.Value(), 0xf1db99bae8942dcdull);
}

INSTANTIATE_TEST_SUITE_P(Threads, FixedSearchTest, ::testing::Values(1, 8),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace huellix
