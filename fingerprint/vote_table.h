// VoteTable: the votes of one search, one record per (fingerprint, rotation
// bin, translation bins) cell, hashed into 300,000 buckets on the vote heap.
// Created at the start of a search, gone at its end.
//
//   VoteTable votes(heap);
//   if (!votes.Created()) { /* 101 */ }
//   votes.CastVote({rotation, tx, ty, key});   // a lost vote when memory runs out
//   votes.SmoothVotes();                       // single votes go, neighbours add up
//   votes.ForEach([](const VoteRecord& r) { ... r.total ... });
//
// A bucket's records keep the order in which their cells got their first
// votes. Counts are 16 bits and stop at 65,535 instead of wrapping.
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
};

class VoteTable {
 public:
  explicit VoteTable(orvo::heap::Heap& heap);
  ~VoteTable();
  VoteTable(const VoteTable&) = delete;
  VoteTable& operator=(const VoteTable&) = delete;

  bool Created() const { return ends_ != nullptr; }

  // The cell's hash before the bucket modulo.
  static std::uint32_t Hash(const VoteCell& c) {
    return (c.rotation & 7u) | (c.translationX & 31u) << 3 | (c.translationY & 31u) << 8 | (c.key << 13);
  }

  // Votes are gathered in the order cast and filed into their buckets all at
  // once, which costs far less than walking a bucket for every vote. A vote
  // that finds no memory to be gathered in is lost; the search goes on.
  void CastVote(const VoteCell& cell);
  // Files what was gathered (SmoothVotes does it too); votes cast afterwards
  // are lost, as the buckets are laid out tight.
  void FileCastVotes();
  void SmoothVotes();

  // Every record, bucket by bucket, each bucket in order; after smoothing
  // only the records it kept.
  template <class Visit>
  void ForEach(Visit&& visit) const {
    for (std::uint32_t at = 0; at < size_; ++at)
      if (!smoothed_ || records_[at].votes >= 2) visit(records_[at]);
  }

 private:
  std::uint32_t Begin(std::uint32_t bucket) const { return bucket == 0 ? 0 : ends_[bucket - 1]; }

  orvo::heap::Heap& heap_;
  // Once filed, bucket b's records are records_[Begin(b) .. ends_[b]).
  std::uint32_t* ends_ = nullptr;
  VoteRecord* records_ = nullptr;  // room for one record per gathered vote
  std::uint32_t size_ = 0;
  std::uint64_t* cast_ = nullptr;  // gathered votes, in the order cast
  std::uint32_t* castBuckets_ = nullptr;  // and their buckets
  std::uint32_t castSize_ = 0;
  std::uint32_t castCapacity_ = 0;
  bool filed_ = false;
  bool smoothed_ = false;
};

}  // namespace huellix
