#include <gtest/gtest.h>

#include "fingerprint/Huellix.h"
#include "fingerprint/candidate_level.h"
#include "fingerprint/engine_fixture.h"
#include "fingerprint/fingerprint_id.h"

namespace huellix {
namespace {

using testing::FingerTemplate;
using testing::Id;

TEST(FingerprintIdTest, PacksAndUnpacks) {
  struct Case {
    std::int32_t user;
    int finger, sample;
    FingerprintKey key;
    std::int32_t userBack;
    int fingerBack, sampleBack;
  };
  const Case cases[] = {
      {0, 0, 0, 0x00000000, 0, 0, 0},
      {7, 1, 3, 0x00000731, 7, 1, 3},
      {16777215, 15, 15, 0xFFFFFFFF, 16777215, 15, 15},
      {-1, 15, 15, 0xFFFFFFFF, 16777215, 15, 15},
      {16777216, 1, 0, 0x00000001, 0, 1, 0},  // the user's high bits are lost
      {5, 17, 16, 0x00000501, 5, 1, 0},       // finger and sample keep 4 bits
      {INT32_MIN, 0, 0, 0x00000000, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const FingerprintKey key = PackFingerprintId(Id(c.user, c.finger, c.sample));
    EXPECT_EQ(key, c.key) << c.user;
    const FingerprintId back = UnpackFingerprintId(key);
    EXPECT_EQ(back.userId, c.userBack);
    EXPECT_EQ(back.finger, c.fingerBack);
    EXPECT_EQ(back.sample, c.sampleBack);
  }
}

TEST(CandidateLevelTest, ScoresFallInTheirBands) {
  const std::pair<int, int> cases[] = {{1, 1},    {999, 1},  {1000, 2}, {1249, 2}, {1250, 3}, {1499, 3},
                                       {1500, 4}, {1749, 4}, {1750, 5}, {1999, 5}, {2000, 6}, {2499, 6},
                                       {2500, 7}, {2999, 7}, {3000, 8}, {3999, 8}, {4000, 9}, {9999, 9}};
  for (auto [score, level] : cases) EXPECT_EQ(CandidateLevel(score), level) << score;
}

class ExportsTest : public testing::EngineTest {};

TEST_F(ExportsTest, NullPointersAreRefusedWithoutTouchingState) {
  const auto templ = FingerTemplate(1);
  const FingerprintId id = Id(1);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &id), FPS_OK);
  FingerprintId out{};
  SearchCandidate found[1];

  EXPECT_EQ(FPSInitializeEngine(nullptr, 5), FPS_OK);  // already initialised: arguments ignored
  EXPECT_EQ(FPSSetEngineParam(nullptr), FPS_OUT_OF_MEMORY);
  EXPECT_EQ(FPSGetEngineParam(nullptr), FPS_OUT_OF_MEMORY);
  EXPECT_EQ(FPSRegisterFP(nullptr, &id), FPS_CANNOT_READ);
  EXPECT_EQ(FPSRegisterFP(templ.data(), nullptr), FPS_CANNOT_READ);
  EXPECT_EQ(FPSRemoveFP(nullptr), FPS_NOT_REGISTERED);
  EXPECT_EQ(FPSCheckDuplicatedId(nullptr), FPS_ALREADY_REGISTERED);
  EXPECT_EQ(FPSSearchFP(nullptr, found, 1), FPS_CANNOT_READ);
  EXPECT_EQ(FPSSearchFP(templ.data(), nullptr, 1), FPS_CANNOT_READ);
  EXPECT_EQ(FPSSearchFP(templ.data(), nullptr, 0), FPS_OK);
  EXPECT_EQ(FPSIdentifyFP(nullptr, 1, &out), FPS_CANNOT_READ);
  EXPECT_EQ(FPSIdentifyFP(templ.data(), 1, nullptr), FPS_CANNOT_READ);
  EXPECT_EQ(FPSSaveFPDB(nullptr), FPS_CANNOT_WRITE_FILE);
  EXPECT_EQ(FPSLoadFPDB(nullptr), FPS_CANNOT_READ);

  EXPECT_EQ(FPSGetRegistedNum(), 1);
  EXPECT_EQ(FPSCheckDuplicatedId(&id), FPS_ALREADY_REGISTERED);
  FPSTerminateEngine();
  EngineParams params{};
  EXPECT_EQ(FPSInitializeEngine(nullptr, 5), FPS_OUT_OF_MEMORY);
  EXPECT_EQ(FPSGetRegistedNum(), 1) << "still not initialised";
  EXPECT_EQ(FPSInitializeEngine(&params, 5), FPS_OK);
}

TEST_F(ExportsTest, AHeapThatIsNotCreatedLeavesTheEngineUninitialised) {
  // The vote heap is created last; the two before it are destroyed again.
  FPSTerminateEngine();
  SetHeapLimits({0, 0, kVoteHeapInitialSize - 1});
  EngineParams params{};
  EXPECT_EQ(FPSInitializeEngine(&params, 5), FPS_OUT_OF_MEMORY);
  EXPECT_EQ(FPSGetRegistedNum(), 1);
  EXPECT_FALSE(Engine().initialised);
  EXPECT_EQ(Engine().indexHeap, nullptr);
  EXPECT_EQ(Engine().storeHeap, nullptr);

  // An index heap whose maximum lies below its initial size is not created.
  SetHeapLimits({kIndexHeapInitialSize / 2, 0, 0});
  EXPECT_EQ(FPSInitializeEngine(&params, 5), FPS_OUT_OF_MEMORY);
  SetHeapLimits({kIndexHeapInitialSize, kStoreHeapInitialSize, kVoteHeapInitialSize});
  EXPECT_EQ(FPSInitializeEngine(&params, 5), FPS_OK);
}

TEST_F(ExportsTest, ClearEmptiesAndKeepsMaximumAndParameters) {
  Reinitialise(2);
  EngineParams params{};
  params.bytes[31] = 9;
  ASSERT_EQ(FPSSetEngineParam(&params), FPS_OK);
  const auto templ = FingerTemplate(2);
  const FingerprintId a = Id(1), b = Id(2), c = Id(3);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &a), FPS_OK);
  ASSERT_EQ(FPSClearFPDB(), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 0);
  EXPECT_EQ(FPSCheckDuplicatedId(&a), FPS_OK);
  EXPECT_EQ(testing::IndexItemCount(), 0);
  EngineParams read{};
  ASSERT_EQ(FPSGetEngineParam(&read), FPS_OK);
  EXPECT_EQ(read.bytes[31], 9);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &a), FPS_OK);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &b), FPS_OK);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &c), FPS_DATABASE_FULL);
}

TEST_F(ExportsTest, AFailedReCreationLeavesTheEngineUninitialised) {
  // With nothing left to work on, every export answers 1 until the next
  // initialise.
  SetHeapLimits({0, kStoreHeapInitialSize - 1, 0});
  EXPECT_EQ(FPSClearFPDB(), FPS_OUT_OF_MEMORY);
  EXPECT_EQ(FPSGetRegistedNum(), 1);
  const FingerprintId id = Id(1);
  EXPECT_EQ(FPSRegisterFP(FingerTemplate(3).data(), &id), FPS_NOT_INITIALIZED);
  EXPECT_EQ(FPSLoadFPDB("missing.db"), FPS_NOT_INITIALIZED);
  SetHeapLimits({});
  Initialise(kMaximum);
  EXPECT_EQ(FPSRegisterFP(FingerTemplate(3).data(), &id), FPS_OK);

  SetHeapLimits({0, kStoreHeapInitialSize - 1, 0});
  EXPECT_EQ(FPSLoadFPDB("missing.db"), FPS_OUT_OF_MEMORY);
  EXPECT_FALSE(Engine().initialised);
}

}  // namespace
}  // namespace huellix
