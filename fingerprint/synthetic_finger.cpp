#include "fingerprint/synthetic_finger.h"

#include "fingerprint/template_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

namespace huellix::synthetic {
namespace {

constexpr double kPi = std::numbers::pi;

// SplitMix64: a small generator whose output is the same everywhere (the
// standard distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  int Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1)); }
  double Normal(double sigma) {
    const double u = std::max(Uniform(), 1e-300), v = Uniform();
    return sigma * std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * kPi * v);
  }

 private:
  std::uint64_t state_;
};

std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
  Random r(a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull));
  return r.Next();
}

// Smooth ridge orientation (modulo pi) at (x, y): half the angle around a core,
// bent by two slow waves.
struct OrientationField {
  double coreX, coreY, base, a1, f1, p1, a2, f2, p2;
  double At(double x, double y) const {
    return base + 0.5 * std::atan2(y - coreY, x - coreX) + a1 * std::sin(f1 * x + p1) + a2 * std::sin(f2 * y + p2);
  }
};

double WrapAngle(double a) {
  a = std::fmod(a, 2 * kPi);
  return a < 0 ? a + 2 * kPi : a;
}

}  // namespace

std::uint64_t FingerSeed(std::uint64_t base, std::uint64_t finger) { return Mix(base, finger); }
std::uint64_t ImpressionSeed(std::uint64_t base, std::uint64_t finger, std::uint64_t impression) {
  return Mix(Mix(base, finger), impression + 1);
}

SyntheticFinger MakeFinger(std::uint64_t seed, const FingerParams& params) {
  Random r(seed);
  const OrientationField field{r.Uniform(-40, 40), r.Uniform(-40, 40), r.Uniform(0, kPi),
                               r.Uniform(0.1, 0.4), r.Uniform(0.005, 0.02), r.Uniform(0, 2 * kPi),
                               r.Uniform(0.1, 0.4), r.Uniform(0.005, 0.02), r.Uniform(0, 2 * kPi)};
  const int wanted = r.Int(params.minMinutiae, params.maxMinutiae);
  SyntheticFinger finger;
  for (int attempt = 0; attempt < 20000 && static_cast<int>(finger.minutiae.size()) < wanted; ++attempt) {
    const double x = r.Uniform(-params.halfWidth, params.halfWidth);
    const double y = r.Uniform(-params.halfHeight, params.halfHeight);
    if ((x * x) / (params.halfWidth * params.halfWidth) + (y * y) / (params.halfHeight * params.halfHeight) > 1)
      continue;
    const bool crowded = std::any_of(finger.minutiae.begin(), finger.minutiae.end(), [&](const Minutia& m) {
      return std::hypot(m.x - x, m.y - y) < params.minSpacing;
    });
    if (crowded) continue;
    const double along = field.At(x, y) + (r.Next() & 1 ? kPi : 0.0);
    finger.minutiae.push_back({x, y, WrapAngle(along), static_cast<int>(r.Next() & 1)});
  }
  return finger;
}

Template MakeImpression(const SyntheticFinger& finger, std::uint64_t seed, const ImpressionParams& params) {
  Random r(seed);
  const double drawn = r.Uniform(-params.maxRotationDegrees, params.maxRotationDegrees);
  const double rotation = (params.fixedRotation ? params.maxRotationDegrees : drawn) * kPi / 180;
  const double tx = r.Uniform(-params.maxTranslation, params.maxTranslation);
  const double ty = r.Uniform(-params.maxTranslation, params.maxTranslation);
  const double c = std::cos(rotation), s = std::sin(rotation);
  const auto inside = [&](double x, double y) {
    return std::abs(x) <= params.sensorHalfWidth && std::abs(y) <= params.sensorHalfHeight;
  };
  std::vector<Minutia> seen;
  for (const Minutia& m : finger.minutiae) {
    const bool missing = r.Uniform() < params.missingShare;
    Minutia t;
    t.x = c * m.x - s * m.y + tx + r.Normal(params.positionNoise);
    t.y = s * m.x + c * m.y + ty + r.Normal(params.positionNoise);
    t.angle = WrapAngle(m.angle + rotation + r.Normal(params.directionNoiseDegrees * kPi / 180));
    t.type = m.type;
    if (!missing && inside(t.x, t.y)) seen.push_back(t);
  }
  const int spurious = params.maxSpurious > 0 ? r.Int(0, params.maxSpurious) : 0;
  for (int k = 0; k < spurious; ++k) {
    seen.push_back({r.Uniform(-params.sensorHalfWidth, params.sensorHalfWidth),
                    r.Uniform(-params.sensorHalfHeight, params.sensorHalfHeight), r.Uniform(0, 2 * kPi),
                    static_cast<int>(r.Next() & 1)});
  }
  return EncodeTemplate(std::move(seen));
}

Template EncodeWords(const std::vector<TemplateWord>& words, int width) {
  testing::TemplateSpec spec;
  spec.width = width;
  spec.height = kTemplateHeight;
  spec.layoutCode = 142;
  spec.count = static_cast<int>(std::min<std::size_t>(words.size(), 92));
  for (const TemplateWord& w : words) spec.minutiae.push_back({w.x, w.y, w.direction & 127, w.type});
  return testing::WriteTemplate(spec);
}

Template EncodeTemplate(std::vector<Minutia> minutiae) {
  std::vector<TemplateWord> words;
  for (const Minutia& m : minutiae) {
    const int x = std::clamp(static_cast<int>(std::lround(m.x)), -(kTemplateWidth - 1), kTemplateWidth - 1);
    const int y = std::clamp(static_cast<int>(std::lround(m.y)), -511, 511);
    const int direction = static_cast<int>(std::lround(WrapAngle(m.angle) * 128 / (2 * kPi))) % 128;
    words.push_back({x, y, direction, m.type & 1});
  }
  std::stable_sort(words.begin(), words.end(), [](const TemplateWord& a, const TemplateWord& b) { return a.x > b.x; });
  return EncodeWords(words);
}

std::string Describe(const FingerParams& f, const ImpressionParams& i) {
  std::ostringstream o;
  o << "finger: " << f.minMinutiae << ".." << f.maxMinutiae << " minutiae, spacing >= " << f.minSpacing
    << ", print ellipse " << f.halfWidth << " x " << f.halfHeight << " (half axes)\n"
    << "impression: rotation up to +/-" << i.maxRotationDegrees << " deg, translation up to +/-"
    << i.maxTranslation << ", sensor window " << i.sensorHalfWidth << " x " << i.sensorHalfHeight
    << " (half), missing " << i.missingShare * 100 << "%, spurious 0.." << i.maxSpurious
    << ", position noise sd " << i.positionNoise << ", direction noise sd " << i.directionNoiseDegrees << " deg\n";
  return o.str();
}

}  // namespace huellix::synthetic
