// The comparison's score, 0..9999, from the pairs that survived the stages:
// their support, how many of their neighbours matched, how many there are and
// what share of the stored template they cover.
//
//   ScoreCurve(15000)            // 15000 (clamped)
//   CountCurve(30, 8000)         // 8000: thirty pairs or more take the curve whole
#pragma once

#include "fingerprint/match_pairing.h"

namespace huellix {

struct MatchScore {
  int score = 0;
  int pairs = 0;
};

int ScoreCurve(int e);
int CountCurve(int pairs, int s);
// Score from a support sum E, the number of pairs P and the stored count n.
int ScoreFromSum(int e, int pairs, int n);
MatchScore ComputeMatchScore(const MatchTemplate& stored, const PairTable& table, const MatcherParams& p);

}  // namespace huellix
