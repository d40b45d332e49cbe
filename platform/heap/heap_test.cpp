#include "platform/heap/heap.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvo::heap {
namespace {

TEST(HeapTest, AllocatesFreesAndCountsBytes) {
  auto heap = Heap::Create(1000);
  ASSERT_NE(heap, nullptr);
  void* a = heap->Allocate(100);
  void* b = heap->AllocateZeroed(50);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(heap->BytesInUse(), 150u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(static_cast<unsigned char*>(b)[i], 0);
  heap->Free(a);
  EXPECT_EQ(heap->BytesInUse(), 50u);
  heap->Free(nullptr);
  heap->Free(b);
  EXPECT_EQ(heap->BytesInUse(), 0u);
}

TEST(HeapTest, InitialSizeAboveMaximumIsNotCreated) {
  EXPECT_EQ(Heap::Create(101, 100), nullptr);
  EXPECT_NE(Heap::Create(100, 100), nullptr);
  EXPECT_NE(Heap::Create(20'000'000, 0), nullptr);
}

TEST(HeapTest, MaximumRefusesWhatWouldPassIt) {
  auto heap = Heap::Create(0, 100);
  void* a = heap->Allocate(60);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(heap->Allocate(41), nullptr);
  void* b = heap->Allocate(40);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(heap->Allocate(1), nullptr);
  heap->Free(a);
  EXPECT_NE(heap->Allocate(60), nullptr);
  EXPECT_EQ(heap->Allocate(SIZE_MAX), nullptr);
}

TEST(HeapTest, ReallocateKeepsContentsAndFailsWithoutHarm) {
  auto heap = Heap::Create(0, 100);
  auto* a = static_cast<char*>(heap->Reallocate(nullptr, 10));
  ASSERT_NE(a, nullptr);
  std::memcpy(a, "0123456789", 10);
  a = static_cast<char*>(heap->Reallocate(a, 80));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(std::memcmp(a, "0123456789", 10), 0);
  EXPECT_EQ(heap->BytesInUse(), 80u);
  EXPECT_EQ(heap->Reallocate(a, 101), nullptr);
  EXPECT_EQ(std::memcmp(a, "0123456789", 10), 0);
  EXPECT_EQ(heap->BytesInUse(), 80u);
  a = static_cast<char*>(heap->Reallocate(a, 5));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(std::memcmp(a, "01234", 5), 0);
  EXPECT_EQ(heap->BytesInUse(), 5u);
  heap->Free(a);
}

TEST(HeapTest, DestroyFreesWhatIsLeft) {
  // Run under a leak checker this shows the blocks go with the heap.
  auto heap = Heap::Create(0);
  for (int i = 0; i < 1000; ++i) ASSERT_NE(heap->Allocate(64), nullptr);
  void* middle = heap->Allocate(64);
  for (int i = 0; i < 1000; ++i) ASSERT_NE(heap->Allocate(64), nullptr);
  heap->Free(middle);
  EXPECT_EQ(heap->BytesInUse(), 2000u * 64);
  heap.reset();
}

}  // namespace
}  // namespace orvo::heap
