#include "fingerprint/triplets.h"

#include <gtest/gtest.h>

#include <vector>

#include "fingerprint/result_codes.h"
#include "fingerprint/template_writer.h"

namespace huellix {
namespace {

using testing::MinutiaSpec;
using testing::TemplateSpec;
using testing::WriteTemplate;

DecodedTemplate Decoded(std::vector<MinutiaSpec> minutiae, int width = 325) {
  TemplateSpec spec;
  spec.width = width;
  spec.minutiae = std::move(minutiae);
  DecodedTemplate decoded;
  EXPECT_EQ(DecodeTemplate(WriteTemplate(spec).data(), decoded), kOk);
  return decoded;
}

std::vector<Triangle> Triangles(const DecodedTemplate& decoded) {
  TriangleList list;
  BuildTripletList(decoded, list);
  return {list.Triangles().begin(), list.Triangles().end()};
}

IndexMinutia At(int x, int y) {
  IndexMinutia m{};
  m.x = x;
  m.y = y;
  return m;
}

TEST(TripletsTest, VertexAngles) {
  struct Case {
    IndexMinutia v, u, w;
    int direction, angle;
  };
  const Case cases[] = {
      {At(0, 0), At(10, 0), At(0, 10), 16, 9000},
      {At(0, 0), At(10, -1), At(10, 1), 0, 1143},    // the bisector across 0 degrees
      {At(0, 0), At(-10, 1), At(-10, -1), 64, 1142},
      {At(0, 0), At(0, -10), At(10, 0), 112, 9000},
      {At(5, 5), At(5, 5), At(5, 5), 0, 0},          // a zero vector has angle 0
  };
  for (const Case& c : cases) {
    const VertexAngles result = ComputeTripletAngles(c.v, c.u, c.w);
    EXPECT_EQ(result.direction, c.direction) << c.u.x << "," << c.u.y;
    EXPECT_EQ(result.angle, c.angle) << c.u.x << "," << c.u.y;
  }
}

TEST(TripletsTest, ThreeNeighboursFormOneTriangle) {
  const DecodedTemplate d = Decoded({{48, 14}, {7, 55}, {0, 0}});
  EXPECT_EQ(Triangles(d), (std::vector<Triangle>{{2, 1, 0}}));
}

TEST(TripletsTest, PairsOfNeighboursTooFarApartFormNoTriangle) {
  // 1 and 2 both lie near 0 but 200 apart from each other.
  EXPECT_TRUE(Triangles(Decoded({{100, 0}, {0, 0}, {-100, 0}})).empty());
  // Nor does a minutia without two neighbours.
  EXPECT_TRUE(Triangles(Decoded({{30, 0}, {0, 0}})).empty());
}

TEST(TripletsTest, TrianglesAreListedOnceInOrderOfDiscovery) {
  // A square of side 40: each minutia sees the other three, four triangles.
  const DecodedTemplate d = Decoded({{40, 40}, {40, 0}, {0, 40}, {0, 0}});
  EXPECT_EQ(Triangles(d), (std::vector<Triangle>{{2, 1, 0}, {3, 1, 0}, {3, 2, 0}, {3, 2, 1}}));
}

TEST(TripletsTest, NearlyEquilateralTrianglesAreRejected) {
  // Sides 50, 55, 57 all differ by less than 8; 50, 55, 58 do not.
  ShapeKeyBytes shape;
  TrianglePose pose;
  const DecodedTemplate rejected = Decoded({{50, 0}, {22, 50}, {0, 0}});
  EXPECT_FALSE(ComputeTripletFeatures({2, 1, 0}, rejected, shape, pose));
  const DecodedTemplate accepted = Decoded({{48, 14}, {7, 55}, {0, 0}});
  EXPECT_TRUE(ComputeTripletFeatures({2, 1, 0}, accepted, shape, pose));
}

TEST(TripletsTest, FlatTrianglesAreRejected) {
  // The middle vertex's angle is above 174 degrees.
  ShapeKeyBytes shape;
  TrianglePose pose;
  EXPECT_FALSE(ComputeTripletFeatures({2, 1, 0}, Decoded({{60, 2}, {30, 0}, {0, 0}}), shape, pose));
  EXPECT_TRUE(ComputeTripletFeatures({2, 1, 0}, Decoded({{60, 4}, {30, 0}, {0, 0}}), shape, pose));
}

TEST(TripletsTest, FeaturesOfATriangle) {
  struct Case {
    std::vector<MinutiaSpec> minutiae;
    TrianglePose pose;
    ShapeKeyBytes shape;
    std::uint32_t key;
  };
  const Case cases[] = {
      {{{48, 14, 10}, {7, 55, 70}, {0, 0, 120}},
       {{50, 58, 55}, {95, 103, 79}, {0, 0}, 0, 103, 18, 23, 0},
       {7, 8, 7, 11, 12, 9},
       0x7879cb},
      // Negative coordinates: the centroid truncates toward zero and keeps
      // its low 8 bits (-253 -> 3).
      {{{-200, -100, 0}, {-260, -150, 127}, {-300, -60, 64}},
       {{78, 108, 98}, {80, 100, 61}, {0, 0}, 0, 112, 3, -103, 0},
       {11, 15, 14, 10, 12, 7},
       0xefb7ca},
  };
  for (const Case& c : cases) {
    ShapeKeyBytes shape;
    TrianglePose pose;
    ASSERT_TRUE(ComputeTripletFeatures({2, 1, 0}, Decoded(c.minutiae), shape, pose));
    EXPECT_EQ(pose, c.pose);
    EXPECT_EQ(shape, c.shape);
    EXPECT_EQ(QuantiseTripletKey(shape), c.key);
  }
}

TEST(TripletsTest, KeyFieldsAreFourBitsWide) {
  EXPECT_EQ(QuantiseTripletKey({0, 0, 0, 0, 0, 0}), 0u);
  EXPECT_EQ(QuantiseTripletKey({1, 2, 3, 4, 5, 6}), 0x321654u);
  EXPECT_EQ(QuantiseTripletKey({19, 19, 19, 15, 15, 15}), 0x333FFFu);  // side bins 16..19 alias 0..3
  EXPECT_EQ(QuantiseTripletKey({16, 2, 3, 4, 5, 6}), QuantiseTripletKey({0, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace huellix
