// TriangleIndex: TrianglePoses filed under their TriangleKeys in a hash of
// 2,000,000 slots (slot = key mod 2,000,000) on the index heap. A slot holds
// its key entries in insertion order, an entry its poses in insertion order.
// The record of a slot with a single key carries that key's poses right
// behind the entry, so that a reader reaches them without a further miss.
//
//   TriangleIndex index;
//   if (!index.Create(heap)) { /* 101 */ }
//   index.InsertIndexKey(shape, pose);                 // 0, or 101 and nothing filed
//   if (const IndexEntry* entry = index.FindEntry(key)) for (const TrianglePose& p : entry->Items()) ...
//   index.RemoveIndexKey(shape, fingerprintKey);       // the first such pose under the key
//
// An entry keeps each pose in two halves, in two lists of one block: first
// the eight bytes the search tests (PoseShape), then the rest (PoseRest). The
// search scans the shapes alone, eight bytes a pose, and reads the rest only
// for the few poses that pass.
//
// Counts are 16 bits and never wrap: an entry holding 65,535 poses takes no
// more. Removal never allocates, so it cannot fail.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

#include "fingerprint/triplets.h"
#include "platform/heap/heap.h"

namespace huellix {

constexpr std::uint32_t kSlotCount = 2'000'000;
constexpr std::uint32_t kMaxCount16 = 0xFFFF;

// Lists grow by steps of about half their length, so a registration does not
// move every list it adds to. The room follows from the count alone (1, 2, 3,
// 4, 6, 8, 12, 16, ...), so nothing else need be kept beside the list: a list
// of `count` elements always has room for RoomFor(count).
constexpr std::size_t RoomFor(std::size_t count) {
  if (count <= 2) return count;
  const std::size_t whole = std::bit_ceil(count);
  const std::size_t threeQuarters = whole / 2 + whole / 4;
  return count <= threeQuarters ? threeQuarters : whole;
}

// What the search tests first: the sides, the relative directions and the
// orientation with its sign bit flipped, so that all seven compare as
// unsigned bytes; then the pose's last byte.
struct PoseShape {
  std::array<std::uint8_t, 8> bytes;
};
constexpr int kShapeOrientation = 6;
constexpr int kShapeZero2 = 7;

struct PoseRest {
  FingerprintKey fingerprintKey;
  std::int8_t centroidX;
  std::int8_t centroidY;
  std::array<std::uint8_t, 2> zero;
};
static_assert(sizeof(PoseShape) == 8 && sizeof(PoseRest) == 8);

constexpr std::uint8_t kSignBit = 0x80;

inline PoseShape ShapeOf(const TrianglePose& pose) {
  return {{pose.sides[0], pose.sides[1], pose.sides[2], pose.relativeDirections[0], pose.relativeDirections[1],
           pose.relativeDirections[2], static_cast<std::uint8_t>(static_cast<std::uint8_t>(pose.orientation) ^ kSignBit),
           pose.zero2}};
}

inline TrianglePose JoinPose(const PoseShape& shape, const PoseRest& rest) {
  TrianglePose pose;
  const auto& b = shape.bytes;
  pose.sides = {b[0], b[1], b[2]};
  pose.relativeDirections = {b[3], b[4], b[5]};
  pose.zero = rest.zero;
  pose.fingerprintKey = rest.fingerprintKey;
  pose.orientation = static_cast<std::int8_t>(b[kShapeOrientation] ^ kSignBit);
  pose.centroidX = rest.centroidX;
  pose.centroidY = rest.centroidY;
  pose.zero2 = b[kShapeZero2];
  return pose;
}

struct IndexEntry {
  std::uint32_t key;
  std::uint16_t itemCount;
  std::uint16_t reserved;  // the 2 bytes after the count in the database file
  // RoomFor(itemCount) shapes, then as many rests.
  PoseShape* shapes;

  PoseRest* Rests() const { return reinterpret_cast<PoseRest*>(shapes + RoomFor(itemCount)); }
  TrianglePose Pose(std::size_t i) const { return JoinPose(shapes[i], Rests()[i]); }
  void SetPose(std::size_t i, const TrianglePose& pose);

  // The poses in order, each put together on reading.
  class PoseIterator {
   public:
    PoseIterator(const IndexEntry* entry, std::size_t at) : entry_(entry), at_(at) {}
    TrianglePose operator*() const { return entry_->Pose(at_); }
    PoseIterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator==(const PoseIterator&) const = default;

   private:
    const IndexEntry* entry_;
    std::size_t at_;
  };
  struct PoseRange {
    const IndexEntry* entry;
    PoseIterator begin() const { return {entry, 0}; }
    PoseIterator end() const { return {entry, entry->itemCount}; }
  };
  PoseRange Items() const { return {this}; }
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
  // Where the key's next pose would go, for a writer about to file it.
  void PrefetchAppend(std::uint32_t key) const;
  // The slot's key entries, in order; empty for an empty slot.
  std::span<const IndexEntry> SlotEntries(std::uint32_t slot) const {
    SlotRecord* record = slots_[slot];
    if (record == nullptr) return {};
    return {EntriesOf(record), record->entryCount};
  }
  // The entry with exactly this key, or nullptr.
  const IndexEntry* FindEntry(std::uint32_t key) const {
    for (const IndexEntry& entry : SlotEntries(key % kSlotCount))
      if (entry.key == key) return &entry;
    return nullptr;
  }

  // For the database file's loader: a slot's record with `count` zeroed key
  // entries (the slot must be empty), and room for an entry's `count` poses,
  // to be filled with SetPose through the entry NewItems gives back (the
  // only entry of a slot moves to take its poses along); nullptr when memory
  // runs out.
  IndexEntry* NewSlot(std::uint32_t slot, std::uint16_t count);
  IndexEntry* NewItems(IndexEntry& entry, std::uint16_t count);

 private:
  // One block per slot: the number of key entries, then the entries.
  struct alignas(IndexEntry) SlotRecord {
    std::uint16_t entryCount;
  };
  static IndexEntry* EntriesOf(SlotRecord* record) {
    return reinterpret_cast<IndexEntry*>(reinterpret_cast<char*>(record) + sizeof(SlotRecord));
  }
  // Whether the record is a single entry with its poses behind it.
  static bool HoldsPoses(SlotRecord* record) {
    IndexEntry* entries = EntriesOf(record);
    return record->entryCount == 1 && entries[0].shapes == reinterpret_cast<PoseShape*>(entries + 1);
  }
  static std::size_t RecordSize(std::size_t entries) { return sizeof(SlotRecord) + sizeof(IndexEntry) * entries; }
  IndexEntry* FindMutableEntry(std::uint32_t key);
  // A record for the slot holding its single entry with room for `room` poses.
  IndexEntry* ResizeSingle(std::uint32_t slot, std::size_t room);
  int AddEntry(std::uint32_t slot, std::uint32_t key, const TrianglePose& pose);
  void RemoveEntry(std::uint32_t slot, IndexEntry* entry);

  orvo::heap::Heap* heap_ = nullptr;
  SlotRecord** slots_ = nullptr;
};

}  // namespace huellix
