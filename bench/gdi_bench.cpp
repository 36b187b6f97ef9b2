// Our layer's drawing against the real GDI32 (Wine's, here), on the program's own work at a
// 1920 x 1080 surface: the polyline of a long orbit, the three reference circles, the fill of a
// frame, and the block copies of a render and of a frame. Median milliseconds of each, same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "render/orbit.h"
#include "tests/gdi_pair.h"

namespace {

using namespace gdi_pair;  // NOLINT: the pair's names are what this benchmark sets side by side

constexpr int kWidth = 1920, kHeight = 1080, kRuns = 31;

template <class Work>
double MedianMs(Work work) {
  std::vector<double> ms;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    GdiFlush();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

// The corners of the orbit of c = -0.1226 + 0.7449i over 4095 steps, in the detailed form: it
// runs between three distant points, as the frame benchmark's does.
std::vector<POINT> OrbitCorners() {
  static OrbitEntry entries[kOrbitCapacity];
  const int n = ComputeOrbit(entries, kWidth / 2, kHeight / 2, 1.0f, kWidth / 2 - 66,
                             kHeight / 2 + 402, kOrbitStepLimit);
  std::vector<POINT> corners;
  auto add = [&](int32_t x, int32_t y) { corners.push_back({x, y}); };
  TraceOrbit(
      entries, n, true, add, [](int) {}, add);
  return corners;
}

template <class Gdi>
struct Work {
  Surface<Gdi> frame{kCompatible, kWidth, kHeight, RGB(207, 207, 207)};
  Surface<Gdi> layer{kCompatible, kWidth, kHeight, RGB(0, 0, 0)};
  Surface<Gdi> raster{kDib24, kWidth, kHeight, RGB(0, 0, 0)};
  std::vector<POINT> corners = OrbitCorners();

  void Polyline() {
    Gdi::MoveToEx(frame.dc, corners[0].x, corners[0].y);
    for (const POINT& p : corners) Gdi::LineTo(frame.dc, p.x, p.y);
  }
  void Circles() {
    for (int r : {kHeight, kHeight / 2, kHeight / 4})
      Gdi::Ellipse(frame.dc, kWidth / 2 - r, kHeight / 2 - r, kWidth / 2 + r, kHeight / 2 + r);
  }
  void Fill() { frame.Fill(RGB(255, 255, 255)); }
  void CopyRender() { Gdi::BitBlt(layer.dc, 0, 0, kWidth, kHeight, raster.dc, 0, 0); }
  void CopyFrame() { Gdi::BitBlt(frame.dc, 0, 0, kWidth, kHeight, layer.dc, 0, 0); }
};

}  // namespace

int main() {
  Work<Real> real;
  Work<Ours> ours;
  std::printf("%zu orbit segments; median of %d runs\n", real.corners.size() - 1, kRuns);
  std::printf("%-42s %10s %10s %8s\n", "work (1920 x 1080)", "GDI32 ms", "layer ms", "ratio");
  auto row = [](const char* what, double gdi, double layer) {
    std::printf("%-42s %10.3f %10.3f %7.2fx\n", what, gdi, layer, gdi / layer);
  };
  row("LineTo: the detailed orbit's polyline", MedianMs([&] { real.Polyline(); }),
      MedianMs([&] { ours.Polyline(); }));
  row("Ellipse: the three circles", MedianMs([&] { real.Circles(); }),
      MedianMs([&] { ours.Circles(); }));
  row("FillRect: the whole frame", MedianMs([&] { real.Fill(); }), MedianMs([&] { ours.Fill(); }));
  row("BitBlt: 24-bit raster into 32-bit layer", MedianMs([&] { real.CopyRender(); }),
      MedianMs([&] { ours.CopyRender(); }));
  row("BitBlt: 32-bit layer into 32-bit frame", MedianMs([&] { real.CopyFrame(); }),
      MedianMs([&] { ours.CopyFrame(); }));
  return 0;
}
