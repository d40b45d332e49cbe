// Triangles of nearby minutiae and their features: every minutia with two of
// its neighbours forms a triangle, whose shape is quantised into a 24-bit
// TriangleKey and whose pose (sides, relative directions, orientation,
// centroid) is filed under that key. Registration and search form triangles
// by the same rules.
//
//   TriangleList list;
//   BuildTripletList(decoded, list);
//   for (const Triangle& t : list.Triangles()) {
//     ShapeKeyBytes shape; TrianglePose pose;
//     if (ComputeTripletFeatures(t, decoded, shape, pose)) index.InsertIndexKey(shape, pose);
//   }
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "fingerprint/fingerprint_id.h"
#include "fingerprint/template_decoder.h"

namespace huellix {

// Three minutia indexes of one template, a > b > c.
struct Triangle {
  std::uint8_t a, b, c;
  bool operator==(const Triangle&) const = default;
};

constexpr int kMaxTriangles = 1500;

// At most 1500 triangles, in order of discovery, without duplicates.
struct TriangleList {
  std::array<Triangle, kMaxTriangles> triangles;
  int count = 0;
  std::span<const Triangle> Triangles() const { return {triangles.data(), static_cast<std::size_t>(count)}; }
};

// k0, k1, k2 = sides / 7 (2..19); k3, k4, k5 = relative directions / 8 (0..15).
using ShapeKeyBytes = std::array<std::uint8_t, 6>;

// The 16 bytes filed under a key, in this order in the database file too.
struct TrianglePose {
  std::array<std::uint8_t, 3> sides;              // 20..139; side k lies opposite vertex k
  std::array<std::uint8_t, 3> relativeDirections;  // 0..127
  std::array<std::uint8_t, 2> zero;
  FingerprintKey fingerprintKey;
  std::int8_t orientation;  // 0..128 stored, so 128 reads as -128
  std::int8_t centroidX;    // low 8 bits of the truncated mean
  std::int8_t centroidY;
  std::uint8_t zero2;
  bool operator==(const TrianglePose&) const = default;
};
static_assert(sizeof(TrianglePose) == 16);

struct VertexAngles {
  int direction;  // bisector direction, 0..128 (degrees / 2.8)
  int angle;      // vertex angle in hundredths of a degree, 0..18000
};

void BuildTripletList(const DecodedTemplate& decoded, TriangleList& list);
// The bisector direction and vertex angle at v of the triangle (v, u, w).
VertexAngles ComputeTripletAngles(const IndexMinutia& v, const IndexMinutia& u, const IndexMinutia& w);
// False when the triangle is rejected (nearly equilateral, or a vertex angle
// above 174 degrees). The pose's fingerprint key is left 0 for the caller.
bool ComputeTripletFeatures(const Triangle& triangle, const DecodedTemplate& decoded, ShapeKeyBytes& shape,
                            TrianglePose& pose);
std::uint32_t QuantiseTripletKey(const ShapeKeyBytes& shape);

}  // namespace huellix
