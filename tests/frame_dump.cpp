// Whole frames of the program, painted by its own window for a few views and orbits, each
// printed as a hash of the client area's pixels. The Windows build (the real GDI32) and the
// native one (our layer) must print the same lines: tests/frames_match.sh compares them.
#include <cstdint>
#include <cstdio>

#include "app/shell.h"
#include "portable_win32/win32.h"
#include "render/canvas.h"
#include "view/view_state.h"

namespace {

constexpr int32_t kClientWidth = 801, kClientHeight = 601;  // odd: the fill shows at two edges

struct View {
  const char* name;
  float scale;
  int32_t seedX, seedY, steps;
  uint8_t squares, redraw;
};

// Each view changes what the last one left; zooming without a redraw keeps the old picture.
const View kViews[] = {
    {"start", 1.0f, 0, 0, 200, 0, 1},
    {"orbit-plain", 1.0f, 334, 697 / 2, 200, 0, 0},
    {"orbit-detailed", 1.0f, 334, 348, 200, 1, 0},
    {"long-orbit", 1.0f, 334, 200, 4095, 1, 0},
    {"zoomed-in-old-picture", 0.747258f, 500, 260, 200, 0, 0},
    {"zoomed-in-redrawn", 0.747258f, 500, 260, 200, 1, 1},
    {"zoomed-out-redrawn", 2.012196f, 100, 80, 1000, 0, 1},
    {"escaping-orbit", 2.012196f, 760, 40, 200, 1, 0},
    {"deep", 0.00390625f, 420, 290, 4095, 0, 1},
};

uint64_t HashOfClient() {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = g_canvasWidth;
  info.bmiHeader.biHeight = -kClientHeight;  // top-down: the client's rows come first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  static uint32_t pixels[8192 * kClientHeight];
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, g_frameBitmap, 0, kClientHeight, pixels, &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  uint64_t hash = 14695981039346656037ull;  // FNV-1a over the client's 0x00RRGGBB pixels
  for (int32_t y = 0; y < kClientHeight; ++y)
    for (int32_t x = 0; x < kClientWidth; ++x) {
      hash ^= pixels[static_cast<size_t>(y) * g_canvasWidth + x] & 0xFFFFFF;
      hash *= 1099511628211ull;
    }
  return hash;
}

}  // namespace

int main() {
  if (!CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) return 1;
  HWND hwnd = FindWindowA(kWindowClassName, kWindowTitle);
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOMOVE);
  RECT client;
  GetClientRect(hwnd, &client);
  if (client.right != kClientWidth || client.bottom != kClientHeight || g_canvasWidth > 8192) {
    std::printf("client %ldx%ld, canvas %dx%d: not the size asked for\n",
                static_cast<long>(client.right), static_cast<long>(client.bottom), g_canvasWidth,
                g_canvasHeight);
    return 1;
  }
  for (const View& v : kViews) {
    g_scale = v.scale;
    g_mouseX = v.seedX;
    g_mouseY = v.seedY;
    g_orbitSteps = v.steps;
    g_showSquares = v.squares;
    if (v.redraw) g_redrawFractal = 1;
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    std::printf("%s %016llx\n", v.name, static_cast<unsigned long long>(HashOfClient()));
  }
  DestroyWindow(hwnd);
  return 0;
}
