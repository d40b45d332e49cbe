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
#include <mutex>
#include <span>
#include <vector>

#include "fingerprint/fingerprint_id.h"
#include "platform/heap/heap.h"

namespace huellix {

class SearchPool;

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

// The votes one part of a threaded search gathers, in the order cast, on the
// vote heap, which the parts share under one lock; each vote goes to the
// list of the part that files its bucket (VoteTable::FileGathered), so that
// part reads its own votes alone. A vote that finds no memory is lost and
// the gather marked failed.
class VoteGather {
 public:
  VoteGather(orvo::heap::Heap& heap, std::mutex& heapLock, int parts);
  ~VoteGather();
  VoteGather(const VoteGather&) = delete;
  VoteGather& operator=(const VoteGather&) = delete;

  void CastVote(const VoteCell& cell);
  // A mark between the votes cast before and after, for a GatheredStretch.
  std::uint32_t Mark();
  bool Failed() const { return failed_; }

 private:
  friend class VoteTable;
  struct List {
    std::uint64_t* cells = nullptr;
    std::uint32_t* buckets = nullptr;
    std::uint32_t size = 0;
    std::uint32_t capacity = 0;
  };
  bool Grow(List& list);

  orvo::heap::Heap& heap_;
  std::mutex& heapLock_;
  const std::uint32_t parts_;
  std::vector<List> lists_;
  std::vector<std::uint32_t> marks_;  // each mark: every list's size then
  bool failed_ = false;
};

// The votes one gather took between two of its marks: a threaded search's
// votes are its stretches in order, as one thread would have cast them.
struct GatheredStretch {
  const VoteGather* from = nullptr;
  std::uint32_t begin = 0;  // marks
  std::uint32_t end = 0;
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

  // The same filing and smoothing spread over the pool's threads, each part
  // taking a range of buckets, for votes gathered in stretches (gathers made
  // for the pool's number of parts): the table ends as FileCastVotes and
  // SmoothVotes leave it when the stretches' votes are cast here one by one
  // in order, but for records without votes between the parts' ranges,
  // which ForEach passes over. Filing answers false when memory runs out;
  // the table then holds nothing.
  bool FileGathered(SearchPool& pool, std::span<const GatheredStretch> stretches);
  void SmoothVotes(SearchPool& pool);

  // Every record, bucket by bucket, each bucket in order; after smoothing
  // only the records it kept.
  template <class Visit>
  void ForEach(Visit&& visit) const {
    ForEachOfPart(0, 1, visit);
  }
  // ForEach over the part's share of the records; the parts in order visit
  // what ForEach visits.
  template <class Visit>
  void ForEachOfPart(int part, int parts, Visit&& visit) const {
    const auto end = static_cast<std::uint32_t>(std::uint64_t{size_} * static_cast<std::uint32_t>(part + 1) /
                                                static_cast<std::uint32_t>(parts));
    for (auto at = static_cast<std::uint32_t>(std::uint64_t{size_} * static_cast<std::uint32_t>(part) /
                                              static_cast<std::uint32_t>(parts));
         at < end; ++at)
      if (records_[at].votes >= (smoothed_ ? 2 : 1)) visit(records_[at]);
  }

 private:
  std::uint32_t Begin(std::uint32_t bucket) const { return bucket == 0 ? 0 : ends_[bucket - 1]; }
  // Folds the filed votes of buckets [lo, hi), which lie from `first` on,
  // into one record per cell, packed from `first` on: gives the end.
  std::uint32_t FoldBuckets(std::uint32_t lo, std::uint32_t hi, std::uint32_t first);
  void SmoothBuckets(std::uint32_t lo, std::uint32_t hi);

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
