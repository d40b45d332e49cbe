#include "fingerprint/triangle_index.h"

#include <bit>
#include <cstring>

#include "fingerprint/result_codes.h"

namespace huellix {

// One block per slot: the number of key entries, then the entries.
struct alignas(IndexEntry) TriangleIndex::SlotRecord {
  std::uint16_t entryCount;
};

namespace {

// Lists grow by steps of about half their length, so a registration does not
// move every list it adds to. The room follows from the count alone (1, 2, 3,
// 4, 6, 8, 12, 16, ...), so nothing else need be kept beside the list: a list
// of `count` elements always has at least RoomFor(count) places.
std::size_t RoomFor(std::size_t count) {
  if (count <= 2) return count;
  const std::size_t whole = std::bit_ceil(count);
  const std::size_t threeQuarters = whole / 2 + whole / 4;
  return count <= threeQuarters ? threeQuarters : whole;
}

// True when a list of `count` elements has no place left for one more.
bool Full(std::size_t count) { return RoomFor(count + 1) != RoomFor(count); }

}  // namespace

IndexEntry* TriangleIndex::EntriesOf(SlotRecord* record) {
  return reinterpret_cast<IndexEntry*>(reinterpret_cast<char*>(record) + sizeof(SlotRecord));
}

bool TriangleIndex::Create(orvo::heap::Heap& heap) {
  heap_ = &heap;
  slots_ = static_cast<SlotRecord**>(heap.AllocateZeroed(sizeof(SlotRecord*) * kSlotCount));
  return slots_ != nullptr;
}

void TriangleIndex::Drop() {
  heap_ = nullptr;
  slots_ = nullptr;
}

std::span<const IndexEntry> TriangleIndex::SlotEntries(std::uint32_t slot) const {
  SlotRecord* record = slots_[slot];
  if (record == nullptr) return {};
  return {EntriesOf(record), record->entryCount};
}

const IndexEntry* TriangleIndex::FindEntry(std::uint32_t key) const {
  for (const IndexEntry& entry : SlotEntries(key % kSlotCount))
    if (entry.key == key) return &entry;
  return nullptr;
}

IndexEntry* TriangleIndex::FindMutableEntry(std::uint32_t key) {
  return const_cast<IndexEntry*>(FindEntry(key));
}

int TriangleIndex::InsertIndexKey(const ShapeKeyBytes& shape, const TrianglePose& pose) {
  return InsertItem(QuantiseTripletKey(shape), pose);
}

void TriangleIndex::RemoveIndexKey(const ShapeKeyBytes& shape, FingerprintKey fingerprintKey) {
  RemoveItem(QuantiseTripletKey(shape), fingerprintKey);
}

int TriangleIndex::InsertItem(std::uint32_t key, const TrianglePose& pose) {
  const std::uint32_t slot = key % kSlotCount;
  IndexEntry* entry = FindMutableEntry(key);
  if (entry == nullptr) {
    const std::uint16_t count = slots_[slot] == nullptr ? 0 : slots_[slot]->entryCount;
    if (count == kMaxCount16) return kOutOfMemory;
    // A new entry is only kept once its pose is, so a failure leaves the
    // slot as it was.
    auto* pose1 = static_cast<TrianglePose*>(heap_->Allocate(sizeof(TrianglePose) * RoomFor(1)));
    if (pose1 == nullptr) return kOutOfMemory;
    SlotRecord* record = slots_[slot];
    if (Full(count)) {
      record = static_cast<SlotRecord*>(
          heap_->Reallocate(record, sizeof(SlotRecord) + sizeof(IndexEntry) * RoomFor(count + 1u)));
      if (record == nullptr) {
        heap_->Free(pose1);
        return kOutOfMemory;
      }
    }
    *pose1 = pose;
    record->entryCount = static_cast<std::uint16_t>(count + 1);
    EntriesOf(record)[count] = IndexEntry{key, 1, 0, pose1};
    slots_[slot] = record;
    return kOk;
  }
  if (entry->itemCount == kMaxCount16) return kOutOfMemory;
  if (Full(entry->itemCount)) {
    auto* items = static_cast<TrianglePose*>(
        heap_->Reallocate(entry->items, sizeof(TrianglePose) * RoomFor(entry->itemCount + 1u)));
    if (items == nullptr) return kOutOfMemory;
    entry->items = items;
  }
  entry->items[entry->itemCount] = pose;
  ++entry->itemCount;
  return kOk;
}

void TriangleIndex::RemoveItem(std::uint32_t key, FingerprintKey fingerprintKey, bool fromEnd) {
  IndexEntry* entry = FindMutableEntry(key);
  if (entry == nullptr) return;
  int found = -1;
  for (int i = 0; i < entry->itemCount; ++i) {
    if (entry->items[i].fingerprintKey != fingerprintKey) continue;
    found = i;
    if (!fromEnd) break;
  }
  if (found < 0) return;
  // Shrinking in place keeps removal free of allocation; the spare room goes
  // with the entry or the heap.
  std::memmove(entry->items + found, entry->items + found + 1,
               sizeof(TrianglePose) * (entry->itemCount - found - 1));
  if (--entry->itemCount == 0) RemoveEntry(key % kSlotCount, entry);
}

void TriangleIndex::RemoveEntry(std::uint32_t slot, IndexEntry* entry) {
  SlotRecord* record = slots_[slot];
  IndexEntry* entries = EntriesOf(record);
  heap_->Free(entry->items);
  const auto position = entry - entries;
  std::memmove(entry, entry + 1, sizeof(IndexEntry) * (record->entryCount - position - 1));
  if (--record->entryCount == 0) {
    heap_->Free(record);
    slots_[slot] = nullptr;
  }
}

IndexEntry* TriangleIndex::NewSlot(std::uint32_t slot, std::uint16_t count) {
  auto* record =
      static_cast<SlotRecord*>(heap_->AllocateZeroed(sizeof(SlotRecord) + sizeof(IndexEntry) * RoomFor(count)));
  if (record == nullptr) return nullptr;
  record->entryCount = count;
  slots_[slot] = record;
  return EntriesOf(record);
}

TrianglePose* TriangleIndex::NewItems(IndexEntry& entry, std::uint16_t count) {
  entry.items = static_cast<TrianglePose*>(heap_->Allocate(sizeof(TrianglePose) * RoomFor(count)));
  if (entry.items != nullptr) entry.itemCount = count;
  return entry.items;
}

}  // namespace huellix
