#include "fingerprint/match_score.h"

#include <algorithm>
#include <cstdint>

namespace huellix {

int ScoreCurve(int e) {
  const int s = e * 3 / 20 - 5000000 / (e / 5 + 470) + 10500;
  return std::clamp(s, 0, 15000);
}

int CountCurve(int pairs, int s) {
  if (s >= 15000 || pairs >= 30) return s;
  if (pairs < 0) return 0;
  const int c = (5722 - 86 * pairs) * pairs - 11800 / (pairs + 1) + 11155;
  if (c > 100000) return s;
  if (c < 0) return 0;
  return static_cast<int>(static_cast<std::int64_t>(c) * s / 100000);
}

int ScoreFromSum(int e, int pairs, int n) {
  if (e >= 15000) return 9999;
  const int f = std::min(CountCurve(pairs, ScoreCurve(e)), 9999);
  const int coverage = n > 0 ? std::min(pairs * 10000 / n + 3500, 10000) : 10000;
  return f * coverage / 10000;
}

MatchScore ComputeMatchScore(const MatchTemplate& stored, const PairTable& table, const MatcherParams& p) {
  const int n = stored.count;
  long long d = 0;
  MatchScore out;
  for (int i = 0; i < n; ++i) {
    const PairSlot& slot = table[static_cast<std::size_t>(i)];
    if (!slot.Paired()) continue;
    const CandidatePair& pair = slot.Current();
    int v = p.keepBestCandidates == 1 ? pair.supportPercentage : pair.value;
    const auto k = std::count_if(pair.neighbourPartner.begin(), pair.neighbourPartner.end(),
                                 [](std::uint8_t partner) { return partner != 0; });
    if (k < 3)
      v = 0;
    else if (k <= 4)
      v >>= 1;
    else
      v = v * 15 / 10;
    d += v;
    ++out.pairs;
  }
  if (out.pairs < 3 || (p.requireEnoughPairs == 1 && out.pairs < MinimumPairCount(n))) return out;
  const double weight = n > 0 ? 10000.0 / (std::min(n, 30) * 100) : 0.0;
  const int e = static_cast<int>(std::min(static_cast<double>(d) * weight, 1e9));
  out.score = ScoreFromSum(e, out.pairs, n);
  return out;
}

}  // namespace huellix
