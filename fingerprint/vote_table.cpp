#include "fingerprint/vote_table.h"

#include <algorithm>
#include <array>

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

}  // namespace

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
  std::uint32_t kept = 0;
  std::uint32_t read = 0;
  for (std::uint32_t b = 0; b < kVoteBuckets; ++b) {
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
  size_ = kept;
  heap_.Free(cast_);
  heap_.Free(castBuckets_);
  cast_ = nullptr;
  castBuckets_ = nullptr;
  castSize_ = castCapacity_ = 0;
}

void VoteTable::SmoothVotes() {
  FileCastVotes();
  static constexpr std::array<std::int32_t, 3> kRotation = {-1, 0, 1};
  static constexpr std::array<std::int32_t, 3> kShiftX = {-8, 0, 8};
  static constexpr std::array<std::int32_t, 3> kShiftY = {-256, 0, 256};
  // Buckets are smoothed in order, each record in turn; a record of a single
  // vote is deleted when its turn comes. So a neighbour of a single vote
  // still counts while its bucket, or its place in this bucket, lies ahead.
  for (std::uint32_t b = 0; b < kVoteBuckets; ++b) {
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
  smoothed_ = true;
}

}  // namespace huellix
