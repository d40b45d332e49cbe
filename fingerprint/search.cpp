#include "fingerprint/search.h"

#include <algorithm>

#include "fingerprint/result_codes.h"
#include "fingerprint/template_decoder.h"

namespace huellix {

// Until the voting search is in place, a search decodes its probe and
// reports no candidates.
int SearchCandidates(const std::uint8_t* probe, SearchCandidate* candidates, int count) {
  std::fill(candidates, candidates + std::max(count, 0), SearchCandidate{});
  DecodedTemplate decoded;
  return DecodeTemplate(probe, decoded);
}

}  // namespace huellix
