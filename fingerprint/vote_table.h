// VoteTable: the votes of one search, one record per (fingerprint, rotation
// bin, translation bins) cell, hashed into 300,000 chained buckets on the vote
// heap. Created at the start of a search, gone at its end.
//
//   VoteTable votes(heap);
//   if (!votes.Created()) { /* 101 */ }
//   votes.AddVote({rotation, tx, ty, key});    // a lost vote when memory runs out
//   votes.SmoothVotes();                       // single votes go, neighbours add up
//   votes.ForEach([](const VoteRecord& r) { ... r.total ... });
//
// Counts are 16 bits and stop at 65,535 instead of wrapping.
#pragma once

#include <cstdint>

#include "fingerprint/fingerprint_id.h"
#include "platform/heap/heap.h"

namespace huellix {

constexpr std::uint32_t kVoteBuckets = 300'000;

struct VoteCell {
  std::uint8_t rotation;
  std::uint8_t translationX;
  std::uint8_t translationY;
  FingerprintKey key;
  bool operator==(const VoteCell&) const = default;
};

struct VoteRecord {
  std::uint16_t votes;
  std::uint16_t total;  // the smoothed total
  VoteCell cell;
  std::uint32_t next;   // 1 + the next record's place; 0 ends the chain
};

class VoteTable {
 public:
  explicit VoteTable(orvo::heap::Heap& heap);
  ~VoteTable();
  VoteTable(const VoteTable&) = delete;
  VoteTable& operator=(const VoteTable&) = delete;

  bool Created() const { return heads_ != nullptr; }

  // The cell's hash before the bucket modulo.
  static std::uint32_t Hash(const VoteCell& cell);

  void AddVote(const VoteCell& cell);
  void SmoothVotes();

  // Every record, bucket by bucket, each chain in order.
  template <class Visit>
  void ForEach(Visit&& visit) const {
    for (std::uint32_t b = 0; b < kVoteBuckets; ++b)
      for (std::uint32_t at = heads_[b]; at != 0; at = records_[at - 1].next) visit(records_[at - 1]);
  }

 private:
  // The place of a new record, or 0 when memory runs out.
  std::uint32_t NewRecord(const VoteCell& cell);

  orvo::heap::Heap& heap_;
  std::uint32_t* heads_ = nullptr;  // 1 + the first record's place; 0 = empty
  VoteRecord* records_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
};

}  // namespace huellix
