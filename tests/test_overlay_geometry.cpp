#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "render/overlay_geometry.h"
#include "view/view_arithmetic.h"

namespace {

struct ClipCase {
  int64_t extent;
  int32_t limit;
  int32_t clipped;
};

class ClipExtentTest : public testing::TestWithParam<ClipCase> {};

TEST_P(ClipExtentTest, StaysWithinTheSurface) {
  const ClipCase& c = GetParam();
  EXPECT_EQ(ClipExtent(c.extent, c.limit), c.clipped);
}

INSTANTIATE_TEST_SUITE_P(
    Extents, ClipExtentTest,
    testing::Values(ClipCase{800, 1280, 800}, ClipCase{1280, 1280, 1280},
                    ClipCase{1281, 1280, 1280}, ClipCase{0, 1280, 0}, ClipCase{-5, 1280, 0},
                    // 2W for the largest W, and extents that do not fit in 32 bits
                    ClipCase{65534, 1024, 1024}, ClipCase{2 * int64_t{INT32_MAX}, 1024, 1024},
                    ClipCase{INT64_MIN, 1024, 0}, ClipCase{INT64_MAX, 1024, 1024},
                    // a surface that was never made has no extent at all
                    ClipCase{800, 0, 0}, ClipCase{800, -1, 0}));

struct RadiusCase {
  int32_t numerator;
  float scale;
  double radius;
};

class CircleRadiusTest : public testing::TestWithParam<RadiusCase> {};

TEST_P(CircleRadiusTest, TruncatesTheQuotient) {
  const RadiusCase& c = GetParam();
  EXPECT_EQ(CircleRadius(c.numerator, c.scale), c.radius);
}

INSTANTIATE_TEST_SUITE_P(
    HalfHeight300, CircleRadiusTest,
    testing::Values(RadiusCase{600, 1.0f, 600.0}, RadiusCase{300, 1.0f, 300.0},
                    RadiusCase{150, 1.0f, 150.0},
                    // 566.04, 283.02 and 141.51: truncated, not rounded
                    RadiusCase{600, kZoomOutFactor, 566.0}, RadiusCase{300, kZoomOutFactor, 283.0},
                    RadiusCase{150, kZoomOutFactor, 141.0},
                    // The zoom-in factor lies just above 1/1.06: 635.99997, 317.99998 and
                    // 158.99999, which a quotient rounded to float would turn into 636, 318, 159.
                    RadiusCase{600, kZoomInFactor, 635.0}, RadiusCase{300, kZoomInFactor, 317.0},
                    RadiusCase{150, kZoomInFactor, 158.0}, RadiusCase{0, 1.0f, 0.0},
                    RadiusCase{0, kZoomOutFactor, 0.0}, RadiusCase{1, 1.5f, 0.0}));

TEST(CircleRadius, ExtremeScales) {
  EXPECT_EQ(CircleRadius(600, std::numeric_limits<float>::infinity()), 0.0);
  // The smallest scale repeated zooming in reaches: far beyond any 32-bit pixel value.
  const float subnormal = std::ldexp(8.0f, -149);
  ASSERT_GT(subnormal, 0.0f);
  const double radius = CircleRadius(600, subnormal);
  EXPECT_TRUE(std::isfinite(radius));
  EXPECT_GT(radius, static_cast<double>(INT32_MAX));
  EXPECT_EQ(radius, 75.0 * std::ldexp(1.0, 149));
}

struct RingCase {
  const char* what;
  int32_t cx, cy;
  double radius;
  bool misses;
};

void PrintTo(const RingCase& c, std::ostream* os) { *os << c.what; }

class RingMissesSurfaceTest : public testing::TestWithParam<RingCase> {};

constexpr int32_t kWidth = 1280, kHeight = 1024;

TEST_P(RingMissesSurfaceTest, SkipsOnlyRingsThatCannotTouchTheSurface) {
  const RingCase& c = GetParam();
  EXPECT_EQ(RingMissesSurface(c.cx, c.cy, c.radius, kWidth, kHeight), c.misses) << c.what;
}

const double kFarCorner = std::hypot(640.0, 512.0);  // (640, 512) to (1279, 1023) is shorter

INSTANTIATE_TEST_SUITE_P(
    Screen1280x1024, RingMissesSurfaceTest,
    testing::Values(
        RingCase{"small ring about the middle", 640, 512, 150, false},
        RingCase{"zero radius on the surface", 640, 512, 0, false},
        RingCase{"ring crossing the left and right edges", 640, 512, 700, false},
        RingCase{"ring through the far corner", 640, 512, kFarCorner, false},
        RingCase{"ring just inside the far corner", 640, 512, kFarCorner - 1, false},
        RingCase{"ring enclosing the whole surface", 640, 512, 900, true},
        RingCase{"ring of the crashing size", 640, 512, 700000, true},
        RingCase{"ring of a radius beyond 32 bits", 640, 512, 1e12, true},
        RingCase{"infinite ring", 640, 512, std::numeric_limits<double>::infinity(), true},
        RingCase{"ring with no radius", 640, 512, std::numeric_limits<double>::quiet_NaN(), true},
        RingCase{"centre in a corner, ring to the opposite corner", 0, 0,
                 std::hypot(1279.0, 1023.0), false},
        RingCase{"centre in a corner, ring beyond the opposite corner", 0, 0, 1700, true},
        RingCase{"centre left of the surface, ring reaching in", -500, 512, 600, false},
        RingCase{"centre left of the surface, ring beside it", -500, 512, 300, true},
        RingCase{"centre below-right, ring beside it", 2000, 2000, 500, true},
        RingCase{"centre below-right, ring through the corner", 2000, 2000,
                 std::hypot(721.0, 977.0), false},
        RingCase{"centre far outside, ring crossing", -100000, 512, 100500, false},
        RingCase{"centre far outside, small ring", -100000, 512, 50, true},
        RingCase{"centre at the 32-bit limit, ring beside", INT32_MAX, INT32_MIN, 1e6, true},
        RingCase{"centre at the 32-bit limit, ring crossing", INT32_MAX, 512,
                 static_cast<double>(INT32_MAX) - 600, false}),
    [](const testing::TestParamInfo<RingCase>& info) {
      // "ring through the far corner" -> RingThroughTheFarCorner
      std::string name;
      bool upper = true;
      for (const char* p = info.param.what; *p != '\0'; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) {
          name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*p))) : *p;
          upper = false;
        } else {
          upper = true;
        }
      }
      return name;
    });

}  // namespace
