#include "fingerprint/triangle_index.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

#include "fingerprint/result_codes.h"

namespace huellix {

namespace {

// True when a list of `count` elements has no place left for one more.
bool Full(std::size_t count) { return RoomFor(count + 1) != RoomFor(count); }

std::size_t BlockSize(std::size_t room) { return (sizeof(PoseShape) + sizeof(PoseRest)) * room; }

}  // namespace

void IndexEntry::SetPose(std::size_t i, const TrianglePose& pose) {
  shapes[i] = ShapeOf(pose);
  Rests()[i] = PoseRest{pose.fingerprintKey, pose.centroidX, pose.centroidY, pose.zero};
}

bool TriangleIndex::Create(orvo::heap::Heap& heap) {
  heap_ = &heap;
  slots_ = static_cast<SlotRecord**>(heap.AllocateZeroed(sizeof(SlotRecord*) * kSlotCount));
  if (slots_ == nullptr) return false;
  // Registration and search read slots all over the table: on large pages
  // the reads do not each miss the address translation too. Only a hint.
  constexpr std::uintptr_t kLargePage = 2 << 20;
  const auto begin = (reinterpret_cast<std::uintptr_t>(slots_) + kLargePage - 1) & ~(kLargePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(slots_ + kSlotCount)) & ~(kLargePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  return true;
}

void TriangleIndex::Drop() {
  heap_ = nullptr;
  slots_ = nullptr;
}

void TriangleIndex::PrefetchAppend(std::uint32_t key) const {
  const IndexEntry* entry = FindEntry(key);
  if (entry == nullptr) return;
  __builtin_prefetch(entry->shapes + entry->itemCount, 1);
  __builtin_prefetch(entry->Rests() + entry->itemCount, 1);
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

IndexEntry* TriangleIndex::ResizeSingle(std::uint32_t slot, std::size_t room) {
  auto* record = static_cast<SlotRecord*>(heap_->Reallocate(slots_[slot], RecordSize(1) + BlockSize(room)));
  if (record == nullptr) return nullptr;
  slots_[slot] = record;
  IndexEntry* entry = EntriesOf(record);
  entry->shapes = reinterpret_cast<PoseShape*>(entry + 1);
  return entry;
}

int TriangleIndex::InsertItem(std::uint32_t key, const TrianglePose& pose) {
  const std::uint32_t slot = key % kSlotCount;
  IndexEntry* entry = FindMutableEntry(key);
  if (entry == nullptr) return AddEntry(slot, key, pose);
  const std::uint16_t count = entry->itemCount;
  if (count == kMaxCount16) return kOutOfMemory;
  if (Full(count)) {
    const std::size_t room = RoomFor(count + 1u);
    PoseShape* shapes;
    if (HoldsPoses(slots_[slot])) {
      entry = ResizeSingle(slot, room);
      if (entry == nullptr) return kOutOfMemory;
      shapes = entry->shapes;
    } else {
      shapes = static_cast<PoseShape*>(heap_->Reallocate(entry->shapes, BlockSize(room)));
      if (shapes == nullptr) return kOutOfMemory;
      entry->shapes = shapes;
    }
    // The rests follow the shapes' new room.
    std::memmove(shapes + room, shapes + RoomFor(count), sizeof(PoseRest) * count);
  }
  ++entry->itemCount;
  entry->SetPose(count, pose);
  return kOk;
}

int TriangleIndex::AddEntry(std::uint32_t slot, std::uint32_t key, const TrianglePose& pose) {
  SlotRecord* record = slots_[slot];
  if (record == nullptr) {
    record = static_cast<SlotRecord*>(heap_->Allocate(RecordSize(1) + BlockSize(RoomFor(1))));
    if (record == nullptr) return kOutOfMemory;
    record->entryCount = 1;
    IndexEntry* entry = EntriesOf(record);
    *entry = IndexEntry{key, 1, 0, reinterpret_cast<PoseShape*>(entry + 1)};
    entry->SetPose(0, pose);
    slots_[slot] = record;
    return kOk;
  }
  const std::uint16_t count = record->entryCount;
  if (count == kMaxCount16) return kOutOfMemory;
  // A new entry is only kept once its pose is, so a failure leaves the
  // slot as it was.
  auto* pose1 = static_cast<PoseShape*>(heap_->Allocate(BlockSize(RoomFor(1))));
  if (pose1 == nullptr) return kOutOfMemory;
  if (HoldsPoses(record)) {
    // A second key: the first key's poses move out to a block of their own.
    const IndexEntry& first = EntriesOf(record)[0];
    const std::size_t size = BlockSize(RoomFor(first.itemCount));
    auto* poses = static_cast<PoseShape*>(heap_->Allocate(size));
    auto* split = static_cast<SlotRecord*>(heap_->Allocate(RecordSize(RoomFor(2))));
    if (poses == nullptr || split == nullptr) {
      heap_->Free(poses);
      heap_->Free(split);
      heap_->Free(pose1);
      return kOutOfMemory;
    }
    std::memcpy(poses, first.shapes, size);
    EntriesOf(split)[0] = first;
    EntriesOf(split)[0].shapes = poses;
    heap_->Free(record);
    record = split;
  } else if (Full(count)) {
    record = static_cast<SlotRecord*>(heap_->Reallocate(record, RecordSize(RoomFor(count + 1u))));
    if (record == nullptr) {
      heap_->Free(pose1);
      return kOutOfMemory;
    }
  }
  record->entryCount = static_cast<std::uint16_t>(count + 1);
  IndexEntry& added = EntriesOf(record)[count];
  added = IndexEntry{key, 1, 0, pose1};
  added.SetPose(0, pose);
  slots_[slot] = record;
  return kOk;
}

void TriangleIndex::RemoveItem(std::uint32_t key, FingerprintKey fingerprintKey, bool fromEnd) {
  IndexEntry* entry = FindMutableEntry(key);
  if (entry == nullptr) return;
  const PoseRest* rests = entry->Rests();
  const int count = entry->itemCount;
  int found = -1;
  for (int i = 0; i < count; ++i) {
    if (rests[i].fingerprintKey != fingerprintKey) continue;
    found = i;
    if (!fromEnd) break;
  }
  if (found < 0) return;
  // Shrinking in place keeps removal free of allocation; the spare room goes
  // with the entry or the heap. The rests move down to the smaller count's room.
  PoseShape* shapes = entry->shapes;
  std::memmove(shapes + found, shapes + found + 1, sizeof(PoseShape) * (count - found - 1));
  auto* from = reinterpret_cast<PoseRest*>(shapes + RoomFor(count));
  auto* to = reinterpret_cast<PoseRest*>(shapes + RoomFor(count - 1));
  std::memmove(to, from, sizeof(PoseRest) * found);
  std::memmove(to + found, from + found + 1, sizeof(PoseRest) * (count - found - 1));
  if (--entry->itemCount == 0) RemoveEntry(key % kSlotCount, entry);
}

void TriangleIndex::RemoveEntry(std::uint32_t slot, IndexEntry* entry) {
  SlotRecord* record = slots_[slot];
  if (HoldsPoses(record)) {
    heap_->Free(record);
    slots_[slot] = nullptr;
    return;
  }
  IndexEntry* entries = EntriesOf(record);
  heap_->Free(entry->shapes);
  const auto position = entry - entries;
  std::memmove(entry, entry + 1, sizeof(IndexEntry) * (record->entryCount - position - 1));
  if (--record->entryCount == 0) {
    heap_->Free(record);
    slots_[slot] = nullptr;
  }
}

IndexEntry* TriangleIndex::NewSlot(std::uint32_t slot, std::uint16_t count) {
  auto* record =
      static_cast<SlotRecord*>(heap_->AllocateZeroed(RecordSize(RoomFor(count))));
  if (record == nullptr) return nullptr;
  record->entryCount = count;
  slots_[slot] = record;
  return EntriesOf(record);
}

IndexEntry* TriangleIndex::NewItems(IndexEntry& entry, std::uint16_t count) {
  const std::uint32_t slot = entry.key % kSlotCount;
  if (slots_[slot]->entryCount == 1) {
    IndexEntry* moved = ResizeSingle(slot, RoomFor(count));
    if (moved != nullptr) moved->itemCount = count;
    return moved;
  }
  entry.shapes = static_cast<PoseShape*>(heap_->Allocate(BlockSize(RoomFor(count))));
  if (entry.shapes == nullptr) return nullptr;
  entry.itemCount = count;
  return &entry;
}

}  // namespace huellix
