// Rules of USER32 and GDI32 that the program does not reach today but a layer standing in for
// them must keep, checked the same way against the real ones under Wine and against our layer.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "win32_fixture.h"

namespace {

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A shown top-level window whose client is width x height, of a class that paints nothing.
HWND OpenPlainWindow(WNDPROC procedure, int32_t width, int32_t height) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = PlainProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "OstrevanePlain";
  RegisterClassExA(&windowClass);
  HWND hwnd = CreateWindowExA(0, "OstrevanePlain", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (hwnd == nullptr) return nullptr;
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  ShowWindow(hwnd, SW_SHOWNORMAL);
  ResizeClient(hwnd, width, height);
  PumpMessages();
  return hwnd;
}

// A row too long for a 32-bit stride is refused, not cut down to a small allocation.
TEST(PlatformRules, BitmapsWhoseRowsOverflowAreRefused) {
  HDC screen = GetDC(nullptr);  // 32 bits a pixel
  for (int width : {0x40000001, 0x20000000}) {
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, 1);
    EXPECT_EQ(bitmap, nullptr) << "width " << width;
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
  ReleaseDC(nullptr, screen);
}

// The buffer holds the lines asked for, from the first one asked for: nothing past them.
TEST(PlatformRules, DibLinesFromTheMiddleFillOnlyTheirBuffer) {
  constexpr int kSize = 8, kFirst = 3, kLines = 2;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  for (int row = 0; row < kSize; ++row) {  // each display row its own grey
    HBRUSH brush = CreateSolidBrush(RGB(row * 20, row * 20, row * 20));
    const RECT line = {0, row, kSize, row + 1};
    FillRect(memory, &line, brush);
    DeleteObject(brush);
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  for (int height : {kSize, -kSize}) {  // bottom-up and top-down scan lines
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    constexpr uint32_t kGuard = 0xDEADBEEF;
    std::vector<uint32_t> buffer(kSize * (kLines + 1), kGuard);
    EXPECT_EQ(GetDIBits(screen, bitmap, kFirst, kLines, buffer.data(), &info, DIB_RGB_COLORS),
              kLines);
    for (int line = 0; line < kLines; ++line) {
      const int row = height > 0 ? kSize - 1 - (kFirst + line) : kFirst + line;
      EXPECT_EQ(GreyOf(buffer[line * kSize] & 0xFFFFFF), row * 20) << "height " << height;
    }
    for (int i = kSize * kLines; i < kSize * (kLines + 1); ++i) EXPECT_EQ(buffer[i], kGuard);
  }
  DeleteObject(bitmap);
  ReleaseDC(nullptr, screen);
}

// A paint context draws the whole update region, wherever it lies in the client.
LRESULT CALLBACK FillOnPaint(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  const RECT all = {0, 0, 10000, 10000};
  HBRUSH brush = CreateSolidBrush(kMarker);
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  EndPaint(hwnd, &paint);
  return 0;
}

TEST(PlatformRules, PaintFillsAnUpdateRectangleAwayFromTheCorner) {
  HWND hwnd = OpenPlainWindow(PlainProc, 320, 240);
  ASSERT_NE(hwnd, nullptr);
  HDC dc = GetDC(hwnd);
  const RECT client = {0, 0, 320, 240};
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(hwnd, dc);
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FillOnPaint));
  const RECT part = {100, 50, 300, 200};
  InvalidateRect(hwnd, &part, FALSE);
  UpdateWindow(hwnd);
  const Picture shown = ReadClient(hwnd);
  int wrong = 0;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      const bool inside = x >= part.left && x < part.right && y >= part.top && y < part.bottom;
      wrong += (shown.At(x, y) == PixelOf(kMarker)) != inside;
    }
  EXPECT_EQ(wrong, 0);
  DestroyWindow(hwnd);
}

// What a paint handler invalidates after it began painting is painted next time, not lost.
bool g_invalidateAfterPaint = false;

LRESULT CALLBACK PaintAgain(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
  PAINTSTRUCT paint;
  BeginPaint(hwnd, &paint);
  EndPaint(hwnd, &paint);
  if (g_invalidateAfterPaint) InvalidateRect(hwnd, nullptr, FALSE);
  g_invalidateAfterPaint = false;
  return 0;
}

TEST(PlatformRules, InvalidationDuringAPaintOutlivesItsDispatch) {
  HWND hwnd = OpenPlainWindow(PaintAgain, 200, 100);
  ASSERT_NE(hwnd, nullptr);
  InvalidateRect(hwnd, nullptr, FALSE);
  g_invalidateAfterPaint = true;
  MSG paint;
  ASSERT_TRUE(PeekMessageA(&paint, hwnd, WM_PAINT, WM_PAINT, PM_REMOVE));
  DispatchMessageA(&paint);
  EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE));
  DestroyWindow(hwnd);
  PumpMessages();
}

TEST(PlatformRules, QuitIsTakenWhateverTheMessageFilter) {
  PostQuitMessage(7);
  MSG quit = {};
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  EXPECT_EQ(quit.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(quit.wParam, 7u);
}

}  // namespace
