// The search exports: FPSSearchFP and FPSIdentifyFP, both over
// SearchCandidates.
#include <array>

#include "fingerprint/Huellix.h"
#include "fingerprint/export_guard.h"
#include "fingerprint/search.h"

using namespace huellix;

namespace {

constexpr int kIdentifyCandidates = 30;

}  // namespace

extern "C" {

int32_t FPSSearchFP(const uint8_t* probe, SearchCandidate* candidates, int32_t count) {
  return GuardedInitialised([&]() -> std::int32_t {
    if (probe == nullptr || (candidates == nullptr && count > 0)) return kCannotRead;
    return SearchCandidates(probe, candidates, count > 0 ? count : 0);
  });
}

int32_t FPSIdentifyFP(const uint8_t* probe, int32_t thresholdLevel, FingerprintId* id) {
  return GuardedInitialised([&]() -> std::int32_t {
    if (probe == nullptr || id == nullptr) return kCannotRead;
    std::array<SearchCandidate, kIdentifyCandidates> found{};
    if (int result = SearchCandidates(probe, found.data(), kIdentifyCandidates); result != kOk) return result;
    const SearchCandidate& best = found[0];
    // No candidate at all is "nothing found" whatever the threshold: with
    // threshold 0 it would otherwise read as a match of user 0.
    // The fields are set one by one: a whole struct copied in would carry
    // its padding, bytes of this stack, into the caller's memory.
    const bool none = best.level == 0 || best.level < static_cast<std::uint8_t>(thresholdLevel);
    id->userId = none ? 0 : best.userId;
    id->finger = none ? 0 : best.finger;
    id->sample = 0;  // the sample is not reported
    return none ? kAlreadyRegistered : kOk;
  });
}

}  // extern "C"
