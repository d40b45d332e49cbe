#include "fingerprint/vote_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "fingerprint/search_pool.h"

namespace huellix {
namespace {

// The reference rule VoteTable is tested against, not a second way to vote:
// the table as a chain per bucket, a walk of the chain for every vote, the
// plain form of what VoteTable files in bulk.
namespace reference {

class ChainedVotes {
 public:
  struct Record {
    VoteRecord r;
    std::uint32_t next;  // 1 + the next record's place; 0 ends the chain
  };

  void AddVote(const VoteCell& cell) {
    const std::uint32_t bucket = VoteTable::Hash(cell) % kVoteBuckets;
    std::uint32_t last = 0;
    for (std::uint32_t at = heads_[bucket]; at != 0; at = records_[at - 1].next) {
      if (records_[at - 1].r.cell == cell) {
        auto& votes = records_[at - 1].r.votes;
        votes = static_cast<std::uint16_t>(std::min(votes + 1, 0xFFFF));
        return;
      }
      last = at;
    }
    records_.push_back({{1, 0, cell}, 0});
    const auto added = static_cast<std::uint32_t>(records_.size());
    (last == 0 ? heads_[bucket] : records_[last - 1].next) = added;
  }

  void SmoothVotes() {
    for (std::uint32_t b = 0; b < kVoteBuckets; ++b) {
      std::uint32_t* link = &heads_[b];
      while (*link != 0) {
        VoteRecord& r = records_[*link - 1].r;
        if (r.votes < 2) {
          *link = records_[*link - 1].next;
          continue;
        }
        const std::uint32_t h = VoteTable::Hash(r.cell);
        for (std::int32_t dr : {-1, 0, 1})
          for (std::int32_t dx : {-8, 0, 8})
            for (std::int32_t dy : {-256, 0, 256}) {
              const std::uint32_t bucket = (h + static_cast<std::uint32_t>(dr + dx + dy)) % kVoteBuckets;
              for (std::uint32_t at = heads_[bucket]; at != 0; at = records_[at - 1].next) {
                const VoteRecord& o = records_[at - 1].r;
                if (o.cell.key != r.cell.key) continue;
                if (r.votes >= o.votes) r.total = static_cast<std::uint16_t>(std::min(r.total + o.votes, 0xFFFF));
                break;
              }
            }
        link = &records_[*link - 1].next;
      }
    }
  }

  std::vector<VoteRecord> Records() const {
    std::vector<VoteRecord> all;
    for (std::uint32_t b = 0; b < kVoteBuckets; ++b)
      for (std::uint32_t at = heads_[b]; at != 0; at = records_[at - 1].next) all.push_back(records_[at - 1].r);
    return all;
  }

 private:
  std::vector<std::uint32_t> heads_ = std::vector<std::uint32_t>(kVoteBuckets);
  std::vector<Record> records_;
};

}  // namespace reference

bool SameRecords(const std::vector<VoteRecord>& a, const std::vector<VoteRecord>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const VoteRecord& x, const VoteRecord& y) {
    return x.votes == y.votes && x.total == y.total && x.cell == y.cell;
  });
}

// Fingerprint keys 9,375 apart share their buckets, so chains hold several
// fingerprints; few bins, so cells take many votes and have neighbours, and
// some a single vote that smoothing deletes while others still count it.
TEST(VoteTableTest, FilesAndSmoothsAsOneChainWalkPerVote) {
  const std::array<FingerprintKey, 5> keys = {1, 9'376, 18'751, 2, 0xFFFFFFFE};
  for (int round = 0; round < 20; ++round) {
    std::mt19937 random(static_cast<unsigned>(round));
    auto heap = orvo::heap::Heap::Create(100'000);
    VoteTable table(*heap);
    ASSERT_TRUE(table.Created());
    reference::ChainedVotes plain;
    const int votes = 200 + round * 500;
    for (int v = 0; v < votes; ++v) {
      const VoteCell cell{static_cast<std::uint8_t>(random() % 6), static_cast<std::uint8_t>(9 + random() % 4),
                          static_cast<std::uint8_t>(250 + random() % 9), keys[random() % keys.size()]};
      table.CastVote(cell);
      plain.AddVote(cell);
    }
    std::vector<VoteRecord> filed;
    table.FileCastVotes();
    table.ForEach([&](const VoteRecord& r) { filed.push_back(r); });
    ASSERT_TRUE(SameRecords(filed, plain.Records())) << round;

    table.SmoothVotes();
    plain.SmoothVotes();
    std::vector<VoteRecord> smoothed;
    table.ForEach([&](const VoteRecord& r) { smoothed.push_back(r); });
    ASSERT_TRUE(SameRecords(smoothed, plain.Records())) << round;
  }
}

// A vote that finds no memory to be gathered in is lost; those gathered
// before are filed and smoothed as usual, and the search goes on.
TEST(VoteTableTest, VotesPastTheHeapsLimitAreLostAndTheRestFiled) {
  auto heap = orvo::heap::Heap::Create(0, kVoteBuckets * sizeof(std::uint32_t) + 150'000);
  VoteTable table(*heap);
  ASSERT_TRUE(table.Created());
  std::vector<VoteCell> cast;
  for (std::uint32_t v = 0; v < 20'000; ++v) {
    // Two votes a cell, so that smoothing keeps each cell it files.
    const VoteCell cell{1, 2, 3, v / 2};
    table.CastVote(cell);
    cast.push_back(cell);
  }
  table.SmoothVotes();
  std::vector<FingerprintKey> kept;
  table.ForEach([&](const VoteRecord& r) { kept.push_back(r.cell.key); });
  ASSERT_GT(kept.size(), 100u);
  ASSERT_LT(kept.size(), 10'000u);
  // The cells of the first votes, none of the later ones.
  std::sort(kept.begin(), kept.end());
  for (std::size_t k = 0; k < kept.size(); ++k) ASSERT_EQ(kept[k], k);
}

// The threaded search gathers its votes in stretches on several threads and
// files and smooths them by ranges of buckets: the table must be the one of
// the same votes cast one by one. Clusters of cells around random keys fall
// on the ranges' edges too, where a record's neighbours lie in another range.
TEST(VoteTableTest, VotesGatheredInStretchesFileAndSmoothAsCastOneByOne) {
  for (int parts : {2, 3, 8}) {
    SearchPool pool;
    pool.Start(parts);
    for (int round = 0; round < 4; ++round) {
      std::mt19937 random(static_cast<unsigned>(100 * parts + round));
      std::vector<FingerprintKey> keys = {1, 9'376, 18'751, 2, 0xFFFFFFFE};
      for (int k = 0; k < 300; ++k) keys.push_back(static_cast<FingerprintKey>(random()));
      auto heap = orvo::heap::Heap::Create(100'000);
      std::mutex heapLock;
      VoteTable one(*heap), threaded(*heap);
      std::vector<std::unique_ptr<VoteGather>> gathers;
      for (int g = 0; g < 3; ++g) gathers.push_back(std::make_unique<VoteGather>(*heap, heapLock, parts));
      std::vector<GatheredStretch> stretches;
      const int votes = 20'000 + round * 30'000;
      for (int v = 0; v < votes;) {
        VoteGather& gather = *gathers[random() % gathers.size()];
        const std::uint32_t begin = gather.Mark();
        for (int n = static_cast<int>(random() % 900); n >= 0 && v < votes; --n, ++v) {
          const VoteCell cell{static_cast<std::uint8_t>(random() % 6), static_cast<std::uint8_t>(9 + random() % 4),
                              static_cast<std::uint8_t>(250 + random() % 9), keys[random() % keys.size()]};
          one.CastVote(cell);
          gather.CastVote(cell);
        }
        stretches.push_back({&gather, begin, gather.Mark()});
      }
      // An empty stretch, as a run of triangles that cast no vote.
      const std::uint32_t mark = gathers[0]->Mark();
      stretches.insert(stretches.begin() + 1, GatheredStretch{gathers[0].get(), mark, mark});
      const auto records = [](const VoteTable& table) {
        std::vector<VoteRecord> all;
        table.ForEach([&](const VoteRecord& r) { all.push_back(r); });
        return all;
      };
      one.FileCastVotes();
      ASSERT_TRUE(threaded.FileGathered(pool, stretches));
      ASSERT_TRUE(SameRecords(records(threaded), records(one))) << parts << " " << round;
      one.SmoothVotes();
      threaded.SmoothVotes(pool);
      const std::vector<VoteRecord> smoothed = records(one);
      ASSERT_TRUE(SameRecords(records(threaded), smoothed)) << parts << " " << round;
      ASSERT_GT(std::count_if(smoothed.begin(), smoothed.end(), [](auto& r) { return r.total >= 3; }), 100);
      std::vector<VoteRecord> byParts;
      for (int part = 0; part < parts; ++part)
        threaded.ForEachOfPart(part, parts, [&](const VoteRecord& r) { byParts.push_back(r); });
      ASSERT_TRUE(SameRecords(byParts, smoothed)) << parts << " " << round;
    }
  }
}

TEST(VoteTableTest, CountsStopAt65535) {
  auto heap = orvo::heap::Heap::Create(100'000);
  VoteTable table(*heap);
  for (int v = 0; v < 70'000; ++v) table.CastVote({1, 2, 3, 4});
  table.SmoothVotes();
  std::vector<VoteRecord> records;
  table.ForEach([&](const VoteRecord& r) { records.push_back(r); });
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].votes, 0xFFFF);
  EXPECT_EQ(records[0].total, 0xFFFF);
}

}  // namespace
}  // namespace huellix
