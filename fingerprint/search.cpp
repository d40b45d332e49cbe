#include "fingerprint/search.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "fingerprint/candidate_level.h"
#include "fingerprint/engine_state.h"
#include "fingerprint/key_quantisation.h"
#include "fingerprint/matcher.h"
#include "fingerprint/result_codes.h"

namespace huellix {
namespace {

// sin and cos of an orientation difference d (-15..15 steps of 2.8125
// degrees), times 100 and truncated.
struct Turn {
  int sine, cosine;
};
const std::array<Turn, 31>& TurnTable() {
  static const std::array<Turn, 31> table = [] {
    std::array<Turn, 31> t{};
    for (int d = -15; d <= 15; ++d) {
      const double theta = d * 2.8125 * 0.01745328888888889;
      t[static_cast<std::size_t>(d + 15)] = {static_cast<int>(std::trunc(std::sin(theta) * 100)),
                                             static_cast<int>(std::trunc(std::cos(theta) * 100))};
    }
    return t;
  }();
  return table;
}

int threadedSearchFloor = kThreadedSearchFloor;

// The vote of a pose whose shape passed the filter, which has tested all but
// the centroids. Votes go to a VoteTable, or to one part's VoteGather.
template <class Votes>
void CastVote(const TrianglePose& p, const PoseShape& shape, const PoseRest& s, Votes& votes) {
  if (std::abs(p.centroidX - s.centroidX) >= 140 || std::abs(p.centroidY - s.centroidY) >= 170) return;
  const auto orientation = static_cast<std::int8_t>(shape.bytes[kShapeOrientation] ^ kSignBit);
  const int d = p.orientation - orientation;
  const Turn t = TurnTable()[static_cast<std::size_t>(d + 15)];
  const int rotation = (d + 16) / 6;
  const int tx = (s.centroidX - (p.centroidX * t.cosine + p.centroidY * t.sine) / 100 + 170) / 12;
  const int ty = (s.centroidY - (p.centroidY * t.cosine - p.centroidX * t.sine) / 100 + 170) / 12;
  votes.CastVote({static_cast<std::uint8_t>(rotation), static_cast<std::uint8_t>(tx), static_cast<std::uint8_t>(ty),
                  s.fingerprintKey});
}

// A pose whose shape passed the filter; its rest is fetched ahead of use.
struct Passed {
  const PoseShape* shape;
  const PoseRest* rest;
};

// Every pose of the entry, in order, whose shape passes the filter.
void FilterEntry(const ShapeFilter& filter, const IndexEntry& entry, std::vector<Passed>& passed) {
  const int n = entry.itemCount;
  const PoseShape* shapes = entry.shapes;
  const PoseRest* rests = entry.Rests();
  const auto pass = [&](int i) {
    __builtin_prefetch(rests + i);
    passed.push_back({shapes + i, rests + i});
  };
  // Eight shapes at a time; few pass, so a block with none costs a branch.
  // The pipeline fetched the list's first lines; a long list fetches the
  // rest as it goes, as far ahead.
  constexpr int kShapesAhead = 128;
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    if (i + kShapesAhead < n) __builtin_prefetch(shapes + i + kShapesAhead);
    const std::uint64_t fails = std::uint64_t{filter.Failures(shapes + i)} |
                                std::uint64_t{filter.Failures(shapes + i + 2)} << 16 |
                                std::uint64_t{filter.Failures(shapes + i + 4)} << 32 |
                                std::uint64_t{filter.Failures(shapes + i + 6)} << 48;
    constexpr std::uint64_t kLow = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    if (((fails - kLow) & ~fails & kHigh) == 0) continue;  // no shape without a failing byte
    for (int k = 0; k < 8; ++k)
      if (((fails >> (8 * k)) & 0xFF) == 0) pass(i + k);
  }
  // The last pair may read one shape past the count: still inside the block,
  // which has room for at least as many rests behind the shapes.
  for (; i < n; i += 2) {
    const std::uint32_t fails = filter.Failures(shapes + i);
    if ((fails & 0xFF) == 0) pass(i);
    if (i + 1 < n && (fails >> 8) == 0) pass(i + 1);
  }
}

template <class Votes>
void CastTripletVotes(const ShapeKeyBytes& shape, const TrianglePose& p, const TriangleIndex& index,
                      std::vector<Passed>& passed, Votes& votes) {
  const std::array<std::uint32_t, kProbeKeys> keys = ProbeKeys(shape);
  const ShapeFilter filter(p);
  // Slot, record and shape list of a key lie all over the index and each
  // leads to the next: a pipeline fetches the slot of a key kStage * 3 keys
  // ahead, the record kStage * 2 ahead and the shapes kStage ahead, so the
  // memory waits overlap while the keys are still read in order. Most keys
  // take little time, so the stages lie far apart to leave each fetch the
  // time it needs.
  constexpr int kStage = 64;
  constexpr int kLinesAhead = 16;
  constexpr int kShapesPerLine = 8;
  std::array<const IndexEntry*, kProbeKeys> entries;
  std::array<std::uint32_t, kProbeKeys> slots;
  for (int k = 0; k < kProbeKeys; ++k)
    slots[static_cast<std::size_t>(k)] = keys[static_cast<std::size_t>(k)] % kSlotCount;
  const auto slotOf = [&](int k) { return slots[static_cast<std::size_t>(k)]; };
  passed.clear();
  for (int k = -3 * kStage; k < kProbeKeys; ++k) {
    if (const int at = k + 3 * kStage; at >= 0 && at < kProbeKeys) index.PrefetchSlot(slotOf(at));
    if (const int at = k + 2 * kStage; at >= 0 && at < kProbeKeys && !index.SlotEmpty(slotOf(at)))
      index.PrefetchRecord(slotOf(at));
    if (const int at = k + kStage; at >= 0 && at < kProbeKeys) {
      const IndexEntry* entry =
          index.SlotEmpty(slotOf(at)) ? nullptr : index.FindEntry(keys[static_cast<std::size_t>(at)]);
      entries[static_cast<std::size_t>(at)] = entry;
      if (entry != nullptr) {
        const int lines = std::min(entry->itemCount / kShapesPerLine + 1, kLinesAhead);
        for (int l = 0; l < lines; ++l) __builtin_prefetch(entry->shapes + l * kShapesPerLine);
      }
    }
    if (k >= 0 && entries[static_cast<std::size_t>(k)] != nullptr)
      FilterEntry(filter, *entries[static_cast<std::size_t>(k)], passed);
  }
  // The votes go in the order of the poses.
  for (const Passed& s : passed) CastVote(p, *s.shape, *s.rest, votes);
}

// A block of the vote heap for the search's lists, freed with the scope.
template <class T>
class HeapArray {
 public:
  HeapArray(orvo::heap::Heap& heap, std::size_t count)
      : heap_(heap), items_(static_cast<T*>(heap.Allocate(std::max<std::size_t>(count, 1) * sizeof(T)))),
        count_(count) {
    if (items_ != nullptr) std::uninitialized_default_construct_n(items_, count_);
  }
  ~HeapArray() { heap_.Free(items_); }
  HeapArray(const HeapArray&) = delete;
  HeapArray& operator=(const HeapArray&) = delete;
  bool Allocated() const { return items_ != nullptr; }
  std::span<T> Items() { return {items_, count_}; }

 private:
  orvo::heap::Heap& heap_;
  T* items_;
  std::size_t count_;
};

void ReportCandidates(std::span<const TopEntry> top, SearchCandidate* candidates) {
  int k = 0;
  for (const TopEntry& e : top) {
    if (e.score == 0) break;
    const FingerprintId id = UnpackFingerprintId(e.key);
    candidates[k++] = SearchCandidate{id.userId, id.finger, id.sample, CandidateLevel(e.score), 0};
  }
}

// The search of SearchTriplets on every thread of the pool, step by step
// with the same results. 101 when any part finds no memory: the caller then
// searches again on one thread, which loses the votes it always loses.
int SearchTripletsThreaded(const std::uint8_t* probe, const DecodedTemplate& decoded, SearchCandidate* candidates,
                           int count, SearchPool& pool) {
  EngineState& engine = Engine();
  VoteTable votes(*engine.voteHeap);
  HeapArray<TopEntry> top(*engine.voteHeap, static_cast<std::size_t>(count));
  if (!votes.Created() || !top.Allocated()) return kOutOfMemory;
  const int parts = pool.Parts();

  // The probe's triangles in small runs, taken by whichever part is free;
  // each run's votes are a stretch of its part's gather, joined in the
  // triangles' order.
  TriangleList list;
  BuildTripletList(decoded, list);
  const std::span<const Triangle> triangles = list.Triangles();
  constexpr std::size_t kRun = 4;
  const std::size_t runs = (triangles.size() + kRun - 1) / kRun;
  std::vector<GatheredStretch> stretches(runs);
  std::mutex heapLock;
  std::vector<std::unique_ptr<VoteGather>> gathers;
  for (int part = 0; part < parts; ++part)
    gathers.push_back(std::make_unique<VoteGather>(*engine.voteHeap, heapLock, parts));
  std::atomic<std::size_t> nextRun{0};
  pool.Run([&](int part) {
    VoteGather& gather = *gathers[static_cast<std::size_t>(part)];
    std::vector<Passed> passed;
    for (std::size_t run; (run = nextRun.fetch_add(1, std::memory_order_relaxed)) < runs;) {
      const std::uint32_t begin = gather.Mark();
      for (std::size_t t = run * kRun; t < std::min(triangles.size(), (run + 1) * kRun); ++t) {
        ShapeKeyBytes shape;
        TrianglePose pose;
        if (ComputeTripletFeatures(triangles[t], decoded, shape, pose))
          CastTripletVotes(shape, pose, engine.index, passed, gather);
      }
      stretches[run] = {&gather, begin, gather.Mark()};
    }
  });
  for (const auto& gather : gathers)
    if (gather->Failed()) return kOutOfMemory;
  if (!votes.FileGathered(pool, stretches)) return kOutOfMemory;
  gathers.clear();
  votes.SmoothVotes(pool);

  // The top list's rule takes records one by one, but only those with a
  // total of 3 or more can enter: the parts pick those out, in order.
  std::vector<std::vector<VoteRecord>> eligible(static_cast<std::size_t>(parts));
  pool.Run([&](int part) {
    votes.ForEachOfPart(part, parts, [&](const VoteRecord& r) {
      if (r.total >= 3) eligible[static_cast<std::size_t>(part)].push_back(r);
    });
  });
  TopList topList(top.Items());
  for (const auto& records : eligible)
    for (const VoteRecord& r : records) topList.Offer(r);
  topList.Finish();
  VerifyCandidates(probe, engine.store, top.Items(), &pool);
  ReportCandidates(top.Items(), candidates);
  return kOk;
}

int SearchTriplets(const std::uint8_t* probe, const DecodedTemplate& decoded, SearchCandidate* candidates,
                   int count) {
  EngineState& engine = Engine();
  if (engine.pool.Parts() > 1 && engine.registered >= threadedSearchFloor &&
      SearchTripletsThreaded(probe, decoded, candidates, count, engine.pool) == kOk)
    return kOk;
  VoteTable votes(*engine.voteHeap);
  HeapArray<TopEntry> top(*engine.voteHeap, static_cast<std::size_t>(count));
  if (!votes.Created() || !top.Allocated()) return kOutOfMemory;

  TriangleList list;
  BuildTripletList(decoded, list);
  std::vector<Passed> passed;
  for (const Triangle& triangle : list.Triangles()) {
    ShapeKeyBytes shape;
    TrianglePose pose;
    if (ComputeTripletFeatures(triangle, decoded, shape, pose))
      CastTripletVotes(shape, pose, engine.index, passed, votes);
  }
  votes.FileCastVotes();
  votes.SmoothVotes();
  SelectTopCandidates(votes, top.Items());
  VerifyCandidates(probe, engine.store, top.Items());
  ReportCandidates(top.Items(), candidates);
  return kOk;
}

}  // namespace

void SetThreadedSearchFloor(int registered) { threadedSearchFloor = registered; }

bool PosesAgree(const TrianglePose& p, const TrianglePose& s) {
  const int d = p.orientation - s.orientation;
  if (std::abs(p.centroidX - s.centroidX) >= 140 || std::abs(p.centroidY - s.centroidY) >= 170 || std::abs(d) >= 16)
    return false;
  for (int f = 0; f < 3; ++f) {
    int r = std::abs(p.relativeDirections[f] - s.relativeDirections[f]);
    if (r > 16) r = 128 - r;
    if (r >= 8) return false;
  }
  for (int f = 0; f < 3; ++f)
    if (std::abs(p.sides[f] - s.sides[f]) >= kSideTolerance[p.sides[f]]) return false;
  return true;
}

ShapeFilter::ShapeFilter(const TrianglePose& p) {
  const PoseShape shape = ShapeOf(p);
  std::array<std::uint8_t, 16> probe{}, low{}, span{}, tested{};
  for (int half = 0; half < 16; half += 8) {
    for (int f = 0; f < 3; ++f) {
      const auto tolerance = static_cast<std::uint8_t>(kSideTolerance[p.sides[static_cast<std::size_t>(f)]]);
      low[static_cast<std::size_t>(half + f)] = tolerance;
      span[static_cast<std::size_t>(half + f)] = static_cast<std::uint8_t>(255 - tolerance);
      low[static_cast<std::size_t>(half + 3 + f)] = 8;
      span[static_cast<std::size_t>(half + 3 + f)] = 112;
    }
    low[static_cast<std::size_t>(half + kShapeOrientation)] = 16;
    span[static_cast<std::size_t>(half + kShapeOrientation)] = 239;
    for (int b = 0; b < 8; ++b) {
      probe[static_cast<std::size_t>(half + b)] = shape.bytes[static_cast<std::size_t>(b)];
      tested[static_cast<std::size_t>(half + b)] = b == kShapeZero2 ? 0 : 0xFF;
    }
  }
  probe_ = Load(probe.data());
  low_ = Load(low.data());
  span_ = Load(span.data());
  tested_ = Load(tested.data());
}

std::array<std::uint32_t, kProbeKeys> ProbeKeys(const ShapeKeyBytes& shape) {
  using Offsets = std::array<std::uint32_t, 3>;
  const auto directionOffsets = [&](int field) {
    const std::uint32_t step = kDirectionSteps[static_cast<std::size_t>(field)];
    const std::uint8_t bin = shape[static_cast<std::size_t>(3 + field)] & 15;
    const std::uint32_t wrap = kDirectionWrapSteps[static_cast<std::size_t>(field)];
    return Offsets{bin == 0 ? wrap : 0u - step, 0u, bin == kHighestDirectionBin ? 0u - wrap : step};
  };
  const auto sideOffsets = [&](int field) {
    const std::uint32_t step = kSideSteps[static_cast<std::size_t>(field)];
    return Offsets{0u - step, 0u, step};
  };
  const std::uint32_t base = QuantiseTripletKey(shape);
  const Offsets s2 = sideOffsets(2), s1 = sideOffsets(1), s0 = sideOffsets(0);
  const Offsets d0 = directionOffsets(0), d1 = directionOffsets(1), d2 = directionOffsets(2);
  std::array<std::uint32_t, kProbeKeys> keys{};
  std::size_t k = 0;
  for (std::uint32_t a : s2)
    for (std::uint32_t b : s1)
      for (std::uint32_t c : s0)
        for (std::uint32_t d : d0)
          for (std::uint32_t e : d1)
            for (std::uint32_t f : d2) keys[k++] = base + a + b + c + d + e + f;
  return keys;
}

TopList::TopList(std::span<TopEntry> top) : top_(top) { std::fill(top_.begin(), top_.end(), TopEntry{}); }

void TopList::Offer(const VoteRecord& r) {
  const std::uint32_t t = r.total;
  if (t < 3 || t <= bar_) return;
  const std::uint32_t barBefore = bar_;
  TopEntry carried{r.cell.key, t, 0};
  for (TopEntry& slot : top_) {
    const TopEntry e = slot;
    if (carried.total >= e.total) {
      slot = carried;
      carried = e;
      bar_ = e.total;
    }
    if (e.key == r.cell.key) {
      bar_ = barBefore;
      return;
    }
  }
}

void TopList::Finish() {
  for (TopEntry& e : top_)
    if (e.total == 0) e.key = kNoCandidate;
}

void SelectTopCandidates(const VoteTable& votes, std::span<TopEntry> top) {
  TopList list(top);
  votes.ForEach([&](const VoteRecord& r) { list.Offer(r); });
  list.Finish();
}

void VerifyCandidates(const std::uint8_t* probe, const TemplateStore& store, std::span<TopEntry> top,
                      SearchPool* pool) {
  int compared = 0;
  while (compared < static_cast<int>(top.size()) && top[static_cast<std::size_t>(compared)].key != kNoCandidate)
    ++compared;
  if (compared == 0) return;
  // The probe is the same in every comparison: parsed once.
  PreparedProbe prepared;
  PrepareProbe(std::span<const std::uint8_t, kTemplateSize>(probe, kTemplateSize), prepared);
  // Comparisons are independent of each other: on a pool, each part takes
  // the next candidate not yet taken.
  std::atomic<int> next{0};
  const auto compare = [&](int) {
    std::array<std::uint8_t, kTemplateSize> stored;
    for (int k; (k = next.fetch_add(1, std::memory_order_relaxed)) < compared;) {
      TopEntry& e = top[static_cast<std::size_t>(k)];
      // A candidate whose template is missing (an inconsistent database
      // file) has nothing to be compared with: it scores 0 and is dropped.
      e.score = store.FetchTemplate(e.key, stored.data()) ? MatchPrepared(stored, prepared).score : 0;
    }
  };
  if (pool != nullptr && compared > 1)
    pool->Run(compare);
  else
    compare(0);
  std::vector<int> scores(static_cast<std::size_t>(compared)), order(static_cast<std::size_t>(compared));
  for (int k = 0; k < compared; ++k) {
    scores[static_cast<std::size_t>(k)] = top[static_cast<std::size_t>(k)].score;
    order[static_cast<std::size_t>(k)] = k;
  }
  SortDescendingWithIndex(scores.data(), order.data(), 0, compared - 1);
  std::vector<TopEntry> sorted(static_cast<std::size_t>(compared));
  for (int k = 0; k < compared; ++k)
    sorted[static_cast<std::size_t>(k)] = top[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
  std::copy(sorted.begin(), sorted.end(), top.begin());
}

void SortDescendingWithIndex(int* values, int* index, int lo, int hi) {
  while (true) {
    const int pivot = values[(lo + hi) / 2];
    int i = lo, j = hi;
    while (true) {
      while (values[i] > pivot) ++i;
      while (values[j] < pivot) --j;
      if (i >= j) break;
      std::swap(values[i], values[j]);
      std::swap(index[i], index[j]);
      ++i;
      --j;
    }
    if (lo < i - 1) SortDescendingWithIndex(values, index, lo, i - 1);
    if (j + 1 < hi)
      lo = j + 1;
    else
      return;
  }
}

int SearchCandidates(const std::uint8_t* probe, SearchCandidate* candidates, int count) {
  std::fill(candidates, candidates + std::max(count, 0), SearchCandidate{});
  std::array<std::uint8_t, kTemplateSize> copy;
  std::memcpy(copy.data(), probe, kTemplateSize);
  DecodedTemplate decoded;
  if (const int result = DecodeTemplate(copy.data(), decoded); result != kOk) return result;
  if (count <= 0) return kOk;
  return SearchTriplets(copy.data(), decoded, candidates, count);
}

}  // namespace huellix
