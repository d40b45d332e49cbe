// SearchCandidates: the one-to-many search of a probe template against every
// registered fingerprint, best first, as FPSSearchFP and FPSIdentifyFP use it.
//
// The probe's triangles vote through the triangle index for (fingerprint,
// rotation, translation) cells; the votes are smoothed over neighbouring
// cells; the fingerprints with the highest totals are compared one to one by
// the matcher and reported by its score, with the score's level.
//
//   SearchCandidate found[10];
//   SearchCandidates(probe, found, 10);   // 0; 101 out of memory; 103 probe refused
//   // found[k].level == 0 marks the end of the candidates
//
// A fingerprint with a smoothed total below 3 is never compared; a comparison
// scoring 0, or whose template is missing from the store, drops the candidate.
#pragma once

#include <emmintrin.h>

#include <array>
#include <cstdint>
#include <span>

#include "fingerprint/Huellix.h"
#include "fingerprint/fingerprint_id.h"
#include "fingerprint/search_pool.h"
#include "fingerprint/template_store.h"
#include "fingerprint/triangle_index.h"
#include "fingerprint/triplets.h"
#include "fingerprint/vote_table.h"

namespace huellix {

// Fills candidates[0 .. count - 1], zero records after the last candidate:
// 0, 101 when memory runs out, 103 when the probe does not decode.
//
// With more than one thread in the engine's pool and at least
// kThreadedSearchFloor fingerprints registered, the work is shared among the
// threads: the probe's triangles in runs, each run's votes joined in the
// triangles' order; filing, smoothing and the choice of records that may
// enter the top list by ranges of buckets; the comparisons one candidate at
// a time. The top list's rule and the final sort stay on one thread, so the
// candidates are exactly those of the search on one thread.
int SearchCandidates(const std::uint8_t* probe, SearchCandidate* candidates, int count);

// Below this many registered fingerprints a search stays on one thread. Most
// of a search's work does not grow with the gallery (729 index keys for each
// probe triangle, 300,000 vote buckets): on an 8-processor machine the
// threads take a search of 10 fingerprints from 3.3 to 1.1 ms, so only an
// empty database, where nothing can be found, is left to one thread.
constexpr int kThreadedSearchFloor = 1;
// For tests: another floor (0: every search threaded), until set back.
void SetThreadedSearchFloor(int registered);

// The steps, for the tests.

constexpr int kProbeKeys = 729;
// The probe triangle's own key and its neighbours one bin away in each field:
// direction fields wrap between bins 0 and 15, side fields carry.
std::array<std::uint32_t, kProbeKeys> ProbeKeys(const ShapeKeyBytes& shape);

// Whether a stored pose agrees with the probe triangle's closely enough to vote.
bool PosesAgree(const TrianglePose& probe, const TrianglePose& stored);

// PosesAgree's tests on the seven bytes of a PoseShape, sixteen bytes (two
// shapes) at a time, so that the search reads the rest of a pose only when
// its shape passes. Each byte's difference d = |probe - stored| (0..255, the
// orientation's sign bit flipped on both sides) fails exactly when
// (d - low) mod 256 <= span:
//   orientation  d >= 16                               low 16, span 239
//   direction    8 <= d <= 120 (not within 8 mod 128)  low 8, span 112
//   side         d >= tolerance (every d when 0)       low tolerance, span 255 - tolerance
// The centroids are not among them: a shape that passes is tested whole.
class ShapeFilter {
 public:
  explicit ShapeFilter(const TrianglePose& probe);

  // Eight bits a shape, set for each failing byte, for the two shapes at `at`.
  std::uint32_t Failures(const PoseShape* at) const {
    const __m128i s = Load(at);
    const __m128i d = _mm_or_si128(_mm_subs_epu8(s, probe_), _mm_subs_epu8(probe_, s));
    const __m128i beyond = _mm_subs_epu8(_mm_sub_epi8(d, low_), span_);
    const __m128i fail = _mm_and_si128(_mm_cmpeq_epi8(beyond, _mm_setzero_si128()), tested_);
    return static_cast<std::uint32_t>(_mm_movemask_epi8(fail));
  }

 private:
  static __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
  __m128i probe_, low_, span_, tested_;
};

constexpr FingerprintKey kNoCandidate = kReservedKey;

struct TopEntry {
  FingerprintKey key = 0;
  std::uint32_t total = 0;
  int score = 0;
};

// The top list's rule over records offered in the table's order: a record
// enters when its total (3 or more) passes the bar, each fingerprint once.
class TopList {
 public:
  explicit TopList(std::span<TopEntry> top);
  void Offer(const VoteRecord& r);
  // The entries that stayed empty hold kNoCandidate.
  void Finish();

 private:
  std::span<TopEntry> top_;
  std::uint32_t bar_ = 0;
};

// The n fingerprints with the highest smoothed totals (3 or more), highest
// first, each once; the rest of the list holds kNoCandidate.
void SelectTopCandidates(const VoteTable& votes, std::span<TopEntry> top);
// Scores the listed candidates with the matcher (on the pool's threads when
// given) and sorts them by score.
void VerifyCandidates(const std::uint8_t* probe, const TemplateStore& store, std::span<TopEntry> top,
                      SearchPool* pool = nullptr);
// Quicksort of values[lo..hi], highest first, moving index along.
void SortDescendingWithIndex(int* values, int* index, int lo, int hi);

}  // namespace huellix
