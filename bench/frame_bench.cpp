// Whole frames of the real program, under Wine or natively over our layer: the main window in
// full-screen mode on a 1920 x 1080 screen, painted through its own paint handler. Then the parts
// of an F5 (the raster, its copy into the fractal layer) and the raster of the scalar reference,
// to set F5 beside that of a viewer that computes every pixel straightforwardly.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/shell.h"
#include "portable_win32/win32.h"
#include "render/canvas.h"
#include "render/escape_kernels.h"
#include "render/escape_raster.h"
#include "render/orbit.h"
#include "view/view_state.h"

namespace {

constexpr int32_t kClientWidth = 1920;
constexpr int32_t kClientHeight = 1080;
constexpr int kWarmUpFrames = 10;
constexpr int kFrames = 200;
constexpr int kScalarFrames = 20;  // about 0.1 s each

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One paint as WM_PAINT runs it (BeginPaint, PaintFrame into the window DC, EndPaint), in ms.
double TimePaint(HWND hwnd, bool redraw) {
  InvalidateRect(hwnd, nullptr, FALSE);
  if (redraw) g_redrawFractal = 1;
  const Clock::time_point start = Clock::now();
  OnPaint(hwnd);
  GdiFlush();
  return MsSince(start);
}

// The escape-time raster alone, computed into the canvas's own buffer, in ms.
double TimeRaster(EscapeRowKernel kernel) {
  const Clock::time_point start = Clock::now();
  ComputeEscapeRaster(g_rasterBits, g_canvasWidth, g_rasterHeight, g_rasterStride, g_halfWidth,
                      g_halfHeight, g_scale, kernel);
  return MsSince(start);
}

// The copy of the whole raster into the fractal layer, as a render ends, in ms.
double TimeRasterCopy(HWND hwnd) {
  HDC window = GetDC(hwnd);
  HDC layer = CreateCompatibleDC(window);
  HDC raster = CreateCompatibleDC(window);
  HGDIOBJ previousLayer = SelectObject(layer, g_fractalBitmap);
  HGDIOBJ previousRaster = SelectObject(raster, g_rasterBitmap);
  const Clock::time_point start = Clock::now();
  BitBlt(layer, 0, 0, g_canvasWidth, g_rasterHeight, raster, 0, 0, SRCCOPY);
  GdiFlush();
  const double ms = MsSince(start);
  SelectObject(raster, previousRaster);
  SelectObject(layer, previousLayer);
  DeleteDC(raster);
  DeleteDC(layer);
  ReleaseDC(hwnd, window);
  return ms;
}

struct Timing {
  double median, fastest;
};

// Prints the median, the fastest and the 90th percentile of `frames` timings.
template <class Time>
Timing Measure(const char* label, int frames, Time time) {
  for (int i = 0; i < kWarmUpFrames; ++i) time();
  std::vector<double> ms;
  for (int i = 0; i < frames; ++i) ms.push_back(time());
  std::sort(ms.begin(), ms.end());
  std::printf("%-36s %10.3f %10.3f %10.3f %8d\n", label, ms[ms.size() / 2], ms.front(),
              ms[ms.size() * 9 / 10], frames);
  return {ms[ms.size() / 2], ms.front()};
}

// F5's own time, the difference of an F5 paint and a plain one; and that of a viewer that differs
// only in computing every pixel with the scalar reference: it pays the same paint and the same
// copy of the raster into the fractal layer, and the reference's raster instead of ours.
void CompareWithScalarViewer(const char* statistic, double f5, double plain, double ours,
                             double scalar) {
  const double f5Part = f5 - plain;
  const double scalarF5Part = f5Part - ours + scalar;
  std::printf("%-8s F5 - plain paint %7.3f ms; with the scalar raster %8.3f ms: %5.1fx\n",
              statistic, f5Part, scalarF5Part, scalarF5Part / f5Part);
}

const char* KernelName(EscapeRowKernel kernel) {
  for (const EscapeRowVariant& variant : kEscapeRowVariants) {
    if (variant.kernel == kernel) return variant.name;
  }
  return "?";
}

}  // namespace

int main() {
  if (!CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) return 1;
  HWND hwnd = FindWindowA(kWindowClassName, kWindowTitle);
  // A framed window with a screen-sized client does not fit the screen: F11, as the user would.
  SendMessageA(hwnd, WM_KEYDOWN, VK_F11, 0);
  PumpMessages();
  SetWindowPos(hwnd, nullptr, 0, 0, kClientWidth, kClientHeight, SWP_NOZORDER);
  PumpMessages();
  RECT client;
  GetClientRect(hwnd, &client);

  // c = -0.1226 + 0.7449i, in a period-3 bulb: the orbit takes all 4095 steps and its polyline
  // runs between three distant points.
  g_orbitSteps = kOrbitStepLimit;
  g_mouseX = g_halfWidth - 66;
  g_mouseY = g_halfHeight + 402;
  static OrbitEntry entries[kOrbitCapacity];
  const int orbitSteps =
      ComputeOrbit(entries, g_halfWidth, g_halfHeight, g_scale, g_mouseX, g_mouseY, g_orbitSteps);

  std::printf(
      "client %ldx%ld (W %d, H %d), canvas %dx%d, scale %g, orbit %d steps, row kernel %s\n",
      static_cast<long>(client.right), static_cast<long>(client.bottom), g_halfWidth, g_halfHeight,
      g_canvasWidth, g_canvasHeight, g_scale, orbitSteps, KernelName(FastestEscapeRowKernel()));
  if (client.right != kClientWidth || client.bottom != kClientHeight ||
      g_canvasWidth < kClientWidth || g_canvasHeight < kClientHeight) {
    std::printf("the window or the canvas is not 1920x1080: is the X screen large enough?\n");
  }
  std::printf("%-36s %10s %10s %10s %8s\n", "paint", "median ms", "min ms", "p90 ms", "frames");
  g_showSquares = 1;
  Measure("whole paint, detailed orbit", kFrames, [&] { return TimePaint(hwnd, false); });
  g_showSquares = 0;
  const Timing plain =
      Measure("whole paint, plain orbit", kFrames, [&] { return TimePaint(hwnd, false); });
  const Timing f5 =
      Measure("F5 paint (fractal rendered), plain", kFrames, [&] { return TimePaint(hwnd, true); });
  const EscapeRowKernel fastest = FastestEscapeRowKernel();
  const Timing ours =
      Measure("raster alone, program's kernel", kFrames, [&] { return TimeRaster(fastest); });
  Measure("copy of the raster into the layer", kFrames, [&] { return TimeRasterCopy(hwnd); });
  const Timing scalar = Measure("raster alone, scalar reference", kScalarFrames,
                                [&] { return TimeRaster(EscapeRowScalar); });
  std::printf("\n");
  CompareWithScalarViewer("medians:", f5.median, plain.median, ours.median, scalar.median);
  CompareWithScalarViewer("fastest:", f5.fastest, plain.fastest, ours.fastest, scalar.fastest);
  std::fflush(stdout);

  DestroyWindow(hwnd);
  PumpMessages();
  return 0;
}
