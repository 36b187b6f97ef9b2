#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/plane_mapping.h"
#include "view/view_arithmetic.h"
#include "view/view_state.h"
#include "tests/view_snapshot.h"

namespace {

// Read before any test runs: the view globals are constant-initialized, so this sees the values
// the program itself starts with.
const ViewSnapshot kViewAtStart = CurrentView();

TEST(ViewState, StartsWithTheDocumentedValuesAndResetRestoresThem) {
  const ViewSnapshot documented = {0, 0, 0x3F800000u, 0, 0, 200, 1, 0, 0};  // s = 1.0
  EXPECT_EQ(kViewAtStart, documented);
  g_halfWidth = g_halfHeight = g_mouseX = g_mouseY = 9;
  g_scale = 3.0f;
  g_orbitSteps = 7;
  g_redrawFractal = 0;
  g_fullScreen = g_showSquares = 1;
  ResetViewState();
  EXPECT_EQ(CurrentView(), documented);
}

TEST(ViewMapping, PixelsAndPlaneAgreeAtHundredRowsPerUnit) {
  const int32_t w = 170, h = 100;
  EXPECT_EQ(PixelToPlane(0 - h, 1.0f, h), -1.0f);        // row 0 is imaginary part -1
  EXPECT_EQ(PixelToPlane((w + 50) - w, 1.0f, h), 0.5f);  // pixel (W + 50, H) is 0.5
  EXPECT_EQ(PlaneToPixel(w, 0.5f, 1.0f, h), w + 50);     // and back
  EXPECT_EQ(PlaneToPixel(h, 0.0f, 1.0f, h), h);          // the origin sits at (W, H)
  // The start seed, pixel (0, 0): c = -s W / H - s i, here -2 x 170 / 100.
  EXPECT_EQ(PixelToPlane(-w, 2.0f, h), -3.4f);
}

TEST(ViewMapping, RoundsOnceFromTheDoubleQuotient) {
  // A float product followed by a float quotient rounds twice and differs for some offsets.
  for (int32_t offset = -400; offset <= 400; ++offset) {
    const double exact = static_cast<double>(offset) * 1.06f / 300;
    ASSERT_EQ(PixelToPlane(offset, 1.06f, 300), static_cast<float>(exact)) << offset;
  }
}

TEST(ViewMapping, TruncatesTowardZeroOnTheWayBack) {
  // 0.0149 * 100 = 1.49 -> 1; -0.0149 * 100 -> -1 (toward zero, not down).
  EXPECT_EQ(PlaneToPixel(500, 0.0149f, 1.0f, 100), 501);
  EXPECT_EQ(PlaneToPixel(500, -0.0149f, 1.0f, 100), 499);
}

TEST(ViewMapping, ClampsWhatLiesBeyondThirtyTwoBits) {
  const float tiny = std::numeric_limits<float>::denorm_min();
  EXPECT_EQ(PlaneToPixel(10, 1.0f, tiny, 300), INT32_MAX);
  EXPECT_EQ(PlaneToPixel(10, -1.0f, tiny, 300), INT32_MIN);
  EXPECT_EQ(PlaneToPixel(10, std::nanf(""), 1.0f, 300), 10);
  EXPECT_EQ(PlaneToPixel(10, 5.0f, std::numeric_limits<float>::infinity(), 300), 10);
  EXPECT_EQ(PixelAtOffset(-1, -2147483647.9), INT32_MIN);
  EXPECT_EQ(PixelAtOffset(1, 2147483645.9), 2147483646);
  EXPECT_EQ(PixelAtOffset(5, std::numeric_limits<double>::quiet_NaN()), 5);
}

TEST(Zoom, FactorsHaveTheirExactBits) {
  EXPECT_EQ(BitsOf(kZoomOutFactor), kZoomOutBits);
  EXPECT_EQ(BitsOf(kZoomInFactor), kZoomInBits);
  EXPECT_EQ(BitsOf(ZoomOut(1.0f)), kZoomOutBits);
  EXPECT_EQ(BitsOf(ZoomIn(1.0f)), kZoomInBits);
}

TEST(Zoom, TenOutAndTenInReturnExactlyToOne) {
  float s = 1.0f;
  for (int i = 0; i < 10; ++i) s = ZoomOut(s);
  EXPECT_NE(s, 1.0f);
  for (int i = 0; i < 10; ++i) s = ZoomIn(s);
  EXPECT_EQ(s, 1.0f);
}

TEST(Zoom, OutwardReachesInfinityAtStep1523AndStaysThere) {
  float s = 1.0f;
  for (int i = 1; i <= 1522; ++i) s = ZoomOut(s);
  EXPECT_TRUE(std::isfinite(s));
  s = ZoomOut(s);
  EXPECT_TRUE(std::isinf(s));
  EXPECT_TRUE(std::isinf(ZoomOut(s)));
  EXPECT_TRUE(std::isinf(ZoomIn(s)));
}

TEST(Zoom, InwardStopsAtASubnormalFixedPoint) {
  float s = 1.0f;
  for (int i = 1; i <= 1733; ++i) s = ZoomIn(s);
  EXPECT_NE(s, std::ldexp(8.0f, -149));
  s = ZoomIn(s);
  EXPECT_EQ(s, std::ldexp(8.0f, -149));
  EXPECT_EQ(ZoomIn(s), s);
  EXPECT_EQ(ZoomOut(s), s);
  EXPECT_GT(s, 0.0f);
}

TEST(Drag, OrbitLengthIsFourTimesTheRowCappedAt4095) {
  EXPECT_EQ(OrbitStepsForDrag(0), 0);
  EXPECT_EQ(OrbitStepsForDrag(50), 200);
  EXPECT_EQ(OrbitStepsForDrag(1023), 4092);
  EXPECT_EQ(OrbitStepsForDrag(1024), 4095);
  EXPECT_EQ(OrbitStepsForDrag(65535), 4095);
}

}  // namespace
