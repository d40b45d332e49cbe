// The search shared among the engine's threads gives, byte for byte, the
// candidate arrays of the search on one thread (HUELLIX_THREADS=1), for the
// same database and probes: mates, noisy and turned impressions, strangers,
// few and many candidates, and a vote heap that runs out part-way.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fingerprint/engine_fixture.h"
#include "fingerprint/search.h"
#include "fingerprint/synthetic_finger.h"
#include "platform/testsupport/temp_drive.h"

namespace huellix {
namespace {

using synthetic::Template;

constexpr std::uint64_t kSeed = 515151;
constexpr int kGallery = 300;
constexpr int kStranger = 1'000'000;

Template Impression(int finger, int impression, double rotation = 20, double noise = 2) {
  synthetic::ImpressionParams p = synthetic::ImpressionParams::Mild();
  p.maxRotationDegrees = rotation;
  p.positionNoise = noise;
  return synthetic::MakeImpression(synthetic::MakeFinger(synthetic::FingerSeed(kSeed, finger), {}),
                                   synthetic::ImpressionSeed(kSeed, finger, impression), p);
}

using Records = std::vector<std::uint8_t>;  // every candidate record as bytes

class ThreadedSearchTest : public testing::EngineTest {
 protected:
  // One database file and one set of probes for every test.
  static void SetUpTestSuite() {
    drive_ = new orvo::testing::TempDrive;
    EngineParams params{};
    ASSERT_EQ(FPSInitializeEngine(&params, kGallery), FPS_OK);
    for (int f = 0; f < kGallery; ++f) {
      const Template t = Impression(f, 0);
      const FingerprintId id{f / 7 + 1, static_cast<std::uint8_t>(f % 7), static_cast<std::uint8_t>(f % 3)};
      ASSERT_EQ(FPSRegisterFP(t.data(), &id), FPS_OK) << f;
    }
    ASSERT_EQ(FPSSaveFPDB(drive_->Path("huellas.db").c_str()), FPS_OK);
    FPSTerminateEngine();
    probes_ = new std::vector<Template>;
    for (int k = 0; k < 5; ++k) {
      probes_->push_back(Impression(k * 97, 1));
      probes_->push_back(Impression(k * 89 + 3, 2, 40, 5));
      probes_->push_back(Impression(kStranger + k, 1));
    }
    probes_->push_back(Impression(5, 0));  // the registered template itself
  }
  static void TearDownTestSuite() {
    delete drive_;
    delete probes_;
  }
  void SetUp() override {}
  void TearDown() override {
    unsetenv("HUELLIX_THREADS");
    SetThreadedSearchFloor(kThreadedSearchFloor);
    EngineTest::TearDown();
  }

  // The engine started again on `threads` threads over the saved database.
  void Restart(int threads) {
    setenv("HUELLIX_THREADS", std::to_string(threads).c_str(), 1);
    Reinitialise(kGallery);
    ASSERT_EQ(FPSLoadFPDB(drive_->Path("huellas.db").c_str()), FPS_OK);
    ASSERT_EQ(Engine().pool.Parts(), std::min(threads, SearchThreads()));
  }

  static Records SearchAll(std::size_t probes = SIZE_MAX) {
    Records all;
    for (const Template& probe : *probes_) {
      if (probes-- == 0) break;
      for (int count : {1, 40}) {
        std::vector<SearchCandidate> found(static_cast<std::size_t>(count), SearchCandidate{7, 7, 7, 7, 7});
        EXPECT_EQ(FPSSearchFP(probe.data(), found.data(), count), FPS_OK);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(found.data());
        all.insert(all.end(), bytes, bytes + sizeof(SearchCandidate) * found.size());
      }
      FingerprintId id{};
      all.push_back(static_cast<std::uint8_t>(FPSIdentifyFP(probe.data(), 8, &id)));
      // Field by field: the struct's padding holds no result.
      const auto* user = reinterpret_cast<const std::uint8_t*>(&id.userId);
      all.insert(all.end(), user, user + sizeof id.userId);
      all.push_back(id.finger);
      all.push_back(id.sample);
    }
    return all;
  }

  static inline orvo::testing::TempDrive* drive_ = nullptr;
  static inline std::vector<Template>* probes_ = nullptr;
};

TEST_F(ThreadedSearchTest, GivesTheCandidateArraysOfTheSearchOnOneThread) {
  Restart(1);
  const Records one = SearchAll();
  // The probes find what they should, so that the comparison means something.
  std::vector<SearchCandidate> found(3);
  ASSERT_EQ(FPSSearchFP(probes_->back().data(), found.data(), 3), FPS_OK);
  EXPECT_EQ(found[0].level, 9);
  for (int threads : {2, 3, 8}) {
    Restart(threads);
    SetThreadedSearchFloor(0);
    EXPECT_TRUE(SearchAll() == one) << threads << " threads";
  }
  // Below the floor the threads stay idle; the answers are the same.
  Restart(8);
  SetThreadedSearchFloor(kGallery + 1);
  EXPECT_TRUE(SearchAll() == one);
}

// A threaded search whose votes find no memory is made again on one thread,
// which loses the votes the search on one thread always loses.
TEST_F(ThreadedSearchTest, AVoteHeapThatRunsOutGivesTheOneThreadAnswer) {
  constexpr std::size_t kProbes = 3;
  SetHeapLimits({0, 0, kVoteBuckets * sizeof(std::uint32_t) + 150'000});
  Restart(1);
  const Records one = SearchAll(kProbes);
  Restart(8);
  SetThreadedSearchFloor(0);
  EXPECT_TRUE(SearchAll(kProbes) == one);
  SetHeapLimits({});
  Restart(1);
  EXPECT_FALSE(SearchAll(kProbes) == one) << "the limit must have cost votes";
}

}  // namespace
}  // namespace huellix
