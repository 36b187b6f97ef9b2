#include <gtest/gtest.h>

#include "tests/expected_picture.h"
#include "render/canvas.h"
#include "render/render_fractal.h"
#include "view/view_state.h"
#include "win32_fixture.h"

namespace {

class CanvasTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetViewState();
    hwnd_ = CreateWindowExA(0, "STATIC", "canvas", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hwnd_, nullptr);
    dc_ = GetDC(hwnd_);
    CreateCanvas(dc_);
  }
  void TearDown() override {
    if (g_frameBitmap != nullptr) DestroyCanvas();
    ReleaseDC(hwnd_, dc_);
    DestroyWindow(hwnd_);
  }
  HWND hwnd_ = nullptr;
  HDC dc_ = nullptr;
};

TEST_F(CanvasTest, SurfacesHaveTheScreenSize) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(width, 0);
  const std::vector<HGDIOBJ> objects = CanvasObjects();
  for (size_t i = 0; i < 3; ++i) {  // the bitmaps
    BITMAP b = {};
    ASSERT_EQ(GetObjectA(objects[i], sizeof b, &b), static_cast<int>(sizeof b));
    EXPECT_EQ(b.bmWidth, width);
    EXPECT_EQ(b.bmHeight, height);
  }
  EXPECT_EQ(g_canvasWidth, width);
  EXPECT_EQ(g_canvasHeight, height);
}

TEST_F(CanvasTest, RasterIsA24BitBottomUpSectionAddressedByItsOwnStride) {
  DIBSECTION section = {};
  ASSERT_EQ(GetObjectA(g_rasterBitmap, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(section.dsBmih.biHeight, GetSystemMetrics(SM_CYSCREEN));  // positive: bottom-up
  EXPECT_EQ(section.dsBm.bmBits, g_rasterBits);
  EXPECT_EQ(g_rasterStride, section.dsBm.bmWidthBytes);
  EXPECT_EQ(g_rasterStride, (g_canvasWidth * 3 + 3) / 4 * 4);
  EXPECT_EQ(g_rasterHeight, g_canvasHeight);
}

TEST_F(CanvasTest, GreyPensAreSolidOnePixelAndGrey) {
  for (int i = 0; i < kGreyPenCount; ++i) {
    LOGPEN pen = {};
    ASSERT_EQ(GetObjectA(g_greyPens[i], sizeof pen, &pen), static_cast<int>(sizeof pen)) << i;
    EXPECT_EQ(pen.lopnStyle, static_cast<UINT>(PS_SOLID)) << i;
    EXPECT_EQ(pen.lopnWidth.x, 1) << i;
    EXPECT_EQ(pen.lopnColor, RGB(i, i, i)) << i;
  }
}

TEST_F(CanvasTest, DestroyDeletesEveryObject) {
  const std::vector<HGDIOBJ> objects = CanvasObjects();
  for (HGDIOBJ object : objects) ASSERT_NE(GetObjectType(object), 0u);
  DestroyCanvas();
  for (HGDIOBJ object : objects) EXPECT_EQ(GetObjectType(object), 0u);
  EXPECT_EQ(g_frameBitmap, nullptr);
  EXPECT_EQ(g_rasterBits, nullptr);
}

TEST_F(CanvasTest, FailedBackBufferLeavesNothingAndCanBeRetried) {
  DestroyCanvas();
  CreateCanvas(nullptr);  // no compatible bitmap can be made for no context... on some GDIs
  if (g_frameBitmap != nullptr) {
    DestroyCanvas();
    GTEST_SKIP() << "this GDI makes bitmaps without a context";
  }
  EXPECT_EQ(g_fractalBitmap, nullptr);
  EXPECT_EQ(g_rasterBitmap, nullptr);
  EXPECT_EQ(g_greyPens[0], nullptr);
  CreateCanvas(dc_);
  EXPECT_NE(g_frameBitmap, nullptr);
  EXPECT_NE(g_rasterBits, nullptr);
}

// The fractal copied into a compatible bitmap covers exactly 2W x 2H and matches the core.
TEST_F(CanvasTest, RenderFractalCopiesExactlyThePicture) {
  const int32_t width = 300, height = 200;
  HBITMAP target = CreateCompatibleBitmap(dc_, width, height);
  FillBitmap(target, width, height, kMarker);
  HDC memory = CreateCompatibleDC(dc_);
  HGDIOBJ previous = SelectObject(memory, target);
  g_halfWidth = 101;
  g_halfHeight = 70;
  g_scale = 1.06f;
  RenderFractal(memory);
  SelectObject(memory, previous);
  DeleteDC(memory);
  const Picture picture = ReadBitmap(target, width, height);
  DeleteObject(target);
  int compared = 0;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (x < 2 * g_halfWidth && y < 2 * g_halfHeight) {
        ASSERT_EQ(picture.GreyAt(x, y), ExpectedGrey(x, y, g_halfWidth, g_halfHeight, g_scale))
            << x << "," << y;
        ++compared;
      } else {
        ASSERT_EQ(picture.At(x, y), PixelOf(kMarker))
            << x << "," << y << " outside the picture was written";
      }
    }
  }
  EXPECT_EQ(compared, 202 * 140);
}

}  // namespace
