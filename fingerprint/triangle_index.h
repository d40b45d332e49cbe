// TriangleIndex: TrianglePoses filed under their TriangleKeys in a hash of
// 2,000,000 slots (slot = key mod 2,000,000) on the index heap. A slot holds
// its key entries in insertion order, an entry its poses in insertion order.
//
//   TriangleIndex index;
//   if (!index.Create(heap)) { /* 101 */ }
//   index.InsertIndexKey(shape, pose);                 // 0, or 101 and nothing filed
//   if (const IndexEntry* entry = index.FindEntry(key)) for (const TrianglePose& p : entry->Items()) ...
//   index.RemoveIndexKey(shape, fingerprintKey);       // the first such pose under the key
//
// Counts are 16 bits and never wrap: an entry holding 65,535 poses takes no
// more. Removal never allocates, so it cannot fail.
#pragma once

#include <cstdint>
#include <span>

#include "fingerprint/triplets.h"
#include "platform/heap/heap.h"

namespace huellix {

constexpr std::uint32_t kSlotCount = 2'000'000;
constexpr std::uint32_t kMaxCount16 = 0xFFFF;

struct IndexEntry {
  std::uint32_t key;
  std::uint16_t itemCount;
  std::uint16_t reserved;  // the 2 bytes after the count in the database file
  TrianglePose* items;
  std::span<const TrianglePose> Items() const { return {items, itemCount}; }
};

class TriangleIndex {
 public:
  // Allocates the zeroed slot table on the heap, which then holds everything
  // the index files; false when it cannot. The heap outlives the index's use.
  bool Create(orvo::heap::Heap& heap);
  // Forgets everything without freeing: for when the heap is destroyed whole.
  void Drop();
  bool Created() const { return slots_ != nullptr; }

  int InsertIndexKey(const ShapeKeyBytes& shape, const TrianglePose& pose);
  void RemoveIndexKey(const ShapeKeyBytes& shape, FingerprintKey fingerprintKey);
  int InsertItem(std::uint32_t key, const TrianglePose& pose);
  // Removes the first (or with fromEnd the last) pose of the fingerprint
  // under the key; nothing when there is none.
  void RemoveItem(std::uint32_t key, FingerprintKey fingerprintKey, bool fromEnd = false);

  bool SlotEmpty(std::uint32_t slot) const { return slots_[slot] == nullptr; }
  // Hints for a reader about to look at many slots: fetch the slot, or the
  // record of a slot already fetched, ahead of use.
  void PrefetchSlot(std::uint32_t slot) const { __builtin_prefetch(&slots_[slot]); }
  void PrefetchRecord(std::uint32_t slot) const { __builtin_prefetch(slots_[slot]); }
  // The slot's key entries, in order; empty for an empty slot.
  std::span<const IndexEntry> SlotEntries(std::uint32_t slot) const;
  // The entry with exactly this key, or nullptr.
  const IndexEntry* FindEntry(std::uint32_t key) const;

  // For the database file's loader: a slot's record with `count` zeroed key
  // entries (the slot must be empty), and an entry's pose list of `count`
  // poses. nullptr when memory runs out.
  IndexEntry* NewSlot(std::uint32_t slot, std::uint16_t count);
  TrianglePose* NewItems(IndexEntry& entry, std::uint16_t count);

 private:
  struct SlotRecord;
  static IndexEntry* EntriesOf(SlotRecord* record);
  IndexEntry* FindMutableEntry(std::uint32_t key);
  void RemoveEntry(std::uint32_t slot, IndexEntry* entry);

  orvo::heap::Heap* heap_ = nullptr;
  SlotRecord** slots_ = nullptr;
};

}  // namespace huellix
