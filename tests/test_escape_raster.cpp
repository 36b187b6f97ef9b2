#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/escape_raster.h"
#include "tests/expected_picture.h"
#include "view/plane_mapping.h"

namespace {

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;

// A raster block of the viewer's layout with guard zones before and after it, all filled with a
// pattern the computation never writes (its greys are 223 ... 255).
struct GuardedRaster {
  int32_t width, height, stride;
  std::vector<uint8_t> memory;

  GuardedRaster(int32_t w, int32_t h)
      : width(w),
        height(h),
        stride((w * 3 + 3) & ~3),
        memory(kGuardBytes * 2 + static_cast<size_t>(stride) * h, kGuard) {}

  uint8_t* bits() { return memory.data() + kGuardBytes; }
  // Grey of pixel (x, y) in display coordinates: row y is stored at height - 1 - y.
  uint8_t pixel(int32_t x, int32_t y) const {
    return memory[kGuardBytes + static_cast<size_t>(height - 1 - y) * stride + 3 * x];
  }
  void render(int32_t halfWidth, int32_t halfHeight, float scale) {
    ComputeEscapeRaster(bits(), width, height, stride, halfWidth, halfHeight, scale,
                        EscapeRowScalar);
  }
  // Every byte that is not a pixel of the visible, clipped picture still holds the guard.
  void expectOnlyPictureWritten(int32_t halfWidth, int32_t halfHeight) const {
    const int64_t columns = std::min<int64_t>(2 * int64_t{halfWidth}, width);
    const int64_t rows = std::min<int64_t>(2 * int64_t{halfHeight}, height);
    for (size_t i = 0; i < memory.size(); ++i) {
      const int64_t offset = static_cast<int64_t>(i) - static_cast<int64_t>(kGuardBytes);
      bool inPicture = false;
      if (offset >= 0 && offset < int64_t{stride} * height) {
        const int64_t displayRow = height - 1 - offset / stride;
        inPicture = displayRow < rows && offset % stride < 3 * columns;
      }
      if (inPicture) {
        ASSERT_GE(memory[i], 223) << "byte " << offset;
      } else {
        ASSERT_EQ(memory[i], kGuard) << "byte " << offset << " outside the picture was written";
      }
    }
  }
};

TEST(EscapeCount, GreyRampFollowsTheCount) {
  EXPECT_EQ(GreyForCount(0), 255);
  EXPECT_EQ(GreyForCount(1), 255);
  EXPECT_EQ(GreyForCount(2), 254);
  EXPECT_EQ(GreyForCount(25), 239);
  EXPECT_EQ(GreyForCount(49), 224);
  EXPECT_EQ(GreyForCount(50), 223);
}

TEST(EscapeCount, InteriorStaysAndFarPointsEscapeAtOnce) {
  EXPECT_EQ(EscapeCount(-0.5f, -0.01f), 50);  // main cardioid
  EXPECT_EQ(EscapeCount(-1.0f, 0.05f), 50);   // period-2 disc
  EXPECT_EQ(EscapeCount(2.1f, 0.0f), 0);
  EXPECT_EQ(EscapeCount(-1.5f, 1.5f), 0);
  EXPECT_EQ(EscapeCount(0.0f, 0.0f), 50);
  // -2 - tiny i: |c|^2 just over 4, so the first step escapes although -2 is in the set.
  EXPECT_EQ(EscapeCount(-2.0f, -0.01f), 0);
  // Just outside the cusp at 1/4 the orbit lingers, then leaves: 0 < k < 50.
  const int k = EscapeCount(0.26f, 0.0f);
  EXPECT_GT(k, 1);
  EXPECT_LT(k, 50);
}

TEST(EscapeRaster, KnownPixelsOfTheStartView) {
  GuardedRaster raster(64, 48);
  const int32_t w = 32, h = 24;
  raster.render(w, h, 1.0f);
  // Row H - 1 at real part -0.5 (column W - H/2) lies in the main cardioid.
  EXPECT_EQ(raster.pixel(w - h / 2, h - 1), 223);
  raster.expectOnlyPictureWritten(w, h);
}

TEST(EscapeRaster, PixelOfRowHMinusOneAtMinusTwoEscapes) {
  GuardedRaster raster(200, 100);
  raster.render(100, 50, 1.0f);  // real part -2 is column W - 2H = 0
  EXPECT_EQ(raster.pixel(0, 49), 255);
  EXPECT_EQ(raster.pixel(100 - 25, 49), 223);  // -0.5
}

TEST(EscapeRaster, LowerHalfMirrorsTheUpperHalf) {
  GuardedRaster raster(81, 61);
  const int32_t w = 40, h = 30;
  raster.render(w, h, 1.3f);
  for (int32_t i = 0; i < h; ++i) {
    for (int32_t j = 0; j < 2 * w; ++j) {
      ASSERT_EQ(raster.pixel(j, i), raster.pixel(j, 2 * h - 1 - i)) << j << "," << i;
      ASSERT_EQ(raster.pixel(j, i), ExpectedGrey(j, i, w, h, 1.3f)) << j << "," << i;
    }
  }
  // Row H is row H - 1's copy (never computed for imaginary part 0), row 2H - 1 is row 0's.
  EXPECT_EQ(raster.pixel(w + 10, h), raster.pixel(w + 10, h - 1));
  EXPECT_EQ(raster.pixel(3, 2 * h - 1), raster.pixel(3, 0));
  // Width 81 (odd, stride 244): padding bytes, column 80 and row 60 untouched.
  raster.expectOnlyPictureWritten(w, h);
}

TEST(EscapeRaster, EmptyViewsWriteNothing) {
  GuardedRaster raster(20, 20);
  raster.render(0, 10, 1.0f);
  raster.expectOnlyPictureWritten(0, 0);
  raster.render(10, 0, 1.0f);
  raster.expectOnlyPictureWritten(0, 0);
  ComputeEscapeRaster(nullptr, 20, 20, 60, 10, 10, 1.0f, EscapeRowScalar);
}

TEST(EscapeRaster, ViewLargerThanTheBufferIsClipped) {
  struct Case {
    int32_t width, height, halfWidth, halfHeight;
  };
  for (const Case& c : {Case{30, 20, 40, 5}, Case{30, 20, 5, 40}, Case{31, 17, 32767, 32767},
                        Case{3, 3, 2, 2}, Case{1, 1, 1, 1}, Case{30, 20, 15, 15}}) {
    GuardedRaster raster(c.width, c.height);
    raster.render(c.halfWidth, c.halfHeight, 1.0f);
    raster.expectOnlyPictureWritten(c.halfWidth, c.halfHeight);
    // What is written is still the view's own picture, and mirrored rows inside agree.
    const int32_t rows = std::min(2 * c.halfHeight, c.height);
    for (int32_t y = 0; y < rows; ++y) {
      ASSERT_EQ(raster.pixel(0, y), ExpectedGrey(0, y, c.halfWidth, c.halfHeight, 1.0f));
    }
  }
}

}  // namespace
