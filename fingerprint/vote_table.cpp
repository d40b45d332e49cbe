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
  heap_.Free(cast_);
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

void VoteTable::CastVote(const VoteCell& cell) {
  if (!oneByOne_ && castSize_ == castCapacity_) {
    const std::uint32_t grown = castCapacity_ == 0 ? kFirstCapacity : castCapacity_ * 2;
    auto* moved = static_cast<VoteCell*>(heap_.Reallocate(cast_, grown * sizeof(VoteCell)));
    if (moved == nullptr) {
      // What was gathered goes in first, in its order.
      FileCastVotes();
      oneByOne_ = true;
    } else {
      cast_ = moved;
      castCapacity_ = grown;
    }
  }
  if (oneByOne_)
    AddVote(cell);
  else
    cast_[castSize_++] = cell;
}

namespace {

// A cell in one word, ordered by fingerprint key, then bins.
std::uint64_t Pack(const VoteCell& c) {
  return std::uint64_t{c.key} << 24 | std::uint64_t{c.rotation} << 16 | std::uint64_t{c.translationX} << 8 |
         c.translationY;
}
VoteCell Unpack(std::uint64_t v) {
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v),
          static_cast<FingerprintKey>(v >> 24)};
}

struct Gathered {
  std::uint64_t cell;
  std::uint32_t first;  // the place of the cell's first vote among those cast
  std::uint32_t votes;
};

}  // namespace

void VoteTable::FileCastVotes() {
  const std::uint32_t cast = castSize_;
  castSize_ = 0;
  if (cast == 0) return;
  // Each distinct cell with its first place and its count, then the cells in
  // the order of their first votes: AddVote would have appended them to their
  // chains in that order. The shortcut needs an empty table and the memory
  // for all of it; otherwise the votes go in one by one.
  Gathered* cells = nullptr;
  std::uint32_t* tails = nullptr;
  std::uint32_t distinct = 0;
  std::uint32_t grown = capacity_;
  bool shortcut = size_ == 0;
  if (shortcut) {
    cells = static_cast<Gathered*>(heap_.Allocate(cast * sizeof(Gathered)));
    tails = static_cast<std::uint32_t*>(heap_.AllocateZeroed(kVoteBuckets * sizeof(std::uint32_t)));
    shortcut = cells != nullptr && tails != nullptr;
  }
  if (shortcut) {
    for (std::uint32_t k = 0; k < cast; ++k) cells[k] = {Pack(cast_[k]), k, 1};
    std::sort(cells, cells + cast, [](const Gathered& a, const Gathered& b) {
      return a.cell != b.cell ? a.cell < b.cell : a.first < b.first;
    });
    for (std::uint32_t k = 0; k < cast; ++k) {
      if (distinct > 0 && cells[distinct - 1].cell == cells[k].cell)
        ++cells[distinct - 1].votes;
      else
        cells[distinct++] = cells[k];
    }
    std::sort(cells, cells + distinct, [](const Gathered& a, const Gathered& b) { return a.first < b.first; });
    while (grown < distinct) grown = grown == 0 ? kFirstCapacity : grown * 2;
    if (grown != capacity_) {
      auto* moved = static_cast<VoteRecord*>(heap_.Reallocate(records_, grown * sizeof(VoteRecord)));
      if (moved == nullptr) {
        shortcut = false;
      } else {
        records_ = moved;
        capacity_ = grown;
      }
    }
  }
  if (shortcut) {
    for (std::uint32_t k = 0; k < distinct; ++k) {
      const VoteCell cell = Unpack(cells[k].cell);
      records_[size_] = VoteRecord{static_cast<std::uint16_t>(std::min(cells[k].votes, std::uint32_t{kMaxCount})), 0,
                                   cell, 0};
      const std::uint32_t added = ++size_;
      const std::uint32_t bucket = Hash(cell) % kVoteBuckets;
      if (tails[bucket] == 0)
        heads_[bucket] = added;
      else
        records_[tails[bucket] - 1].next = added;
      tails[bucket] = added;
    }
  } else {
    for (std::uint32_t k = 0; k < cast; ++k) AddVote(cast_[k]);
  }
  heap_.Free(tails);
  heap_.Free(cells);
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
