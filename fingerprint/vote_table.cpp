#include "fingerprint/vote_table.h"

#include <algorithm>
#include <array>
#include <vector>

#include "fingerprint/search_pool.h"

namespace huellix {
namespace {

constexpr std::uint16_t kMaxCount = 0xFFFF;
constexpr std::uint32_t kFirstCapacity = 4096;

std::uint16_t SaturatingAdd(std::uint16_t a, std::uint32_t b) {
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(a + b, kMaxCount));
}

// A cell in one word while it waits to be filed.
std::uint64_t Pack(const VoteCell& c) {
  return std::uint64_t{c.key} << 24 | std::uint64_t{c.rotation} << 16 | std::uint64_t{c.translationX} << 8 |
         c.translationY;
}
VoteCell Unpack(std::uint64_t v) {
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v),
          static_cast<FingerprintKey>(v >> 24)};
}

// The buckets part `part` of `parts` files and smooths, and the part that
// files a bucket: the highest p with kVoteBuckets * p / parts <= bucket.
struct BucketRange {
  std::uint32_t lo, hi;
};
BucketRange RangeOf(int part, int parts) {
  const auto p = static_cast<std::uint32_t>(part), n = static_cast<std::uint32_t>(parts);
  return {kVoteBuckets * p / n, kVoteBuckets * (p + 1) / n};
}
std::uint32_t PartOf(std::uint32_t bucket, std::uint32_t parts) { return (parts * (bucket + 1) - 1) / kVoteBuckets; }

// A record no cell can match (the all-bits key is never registered) and
// without votes, for the room between the parts' ranges.
constexpr VoteRecord kEmptyRecord{0, 0, {0, 0, 0, kReservedKey}};

}  // namespace

VoteGather::VoteGather(orvo::heap::Heap& heap, std::mutex& heapLock, int parts)
    : heap_(heap), heapLock_(heapLock), parts_(static_cast<std::uint32_t>(parts)), lists_(parts_) {}

VoteGather::~VoteGather() {
  std::lock_guard lock(heapLock_);
  for (List& list : lists_) {
    heap_.Free(list.cells);
    heap_.Free(list.buckets);
  }
}

bool VoteGather::Grow(List& list) {
  const std::uint32_t grown = list.capacity == 0 ? kFirstCapacity / 4 : list.capacity * 2;
  std::lock_guard lock(heapLock_);
  auto* cells = static_cast<std::uint64_t*>(heap_.Reallocate(list.cells, grown * sizeof(std::uint64_t)));
  if (cells == nullptr) return false;
  list.cells = cells;
  auto* buckets = static_cast<std::uint32_t*>(heap_.Reallocate(list.buckets, grown * sizeof(std::uint32_t)));
  if (buckets == nullptr) return false;
  list.buckets = buckets;
  list.capacity = grown;
  return true;
}

void VoteGather::CastVote(const VoteCell& cell) {
  const std::uint32_t bucket = VoteTable::Hash(cell) % kVoteBuckets;
  List& list = lists_[PartOf(bucket, parts_)];
  if (list.size == list.capacity && !Grow(list)) {
    failed_ = true;
    return;
  }
  list.buckets[list.size] = bucket;
  list.cells[list.size++] = Pack(cell);
}

std::uint32_t VoteGather::Mark() {
  const auto mark = static_cast<std::uint32_t>(marks_.size() / parts_);
  for (const List& list : lists_) marks_.push_back(list.size);
  return mark;
}

VoteTable::VoteTable(orvo::heap::Heap& heap) : heap_(heap) {
  ends_ = static_cast<std::uint32_t*>(heap_.AllocateZeroed(kVoteBuckets * sizeof(std::uint32_t)));
}

VoteTable::~VoteTable() {
  heap_.Free(cast_);
  heap_.Free(castBuckets_);
  heap_.Free(records_);
  heap_.Free(ends_);
}

void VoteTable::CastVote(const VoteCell& cell) {
  if (filed_) return;
  if (castSize_ == castCapacity_) {
    // Every vote may open a record of its own: the lists grow together, so
    // filing needs no memory of its own.
    const std::uint32_t grown = castCapacity_ == 0 ? kFirstCapacity : castCapacity_ * 2;
    auto* cast = static_cast<std::uint64_t*>(heap_.Reallocate(cast_, grown * sizeof(std::uint64_t)));
    if (cast == nullptr) return;
    cast_ = cast;
    auto* buckets = static_cast<std::uint32_t*>(heap_.Reallocate(castBuckets_, grown * sizeof(std::uint32_t)));
    if (buckets == nullptr) return;
    castBuckets_ = buckets;
    auto* records = static_cast<VoteRecord*>(heap_.Reallocate(records_, grown * sizeof(VoteRecord)));
    if (records == nullptr) return;
    records_ = records;
    castCapacity_ = grown;
  }
  castBuckets_[castSize_] = Hash(cell) % kVoteBuckets;
  cast_[castSize_++] = Pack(cell);
}

void VoteTable::FileCastVotes() {
  if (filed_) return;
  filed_ = true;
  // A stable counting sort of the votes by bucket, then each bucket's votes
  // folded into one record per cell, kept where the cell's first vote lies:
  // every bucket ends with its cells in the order of their first votes.
  // The counts and the records land all over their tables: each vote's place
  // is fetched a few votes ahead.
  constexpr std::uint32_t kAhead = 16;
  for (std::uint32_t k = 0; k < castSize_; ++k) {
    if (k + kAhead < castSize_) __builtin_prefetch(ends_ + castBuckets_[k + kAhead], 1);
    ++ends_[castBuckets_[k]];
  }
  std::uint32_t sum = 0;
  for (std::uint32_t b = 0; b < kVoteBuckets; ++b) {
    const std::uint32_t count = ends_[b];
    ends_[b] = sum;  // the bucket's start until its votes are in
    sum += count;
  }
  for (std::uint32_t k = 0; k < castSize_; ++k) {
    if (k + kAhead < castSize_) __builtin_prefetch(records_ + ends_[castBuckets_[k + kAhead]], 1);
    records_[ends_[castBuckets_[k]]++] = VoteRecord{1, 0, Unpack(cast_[k])};
  }
  size_ = FoldBuckets(0, kVoteBuckets, 0);
  heap_.Free(cast_);
  heap_.Free(castBuckets_);
  cast_ = nullptr;
  castBuckets_ = nullptr;
  castSize_ = castCapacity_ = 0;
}

std::uint32_t VoteTable::FoldBuckets(std::uint32_t lo, std::uint32_t hi, std::uint32_t first) {
  std::uint32_t kept = first;
  std::uint32_t read = first;
  for (std::uint32_t b = lo; b < hi; ++b) {
    const std::uint32_t begin = kept;
    for (; read < ends_[b]; ++read) {
      const VoteCell cell = records_[read].cell;
      std::uint32_t at = begin;
      while (at < kept && !(records_[at].cell == cell)) ++at;
      if (at < kept)
        records_[at].votes = SaturatingAdd(records_[at].votes, 1);
      else
        records_[kept++] = records_[read];
    }
    ends_[b] = kept;
  }
  return kept;
}

bool VoteTable::FileGathered(SearchPool& pool, std::span<const GatheredStretch> stretches) {
  if (filed_) return false;
  filed_ = true;
  const int parts = pool.Parts();
  const auto votesOf = [&](const GatheredStretch& s, int part, auto&& visit) {
    const auto p = static_cast<std::size_t>(part);
    const VoteGather::List& list = s.from->lists_[p];
    const std::uint32_t* marks = s.from->marks_.data();
    const std::size_t n = static_cast<std::size_t>(parts);
    for (std::uint32_t k = marks[s.begin * n + p]; k < marks[s.end * n + p]; ++k) visit(list.buckets[k], list.cells[k]);
  };
  // Each part counts its own votes and files them into its buckets, where
  // the one-thread filing would put them: a stable counting sort by bucket.
  std::vector<std::uint32_t> firsts(static_cast<std::size_t>(parts) + 1);
  pool.Run([&](int part) {
    std::uint32_t n = 0;
    for (const GatheredStretch& s : stretches)
      votesOf(s, part, [&](std::uint32_t bucket, std::uint64_t) {
        ++ends_[bucket];
        ++n;
      });
    firsts[static_cast<std::size_t>(part) + 1] = n;
  });
  std::uint64_t total = 0;
  for (std::size_t part = 1; part <= static_cast<std::size_t>(parts); ++part) {
    total += firsts[part];
    if (total > 0xFFFFFFFFu - 1) return false;
    firsts[part] = static_cast<std::uint32_t>(total);
  }
  records_ = static_cast<VoteRecord*>(heap_.Allocate(std::max<std::uint64_t>(total, 1) * sizeof(VoteRecord)));
  if (records_ == nullptr) return false;
  // Then each folds its buckets' votes in place and marks the room left
  // before the next part's buckets as empty records.
  pool.Run([&](int part) {
    const auto p = static_cast<std::size_t>(part);
    const BucketRange range = RangeOf(part, parts);
    std::uint32_t sum = firsts[p];
    for (std::uint32_t b = range.lo; b < range.hi; ++b) {
      const std::uint32_t count = ends_[b];
      ends_[b] = sum;
      sum += count;
    }
    for (const GatheredStretch& s : stretches)
      votesOf(s, part, [&](std::uint32_t bucket, std::uint64_t cell) {
        records_[ends_[bucket]++] = VoteRecord{1, 0, Unpack(cell)};
      });
    const std::uint32_t kept = FoldBuckets(range.lo, range.hi, firsts[p]);
    std::fill(records_ + kept, records_ + firsts[p + 1], kEmptyRecord);
  });
  size_ = static_cast<std::uint32_t>(total);
  return true;
}

void VoteTable::SmoothVotes() {
  FileCastVotes();
  SmoothBuckets(0, kVoteBuckets);
  smoothed_ = true;
}

void VoteTable::SmoothVotes(SearchPool& pool) {
  // A record's total depends only on the filed table, never on another
  // total: the ranges are smoothed side by side.
  pool.Run([&](int part) {
    const BucketRange range = RangeOf(part, pool.Parts());
    SmoothBuckets(range.lo, range.hi);
  });
  smoothed_ = true;
}

void VoteTable::SmoothBuckets(std::uint32_t lo, std::uint32_t hi) {
  static constexpr std::array<std::int32_t, 3> kRotation = {-1, 0, 1};
  static constexpr std::array<std::int32_t, 3> kShiftX = {-8, 0, 8};
  static constexpr std::array<std::int32_t, 3> kShiftY = {-256, 0, 256};
  // Buckets are smoothed in order, each record in turn; a record of a single
  // vote is deleted when its turn comes. So a neighbour of a single vote
  // still counts while its bucket, or its place in this bucket, lies ahead.
  for (std::uint32_t b = lo; b < hi; ++b) {
    for (std::uint32_t i = Begin(b); i < ends_[b]; ++i) {
      VoteRecord& r = records_[i];
      if (r.votes < 2) continue;
      const std::uint32_t h = Hash(r.cell);
      for (std::int32_t dr : kRotation)
        for (std::int32_t dx : kShiftX)
          for (std::int32_t dy : kShiftY) {
            const std::uint32_t bucket = (h + static_cast<std::uint32_t>(dr + dx + dy)) % kVoteBuckets;
            for (std::uint32_t at = Begin(bucket); at < ends_[bucket]; ++at) {
              const VoteRecord& o = records_[at];
              if (o.cell.key != r.cell.key) continue;
              const bool deleted = o.votes < 2 && (bucket < b || (bucket == b && at < i));
              if (deleted) continue;
              if (r.votes >= o.votes) r.total = SaturatingAdd(r.total, o.votes);
              break;
            }
          }
    }
  }
}

}  // namespace huellix
