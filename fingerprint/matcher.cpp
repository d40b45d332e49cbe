#include "fingerprint/matcher.h"

#include "fingerprint/match_score.h"
#include "fingerprint/match_stages.h"

namespace huellix {
namespace {

// The comparison once both templates are parsed and the probe passed its
// checks; the stored template's neighbour lists are still to be built. The
// probe's vectors come worked out when it is compared with many templates.
MatchResult MatchParsed(MatchTemplate& stored, const MatchTemplate& probe, const PolarCache* probeVectors) {
  MatchResult r;
  const MatcherParams& p = DefaultMatcherParams();
  BuildMatchNeighbours(stored);

  PairTable pairs{};
  PairMinutiae(stored, probe, p, pairs);
  const auto tooFew = [&] { return p.requireEnoughPairs == 1 && TooFewPairs(stored, pairs); };
  if (tooFew()) {
    r.code = kMatchTooFewPairs;
    return r;
  }
  PolarCache storedPolar, probePolar;
  storedPolar.Reset(stored);
  if (probeVectors != nullptr)
    probePolar.CopyFrom(*probeVectors);
  else
    probePolar.Reset(probe);
  MatchState s{stored, probe, p, pairs, storedPolar, probePolar};
  if (p.alignToBestPair == 1) {
    const BestPair best = ScoreNeighbourSupport(s);
    SwapPairValues(s);
    AlignToBestPair(s, best);
  }
  if (p.orderCandidatePairs == 1) OrderCandidatePairs(s);
  if (tooFew()) {
    r.code = kMatchTooFewPairs;
    return r;
  }
  if (p.removeSharedPartners == 1) RemoveSharedPartners(s);
  if (p.keepBestCandidates == 1) {
    KeepBestCandidates(s);
    FilterInconsistentPairs(s);
  }
  if (tooFew()) {
    r.code = kMatchTooFewPairs;
    return r;
  }
  if (p.propagatePairs == 1) {
    PropagatePairs(s);
    FilterInconsistentPairs(s);
  }
  DropWeakPairs(s, p.leastSupport);
  if (CountMatchedPairs(s) < 4) {
    r.code = kMatchTooFewPairs;
    return r;
  }
  const MatchScore score = ComputeMatchScore(stored, pairs, p);
  r.score = score.score;
  r.pairs = score.pairs;
  return r;
}

// The stored template is checked and parsed before the probe is looked at.
bool ParseStored(std::span<const std::uint8_t, kTemplateSize> storedBytes, MatchTemplate& stored) {
  return storedBytes[13] >= 8 && ParseMatchTemplate(storedBytes, stored) == kParseOk;
}

// The probe's checks, parse and neighbour lists; a probe that is to be
// compared with many templates also gets its pairing index once for all.
enum class ProbeUse { Once, Many };
void ParseProbe(std::span<const std::uint8_t, kTemplateSize> probeBytes, PreparedProbe& out, ProbeUse use) {
  // The neighbour lists read the tables.
  if (InitializeMatcher() != 0) {
    out.code = kMatchSetupFailed;
    return;
  }
  if (probeBytes[13] < 8) {
    out.code = kMatchProbeTooFew;
    return;
  }
  out.code = ParseMatchTemplate(probeBytes, out.parsed);
  if (out.code != kParseOk) return;
  if (use == ProbeUse::Many)
    BuildMatchProbe(out.parsed);
  else
    BuildMatchNeighbours(out.parsed);
}

}  // namespace

void PrepareProbe(std::span<const std::uint8_t, kTemplateSize> probeBytes, PreparedProbe& out) {
  ParseProbe(probeBytes, out, ProbeUse::Many);
  if (out.code == kParseOk) out.polar.Fill(out.parsed);
}

MatchResult MatchPrepared(std::span<const std::uint8_t, kTemplateSize> storedBytes, const PreparedProbe& probe) {
  if (InitializeMatcher() != 0) return {kMatchSetupFailed, 0, 0};
  MatchTemplate stored;
  if (!ParseStored(storedBytes, stored)) return {kMatchStoredUnusable, 0, 0};
  if (probe.code != kParseOk) return {probe.code, 0, 0};
  return MatchParsed(stored, probe.parsed, &probe.polar);
}

MatchResult MatchTemplates(std::span<const std::uint8_t, kTemplateSize> storedBytes,
                           std::span<const std::uint8_t, kTemplateSize> probeBytes) {
  if (InitializeMatcher() != 0) return {kMatchSetupFailed, 0, 0};
  MatchTemplate stored;
  if (!ParseStored(storedBytes, stored)) return {kMatchStoredUnusable, 0, 0};
  PreparedProbe probe;
  ParseProbe(probeBytes, probe, ProbeUse::Once);
  if (probe.code != kParseOk) return {probe.code, 0, 0};
  return MatchParsed(stored, probe.parsed, nullptr);
}

}  // namespace huellix
