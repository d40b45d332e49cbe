#include "fingerprint/triplets.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "fingerprint/key_quantisation.h"

namespace huellix {
namespace {

constexpr double kDegreesPerRadian = 57.29579143313326;
constexpr double kDirectionStepsPerDegree = 0.3571428571428571;  // 1 / 2.8
constexpr int kSimilarSides = 8;
constexpr int kWidestVertexAngle = 17400;

// A triangle's identity for the duplicate test: a hash set over the packed
// indexes, cleared per list, instead of a scan of up to 1500 triangles.
class TriangleSet {
 public:
  TriangleSet() { used_.fill(0); }
  // True when the triangle was not in the set yet.
  bool Insert(const Triangle& t) {
    const std::uint32_t packed = (std::uint32_t{t.a} << 16 | std::uint32_t{t.b} << 8 | t.c) + 1;
    std::uint32_t h = (packed * 2654435761u) >> (32 - kBits);
    while (used_[h] != 0) {
      if (used_[h] == packed) return false;
      h = (h + 1) & (kSize - 1);
    }
    used_[h] = packed;
    return true;
  }

 private:
  static constexpr int kBits = 12;
  static constexpr std::uint32_t kSize = 1u << kBits;  // above 1500 entries, so probes stay short
  std::array<std::uint32_t, kSize> used_;
};

double ArctanDegrees(int a, int b) { return std::atan(static_cast<double>(b) / static_cast<double>(a)) * kDegreesPerRadian; }

// The angles of all short vectors, worked out once: every registration and
// search asks for the same few thousand, six for every triangle. Row 0 holds
// what a vertical vector gets (90, or 0 for no vector at all), so that no
// vector within the table needs a test of its own.
constexpr int kAngleTableSide = 150;
using AngleTable = std::array<std::array<double, kAngleTableSide>, kAngleTableSide>;
const AngleTable& Angles() {
  static const AngleTable table = [] {
    AngleTable t{};
    for (int b = 0; b < kAngleTableSide; ++b) t[0][b] = b != 0 ? 90 : 0;
    for (int a = 1; a < kAngleTableSide; ++a)
      for (int b = 0; b < kAngleTableSide; ++b) t[a][b] = ArctanDegrees(a, b);
    return t;
  }();
  return table;
}

// The angle of |dx|, |dy| turned into the quadrant of the vector's signs.
inline double InQuadrant(double e, bool negativeX, bool negativeY) {
  if (negativeX) e = 180 - e;
  if (negativeY) e = 360 - e;
  return e;
}

// The angles of a side seen from either end: both read one table entry.
struct SideAngles {
  double forward;   // from the first minutia towards the second
  double backward;  // from the second towards the first
};

inline SideAngles AnglesOfSide(const IndexMinutia& from, const IndexMinutia& to) {
  const int dx = to.x - from.x, dy = to.y - from.y;
  const int a = std::abs(dx), b = std::abs(dy);
  double e;
  if (a < kAngleTableSide && b < kAngleTableSide) [[likely]]
    e = Angles()[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
  else
    e = a == 0 ? 90 : ArctanDegrees(a, b);
  return {InQuadrant(e, dx < 0, dy < 0), InQuadrant(e, dx > 0, dy > 0)};
}

// The bisector direction and vertex angle from the angles e and f of the
// vertex's two sides.
// Angles lie in 0..360, so a conversion to int truncates them as std::trunc
// would, without its rounding steps.
inline VertexAngles AnglesAtVertex(double e, double f) {
  double m = (e + f) / 2;
  if (std::abs(static_cast<int>(e - f)) > 180) m += 180;
  if (m >= 360) m -= 360;
  VertexAngles result;
  result.direction = static_cast<int>(m * kDirectionStepsPerDegree);
  int g = std::abs(static_cast<int>((e - f) * 100));
  if (g > 18000) g = 36000 - g;
  result.angle = g;
  return result;
}

}  // namespace

void BuildTripletList(const DecodedTemplate& decoded, TriangleList& list) {
  list.count = 0;
  TriangleSet seen;
  const auto& m = decoded.minutiae;
  for (int i = 0; i < decoded.header.count; ++i) {
    const auto& neighbours = m[i].neighbours;
    for (int p = 0; p < kNeighbourCount - 1; ++p) {
      for (int q = p + 1; q < kNeighbourCount; ++q) {
        const int u = neighbours[p].index, w = neighbours[q].index;
        if (u == kNoNeighbour || w == kNoNeighbour) continue;
        if (!WithinNeighbourRange(m[u], m[w])) continue;
        std::array<int, 3> v = {i, u, w};
        if (v[0] < v[1]) std::swap(v[0], v[1]);
        if (v[1] < v[2]) std::swap(v[1], v[2]);
        if (v[0] < v[1]) std::swap(v[0], v[1]);
        const Triangle t{static_cast<std::uint8_t>(v[0]), static_cast<std::uint8_t>(v[1]),
                         static_cast<std::uint8_t>(v[2])};
        if (!seen.Insert(t)) continue;
        list.triangles[list.count++] = t;
        if (list.count == kMaxTriangles) return;
      }
    }
  }
}

VertexAngles ComputeTripletAngles(const IndexMinutia& v, const IndexMinutia& u, const IndexMinutia& w) {
  return AnglesAtVertex(AnglesOfSide(v, u).forward, AnglesOfSide(v, w).forward);
}

bool ComputeTripletFeatures(const Triangle& triangle, const DecodedTemplate& decoded, ShapeKeyBytes& shape,
                            TrianglePose& pose) {
  const auto& m = decoded.minutiae;
  const std::array<const IndexMinutia*, 3> vertex = {&m[triangle.a], &m[triangle.b], &m[triangle.c]};
  const IndexMinutia &a = *vertex[0], &b = *vertex[1], &c = *vertex[2];

  const int sideAB = MinutiaDistance(a, b), sideAC = MinutiaDistance(a, c), sideBC = MinutiaDistance(b, c);
  if (std::abs(sideBC - sideAC) < kSimilarSides && std::abs(sideAC - sideAB) < kSimilarSides &&
      std::abs(sideAB - sideBC) < kSimilarSides)
    return false;
  // Side opposite each vertex.
  const std::array<int, 3> opposite = {sideBC, sideAC, sideAB};

  // Each side's angles serve both its ends.
  const SideAngles ab = AnglesOfSide(a, b), ac = AnglesOfSide(a, c), bc = AnglesOfSide(b, c);
  const std::array<VertexAngles, 3> angles = {AnglesAtVertex(ab.forward, ac.forward),
                                              AnglesAtVertex(ab.backward, bc.forward),
                                              AnglesAtVertex(ac.backward, bc.backward)};
  for (const VertexAngles& va : angles)
    if (va.angle > kWidestVertexAngle) return false;

  int p0 = 0;
  for (int v = 1; v < 3; ++v)
    if (angles[v].angle < angles[p0].angle) p0 = v;
  int p1 = (p0 + 1) % 3, p2 = (p0 + 2) % 3;
  auto turn = [&](int p) {
    int d = angles[p].direction - angles[p0].direction;
    return d <= 0 ? d + 128 : d;
  };
  if (turn(p1) > turn(p2)) std::swap(p1, p2);

  const std::array<int, 3> order = {p0, p1, p2};
  pose = TrianglePose{};
  for (int k = 0; k < 3; ++k) {
    const int p = order[k];
    pose.sides[k] = static_cast<std::uint8_t>(opposite[p]);
    int relative = vertex[p]->direction - angles[p].direction;
    if (relative < 0) relative += 128;
    pose.relativeDirections[k] = static_cast<std::uint8_t>(relative);
  }
  pose.orientation = static_cast<std::int8_t>(angles[p0].direction);
  pose.centroidX = static_cast<std::int8_t>((a.x + b.x + c.x) / 3);
  pose.centroidY = static_cast<std::int8_t>((a.y + b.y + c.y) / 3);

  for (int k = 0; k < 3; ++k) {
    shape[k] = static_cast<std::uint8_t>(pose.sides[k] / kSideBinWidth);
    shape[3 + k] = static_cast<std::uint8_t>(pose.relativeDirections[k] / kDirectionBinWidth);
  }
  return true;
}

std::uint32_t QuantiseTripletKey(const ShapeKeyBytes& s) {
  return std::uint32_t{s[3] & 15u} | (s[4] & 15u) << 4 | (s[5] & 15u) << 8 | (s[0] & 15u) << 12 |
         (s[1] & 15u) << 16 | (s[2] & 15u) << 20;
}

}  // namespace huellix
