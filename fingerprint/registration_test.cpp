#include "fingerprint/registration.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "fingerprint/engine_fixture.h"
#include "fingerprint/export_guard.h"

namespace huellix {
namespace {

using testing::AcceptedTriangles;
using testing::FingerTemplate;
using testing::Id;
using testing::IndexItemCount;
using testing::IndexItemsOf;
using testing::TemplateBytes;

class RegistrationTest : public testing::EngineTest {
 protected:
  // Leaves only `free` bytes for further allocations on the heap.
  static void* Ballast(orvo::heap::Heap& heap, std::size_t limit, std::size_t free) {
    return heap.Allocate(limit - heap.BytesInUse() - free);
  }
};

TEST_F(RegistrationTest, RegisterRemoveRegisterAgain) {
  const TemplateBytes templ = FingerTemplate(1);
  const int triangles = AcceptedTriangles(templ);
  ASSERT_GT(triangles, 20);
  const FingerprintId id = Id(42, 3, 1);
  const FingerprintKey key = PackFingerprintId(id);

  ASSERT_EQ(FPSRegisterFP(templ.data(), &id), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 1);
  EXPECT_EQ(IndexItemsOf(key), triangles);
  EXPECT_EQ(FPSCheckDuplicatedId(&id), FPS_ALREADY_REGISTERED);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &id), FPS_ALREADY_REGISTERED);

  ASSERT_EQ(FPSRemoveFP(&id), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 0);
  EXPECT_EQ(IndexItemCount(), 0);
  EXPECT_EQ(FPSCheckDuplicatedId(&id), FPS_OK);
  EXPECT_EQ(FPSRemoveFP(&id), FPS_NOT_REGISTERED);

  ASSERT_EQ(FPSRegisterFP(templ.data(), &id), FPS_OK);
  EXPECT_EQ(IndexItemsOf(key), triangles);
  EXPECT_EQ(IndexItemCount(), triangles);
  std::array<std::uint8_t, kTemplateSize> fetched{};
  ASSERT_TRUE(Engine().store.FetchTemplate(key, fetched.data()));
  EXPECT_EQ(fetched, templ);
}

TEST_F(RegistrationTest, OneTemplateUnderTwoIds) {
  const TemplateBytes templ = FingerTemplate(2);
  const int triangles = AcceptedTriangles(templ);
  const FingerprintId first = Id(1), second = Id(2);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &first), FPS_OK);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &second), FPS_OK);
  EXPECT_EQ(IndexItemsOf(PackFingerprintId(first)), triangles);
  EXPECT_EQ(IndexItemsOf(PackFingerprintId(second)), triangles);
  ASSERT_EQ(FPSRemoveFP(&first), FPS_OK);
  EXPECT_EQ(IndexItemsOf(PackFingerprintId(first)), 0);
  EXPECT_EQ(IndexItemsOf(PackFingerprintId(second)), triangles);
  EXPECT_EQ(FPSGetRegistedNum(), 1);
}

TEST_F(RegistrationTest, RemovingAnUnknownIdChangesNothing) {
  // Users 7 and 3132 share a store bucket ((3132 - 7) * 256 is a multiple of 100,000).
  const TemplateBytes templ = FingerTemplate(3);
  const FingerprintId stored = Id(7), unknown = Id(3132), sameUserOtherFinger = Id(7, 2);
  ASSERT_EQ(PackFingerprintId(stored) % kBucketCount, PackFingerprintId(unknown) % kBucketCount);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &stored), FPS_OK);
  EXPECT_EQ(FPSRemoveFP(&unknown), FPS_NOT_REGISTERED);
  EXPECT_EQ(FPSRemoveFP(&sameUserOtherFinger), FPS_NOT_REGISTERED);
  EXPECT_EQ(FPSCheckDuplicatedId(&unknown), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 1);
  EXPECT_EQ(IndexItemCount(), AcceptedTriangles(templ));
}

TEST_F(RegistrationTest, AFullEngineRefusesNewIdsButNamesRegisteredOnes) {
  Reinitialise(2);
  const TemplateBytes templ = FingerTemplate(4);
  const FingerprintId a = Id(1), b = Id(2), c = Id(3);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &a), FPS_OK);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &b), FPS_OK);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &c), FPS_DATABASE_FULL);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &a), FPS_ALREADY_REGISTERED);
  EXPECT_EQ(FPSGetRegistedNum(), 2);
  EXPECT_EQ(IndexItemsOf(PackFingerprintId(c)), 0);
  ASSERT_EQ(FPSRemoveFP(&b), FPS_OK);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &c), FPS_OK);
}

TEST_F(RegistrationTest, MaximumZeroOrNegativeRefusesEveryNewId) {
  const TemplateBytes templ = FingerTemplate(5);
  const FingerprintId id = Id(1);
  for (std::int32_t maximum : {0, -1, INT32_MIN}) {
    Reinitialise(maximum);
    EXPECT_EQ(FPSRegisterFP(templ.data(), &id), FPS_DATABASE_FULL) << maximum;
    EXPECT_EQ(FPSGetRegistedNum(), 0);
  }
}

TEST_F(RegistrationTest, ATemplateThatDoesNotDecodeIsRefused) {
  testing::TemplateSpec spec = testing::SyntheticFinger(6, 30);
  spec.count = 143;
  const TemplateBytes templ = testing::WriteTemplate(spec);
  const FingerprintId id = Id(1);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &id), FPS_CANNOT_READ);
  EXPECT_EQ(FPSCheckDuplicatedId(&id), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 0);
  EXPECT_EQ(IndexItemCount(), 0);
}

TEST_F(RegistrationTest, MinutiaeWithoutNeighboursFileNoTriangles) {
  testing::TemplateSpec spec;
  spec.minutiae = {{200, 0}, {0, 0}, {-200, 0}};
  const TemplateBytes templ = testing::WriteTemplate(spec);
  const FingerprintId id = Id(9);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &id), FPS_OK);
  EXPECT_EQ(IndexItemCount(), 0);
  EXPECT_EQ(FPSCheckDuplicatedId(&id), FPS_ALREADY_REGISTERED);
  EXPECT_EQ(FPSRemoveFP(&id), FPS_OK);
}

// User -1 (16777215), finger 15, sample 15 packs to the all-bits key, which
// the search's top list takes for "no candidate": registered, it would hide
// every other fingerprint from a search that ranked it first.
TEST_F(RegistrationTest, TheAllBitsKeyIsRefusedAndTheKeyBelowItIsOrdinary) {
  const TemplateBytes templ = FingerTemplate(7);
  for (const FingerprintId& id : {Id(-1, 15, 15), Id(16777215, 31, 255)}) {
    ASSERT_EQ(PackFingerprintId(id), kReservedKey);
    EXPECT_EQ(FPSRegisterFP(templ.data(), &id), FPS_CANNOT_READ);
    EXPECT_EQ(FPSCheckDuplicatedId(&id), FPS_OK);
    EXPECT_EQ(FPSGetRegistedNum(), 0);
    EXPECT_EQ(Engine().store.CountStoredTemplates(), 0);
    EXPECT_EQ(IndexItemCount(), 0);
  }
  const FingerprintId below = Id(-1, 15, 14);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &below), FPS_OK);
  EXPECT_EQ(IndexItemsOf(0xFFFFFFEF), AcceptedTriangles(templ));
  const FingerprintId again = Id(5, 1, 0);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &again), FPS_OK);
  SearchCandidate found[3] = {};
  ASSERT_EQ(FPSSearchFP(templ.data(), found, 3), FPS_OK);
  EXPECT_EQ(found[0].level, 9);
  EXPECT_EQ(found[1].level, 9) << "both ids of the one template are found";
  FingerprintId identified{};
  EXPECT_EQ(FPSIdentifyFP(templ.data(), 9, &identified), FPS_OK);
  EXPECT_EQ(FPSRemoveFP(&below), FPS_OK);
  EXPECT_EQ(FPSRemoveFP(&again), FPS_OK);
  EXPECT_EQ(IndexItemCount(), 0);
}

TEST_F(RegistrationTest, RunningOutOfIndexMemoryFilesNothing) {
  constexpr std::size_t kLimit = kIndexHeapInitialSize;
  SetHeapLimits({kLimit, 0, 0});
  Reinitialise(10);
  const TemplateBytes other = FingerTemplate(8), templ = FingerTemplate(9);
  const FingerprintId otherId = Id(1), id = Id(2);
  ASSERT_EQ(FPSRegisterFP(other.data(), &otherId), FPS_OK);
  const int otherItems = IndexItemCount();

  // Room for a few of the new poses, not all of them.
  void* ballast = Ballast(*Engine().indexHeap, kLimit, 200);
  ASSERT_NE(ballast, nullptr);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &id), FPS_OUT_OF_MEMORY);
  EXPECT_EQ(IndexItemsOf(PackFingerprintId(id)), 0);
  EXPECT_EQ(IndexItemCount(), otherItems);
  EXPECT_EQ(FPSCheckDuplicatedId(&id), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 1);

  Engine().indexHeap->Free(ballast);
  ASSERT_EQ(FPSRegisterFP(templ.data(), &id), FPS_OK);
  EXPECT_EQ(IndexItemsOf(PackFingerprintId(id)), AcceptedTriangles(templ));
}

TEST_F(RegistrationTest, RunningOutOfStoreMemoryFilesNothing) {
  constexpr std::size_t kLimit = kStoreHeapInitialSize;
  SetHeapLimits({0, kLimit, 0});
  Reinitialise(10);
  void* ballast = Ballast(*Engine().storeHeap, kLimit, sizeof(StoredTemplate) - 1);
  ASSERT_NE(ballast, nullptr);
  const TemplateBytes templ = FingerTemplate(10);
  const FingerprintId id = Id(2);
  EXPECT_EQ(FPSRegisterFP(templ.data(), &id), FPS_OUT_OF_MEMORY);
  EXPECT_EQ(IndexItemCount(), 0);
  EXPECT_EQ(FPSCheckDuplicatedId(&id), FPS_OK);
  EXPECT_EQ(FPSGetRegistedNum(), 0);
}

TEST_F(RegistrationTest, SeveralThreadsRegisterAndRemove) {
  const TemplateBytes templ = FingerTemplate(11);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&templ, t] {
      for (int i = 0; i < 25; ++i) {
        const FingerprintId id = Id(t * 100 + i);
        EXPECT_EQ(FPSRegisterFP(templ.data(), &id), FPS_OK);
        if (i % 2 == 1) {
          EXPECT_EQ(FPSRemoveFP(&id), FPS_OK);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(FPSGetRegistedNum(), 4 * 13);
  EXPECT_EQ(IndexItemCount(), 4 * 13 * AcceptedTriangles(templ));
}

TEST(ExportGuardTest, AnExceptionReportsOutOfMemory) {
  EXPECT_EQ(Guarded([]() -> std::int32_t { throw std::bad_alloc(); }), kOutOfMemory);
  EXPECT_EQ(Guarded([]() -> std::int32_t { throw 5; }), kOutOfMemory);
  // The lock is free again.
  EXPECT_EQ(Guarded([]() -> std::int32_t { return 7; }), 7);
}

}  // namespace
}  // namespace huellix
