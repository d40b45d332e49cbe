#include "fingerprint/triangle_index.h"

#include <gtest/gtest.h>

#include <vector>

#include "fingerprint/result_codes.h"

namespace huellix {
namespace {

TrianglePose Pose(FingerprintKey key, std::uint8_t side0 = 20) {
  TrianglePose pose{};
  pose.sides = {side0, 30, 40};
  pose.fingerprintKey = key;
  return pose;
}

class TriangleIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    heap_ = orvo::heap::Heap::Create(0);
    ASSERT_TRUE(index_.Create(*heap_));
  }

  std::vector<FingerprintKey> KeysUnder(std::uint32_t key) const {
    std::vector<FingerprintKey> keys;
    if (const IndexEntry* entry = index_.FindEntry(key))
      for (const TrianglePose& pose : entry->Items()) keys.push_back(pose.fingerprintKey);
    return keys;
  }
  std::vector<std::uint32_t> EntryKeys(std::uint32_t slot) const {
    std::vector<std::uint32_t> keys;
    for (const IndexEntry& entry : index_.SlotEntries(slot)) keys.push_back(entry.key);
    return keys;
  }

  std::unique_ptr<orvo::heap::Heap> heap_;
  TriangleIndex index_;
};

TEST_F(TriangleIndexTest, ShapesFileUnderTheirQuantisedKey) {
  const ShapeKeyBytes shape = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(index_.InsertIndexKey(shape, Pose(9)), kOk);
  EXPECT_EQ(KeysUnder(0x321654), std::vector<FingerprintKey>{9});
  EXPECT_FALSE(index_.SlotEmpty(0x321654 % kSlotCount));
  index_.RemoveIndexKey(shape, 9);
  EXPECT_TRUE(index_.SlotEmpty(0x321654 % kSlotCount));
}

TEST_F(TriangleIndexTest, EntriesAndItemsKeepInsertionOrder) {
  // Keys 5, 2,000,005 and 4,000,005 share slot 5.
  ASSERT_EQ(index_.InsertItem(2'000'005, Pose(1)), kOk);
  ASSERT_EQ(index_.InsertItem(5, Pose(2)), kOk);
  ASSERT_EQ(index_.InsertItem(2'000'005, Pose(3)), kOk);
  ASSERT_EQ(index_.InsertItem(4'000'005, Pose(4)), kOk);
  ASSERT_EQ(index_.InsertItem(2'000'005, Pose(1, 99)), kOk);
  EXPECT_EQ(EntryKeys(5), (std::vector<std::uint32_t>{2'000'005, 5, 4'000'005}));
  EXPECT_EQ(KeysUnder(2'000'005), (std::vector<FingerprintKey>{1, 3, 1}));

  // The first pose of the fingerprint goes; the others keep their order.
  index_.RemoveItem(2'000'005, 1);
  EXPECT_EQ(KeysUnder(2'000'005), (std::vector<FingerprintKey>{3, 1}));
  EXPECT_EQ(index_.FindEntry(2'000'005)->Pose(1).sides[0], 99);
  // Nothing under the key for this fingerprint, or no such key: no change.
  index_.RemoveItem(2'000'005, 7);
  index_.RemoveItem(6'000'005, 1);
  index_.RemoveItem(6, 1);
  EXPECT_EQ(KeysUnder(2'000'005), (std::vector<FingerprintKey>{3, 1}));

  // An entry that loses its last pose goes, and the entries after it move up.
  index_.RemoveItem(5, 2);
  EXPECT_EQ(EntryKeys(5), (std::vector<std::uint32_t>{2'000'005, 4'000'005}));
  index_.RemoveItem(2'000'005, 3);
  index_.RemoveItem(2'000'005, 1);
  index_.RemoveItem(4'000'005, 4);
  EXPECT_TRUE(index_.SlotEmpty(5));
  EXPECT_EQ(index_.FindEntry(5), nullptr);
}

// A key alone in its slot keeps its poses beside its entry; they must come
// through a second key joining and leaving the slot, at every fill of the room.
TEST_F(TriangleIndexTest, PosesOfAKeyOutliveAnotherKeyJoiningAndLeavingTheSlot) {
  for (std::uint32_t before = 1; before <= 13; ++before) {
    SCOPED_TRACE(before);
    const std::uint32_t key = 100 + before, other = key + 2'000'000;
    std::vector<FingerprintKey> model;
    for (FingerprintKey k = 1; k <= before; ++k) {
      ASSERT_EQ(index_.InsertItem(key, Pose(k)), kOk);
      model.push_back(k);
    }
    ASSERT_EQ(index_.InsertItem(other, Pose(500)), kOk);
    ASSERT_EQ(index_.InsertItem(key, Pose(600)), kOk);
    model.push_back(600);
    EXPECT_EQ(EntryKeys(key), (std::vector<std::uint32_t>{key, other}));
    EXPECT_EQ(KeysUnder(key), model);
    index_.RemoveItem(other, 500);
    index_.RemoveItem(key, 1);
    model.erase(model.begin());
    ASSERT_EQ(index_.InsertItem(key, Pose(700)), kOk);
    model.push_back(700);
    EXPECT_EQ(EntryKeys(key), std::vector<std::uint32_t>{key});
    EXPECT_EQ(KeysUnder(key), model);
    for (const FingerprintKey k : model) index_.RemoveItem(key, k);
    EXPECT_TRUE(index_.SlotEmpty(key));
  }
}

TEST_F(TriangleIndexTest, RemovingFromTheEndTakesTheLastPose) {
  ASSERT_EQ(index_.InsertItem(8, Pose(1, 20)), kOk);
  ASSERT_EQ(index_.InsertItem(8, Pose(1, 21)), kOk);
  index_.RemoveItem(8, 1, /*fromEnd=*/true);
  ASSERT_EQ(index_.FindEntry(8)->itemCount, 1);
  EXPECT_EQ(index_.FindEntry(8)->Pose(0).sides[0], 20);
}

TEST_F(TriangleIndexTest, AnEntryTakesNoMoreThan65535Poses) {
  for (std::uint32_t i = 0; i < kMaxCount16; ++i) ASSERT_EQ(index_.InsertItem(77, Pose(i)), kOk);
  EXPECT_EQ(index_.InsertItem(77, Pose(1)), kOutOfMemory);
  EXPECT_EQ(index_.FindEntry(77)->itemCount, kMaxCount16);
  EXPECT_EQ(index_.FindEntry(77)->Pose(kMaxCount16 - 1).fingerprintKey, kMaxCount16 - 1);
  // Another key of the slot is still taken.
  EXPECT_EQ(index_.InsertItem(2'000'077, Pose(1)), kOk);
}

TEST_F(TriangleIndexTest, AFailedInsertionLeavesTheSlotAsItWas) {
  auto small = orvo::heap::Heap::Create(0, sizeof(void*) * kSlotCount + 100);
  TriangleIndex index;
  ASSERT_TRUE(index.Create(*small));
  // The slot record takes 8 + 16 bytes per entry, a pose 16.
  ASSERT_EQ(index.InsertItem(3, Pose(1)), kOk);
  ASSERT_EQ(index.InsertItem(3, Pose(2)), kOk);
  ASSERT_EQ(index.InsertItem(3, Pose(3)), kOk);                    // 72 bytes
  EXPECT_EQ(index.InsertItem(2'000'003, Pose(4)), kOutOfMemory);   // would be 104
  EXPECT_EQ(index.SlotEntries(3).size(), 1u);
  ASSERT_EQ(index.InsertItem(3, Pose(5)), kOk);                    // 88
  EXPECT_EQ(index.InsertItem(3, Pose(6)), kOutOfMemory);           // would be 104
  EXPECT_EQ(index.FindEntry(3)->itemCount, 4);
  EXPECT_EQ(index.FindEntry(3)->Pose(3).fingerprintKey, 5u);
}

}  // namespace
}  // namespace huellix
