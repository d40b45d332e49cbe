// The one-to-one matcher on two fuzzed templates (the first 400 input bytes
// are the stored template, the next 400 the probe): a known result code, a
// score in range and only with success, and the same answer twice.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fingerprint/matcher.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, 2 * huellix::kTemplateSize> bytes{};
  std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
  const std::span<const std::uint8_t, huellix::kTemplateSize> stored(bytes.data(), huellix::kTemplateSize);
  const std::span<const std::uint8_t, huellix::kTemplateSize> probe(bytes.data() + huellix::kTemplateSize,
                                                                    huellix::kTemplateSize);
  const huellix::MatchResult r = huellix::MatchTemplates(stored, probe);
  FUZZ_CHECK(r.code == huellix::kMatchOk || r.code == huellix::kMatchSetupFailed ||
             r.code == huellix::kMatchStoredUnusable || r.code == huellix::kMatchProbeTooFew ||
             r.code == huellix::kMatchTooFewPairs || r.code == 108 || r.code == 2);
  FUZZ_CHECK(r.score >= 0 && r.score <= 9999);
  if (r.code != huellix::kMatchOk) FUZZ_CHECK(r.score == 0);
  FUZZ_CHECK(r.pairs >= 0 && r.pairs <= huellix::kMaxMinutiae);
  const huellix::MatchResult again = huellix::MatchTemplates(stored, probe);
  FUZZ_CHECK(again.code == r.code && again.score == r.score && again.pairs == r.pairs);
  return 0;
}
