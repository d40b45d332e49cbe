// Seeded synthetic fingers and their impressions, written as valid 400-byte
// templates, for the fingerprint tests and benchmark.
//
// A finger is a spatially coherent minutiae set: 40..75 minutiae with a minimum
// spacing inside an elliptic print, their directions following a smooth
// orientation field (a core-like turn plus slow waves). An impression turns and
// shifts the finger, crops it to the sensor window, loses some minutiae, adds a
// few spurious ones and jitters positions and directions. Everything follows
// from the seeds: the same seeds give the same bytes on every machine.
//
//   SyntheticFinger f = MakeFinger(FingerSeed(7, 42), FingerParams{});
//   Template t = MakeImpression(f, ImpressionSeed(7, 42, 0), ImpressionParams::Mild());
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace huellix::synthetic {

using Template = std::array<std::uint8_t, 400>;

struct Minutia {
  double x = 0;      // template units, centred on the sensor
  double y = 0;
  double angle = 0;  // radians, in the frame of (x, y)
  int type = 0;      // 0 ending, 1 bifurcation
};

struct FingerParams {
  int minMinutiae = 40;
  int maxMinutiae = 75;
  double minSpacing = 16;
  double halfWidth = 140;   // the print's ellipse
  double halfHeight = 180;
};

struct ImpressionParams {
  double maxRotationDegrees = 20;
  bool fixedRotation = false;      // turn by exactly maxRotationDegrees (for sweeps)
  double maxTranslation = 30;
  double missingShare = 0.10;
  int maxSpurious = 3;             // 0..maxSpurious added
  double positionNoise = 2;        // standard deviation, template units
  double directionNoiseDegrees = 5;
  double sensorHalfWidth = 150;    // the crop: what falls outside is lost
  double sensorHalfHeight = 190;

  static ImpressionParams Mild() { return {}; }
};

inline constexpr int kTemplateWidth = 160;   // x lies in -159..159
inline constexpr int kTemplateHeight = 200;

struct SyntheticFinger {
  std::vector<Minutia> minutiae;
};

std::uint64_t FingerSeed(std::uint64_t base, std::uint64_t finger);
std::uint64_t ImpressionSeed(std::uint64_t base, std::uint64_t finger, std::uint64_t impression);

SyntheticFinger MakeFinger(std::uint64_t seed, const FingerParams& params);
Template MakeImpression(const SyntheticFinger& finger, std::uint64_t seed, const ImpressionParams& params);

// One minutia word as the template holds it.
struct TemplateWord {
  int x = 0;  // -511..511
  int y = 0;
  int direction = 0;  // 0..127
  int type = 0;
};

// The words as a template, in the order given (at most 92 are written; the
// count byte says how many).
Template EncodeWords(const std::vector<TemplateWord>& words, int width = kTemplateWidth);

// The minutiae as a template: sorted by non-increasing x (as extractors list
// them), rounded, at most 92 (what fits in 400 bytes).
Template EncodeTemplate(std::vector<Minutia> minutiae);

// One line per parameter, for the benchmark's output.
std::string Describe(const FingerParams& f, const ImpressionParams& i);

}  // namespace huellix::synthetic
