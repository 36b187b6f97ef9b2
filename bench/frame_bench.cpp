// Whole frames of the real program under Wine: the main window in full-screen mode on a 1920 x
// 1080 screen, painted through its own paint handler, timed with the performance counter.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/shell.h"
#include "render/canvas.h"
#include "render/escape_kernels.h"
#include "render/orbit.h"
#include "view/view_state.h"

namespace {

constexpr int32_t kClientWidth = 1920;
constexpr int32_t kClientHeight = 1080;
constexpr int kWarmUpFrames = 10;
constexpr int kFrames = 200;

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// One paint as WM_PAINT runs it (BeginPaint, PaintFrame into the window DC, EndPaint), in ms.
double TimePaint(HWND hwnd, double ticksPerMs, bool redraw) {
  InvalidateRect(hwnd, nullptr, FALSE);
  if (redraw) g_redrawFractal = 1;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  OnPaint(hwnd);
  GdiFlush();
  QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) / ticksPerMs;
}

void Measure(const char* label, HWND hwnd, double ticksPerMs, bool redraw) {
  for (int i = 0; i < kWarmUpFrames; ++i) TimePaint(hwnd, ticksPerMs, redraw);
  std::vector<double> ms;
  for (int i = 0; i < kFrames; ++i) ms.push_back(TimePaint(hwnd, ticksPerMs, redraw));
  std::sort(ms.begin(), ms.end());
  std::printf("%-36s %10.3f %10.3f %10.3f %8d\n", label, ms[ms.size() / 2], ms.front(),
              ms[ms.size() * 9 / 10], kFrames);
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
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double ticksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;

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
      client.right, client.bottom, g_halfWidth, g_halfHeight, g_canvasWidth, g_canvasHeight,
      g_scale, orbitSteps, KernelName(FastestEscapeRowKernel()));
  if (client.right != kClientWidth || client.bottom != kClientHeight ||
      g_canvasWidth < kClientWidth || g_canvasHeight < kClientHeight) {
    std::printf("the window or the canvas is not 1920x1080: is the X screen large enough?\n");
  }
  std::printf("%-36s %10s %10s %10s %8s\n", "paint", "median ms", "min ms", "p90 ms", "frames");
  g_showSquares = 0;
  Measure("whole paint, plain orbit", hwnd, ticksPerMs, false);
  g_showSquares = 1;
  Measure("whole paint, detailed orbit", hwnd, ticksPerMs, false);
  g_showSquares = 0;
  Measure("F5 paint (fractal rendered), plain", hwnd, ticksPerMs, true);
  std::fflush(stdout);

  DestroyWindow(hwnd);
  PumpMessages();
  return 0;
}
