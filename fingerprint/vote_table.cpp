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

}  // namespace

VoteTable::VoteTable(orvo::heap::Heap& heap) : heap_(heap) {
  heads_ = static_cast<std::uint32_t*>(heap_.AllocateZeroed(kVoteBuckets * sizeof(std::uint32_t)));
}

VoteTable::~VoteTable() {
  heap_.Free(records_);
  heap_.Free(heads_);
}

std::uint32_t VoteTable::Hash(const VoteCell& c) {
  return (c.rotation & 7u) | (c.translationX & 31u) << 3 | (c.translationY & 31u) << 8 | (c.key << 13);
}

std::uint32_t VoteTable::NewRecord(const VoteCell& cell) {
  if (size_ == capacity_) {
    const std::uint32_t grown = capacity_ == 0 ? kFirstCapacity : capacity_ * 2;
    auto* moved = static_cast<VoteRecord*>(heap_.Reallocate(records_, grown * sizeof(VoteRecord)));
    if (moved == nullptr) return 0;
    records_ = moved;
    capacity_ = grown;
  }
  records_[size_] = VoteRecord{1, 0, cell, 0};
  return ++size_;
}

void VoteTable::AddVote(const VoteCell& cell) {
  const std::uint32_t bucket = Hash(cell) % kVoteBuckets;
  std::uint32_t last = 0;  // place of the chain's last record; 0 for an empty chain
  for (std::uint32_t at = heads_[bucket]; at != 0; at = records_[at - 1].next) {
    VoteRecord& r = records_[at - 1];
    if (r.cell == cell) {
      r.votes = SaturatingAdd(r.votes, 1);
      return;
    }
    last = at;
  }
  const std::uint32_t added = NewRecord(cell);
  if (added == 0) return;  // the vote is lost; the search goes on
  if (last == 0)
    heads_[bucket] = added;
  else
    records_[last - 1].next = added;
}

void VoteTable::SmoothVotes() {
  static constexpr std::array<std::int32_t, 3> kRotation = {-1, 0, 1};
  static constexpr std::array<std::int32_t, 3> kShiftX = {-8, 0, 8};
  static constexpr std::array<std::int32_t, 3> kShiftY = {-256, 0, 256};
  for (std::uint32_t b = 0; b < kVoteBuckets; ++b) {
    std::uint32_t* link = &heads_[b];
    while (*link != 0) {
      VoteRecord& r = records_[*link - 1];
      if (r.votes < 2) {
        *link = r.next;  // deleted
        continue;
      }
      const std::uint32_t h = Hash(r.cell);
      for (std::int32_t dr : kRotation)
        for (std::int32_t dx : kShiftX)
          for (std::int32_t dy : kShiftY) {
            const std::uint32_t bucket = (h + static_cast<std::uint32_t>(dr + dx + dy)) % kVoteBuckets;
            for (std::uint32_t at = heads_[bucket]; at != 0; at = records_[at - 1].next) {
              const VoteRecord& o = records_[at - 1];
              if (o.cell.key != r.cell.key) continue;
              if (r.votes >= o.votes) r.total = SaturatingAdd(r.total, o.votes);
              break;
            }
          }
      link = &r.next;
    }
  }
}

}  // namespace huellix
