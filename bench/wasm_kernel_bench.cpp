// The escape-time raster of a 1920 x 1080 client at the start view (W 960, H 540, scale 1) with
// every row kernel of the wasm32 build, under a WASI runner (Google Benchmark is not built for
// WebAssembly): milliseconds a frame, and how many times faster than the scalar reference.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "render/escape_kernels.h"
#include "render/escape_raster.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int32_t kStride = kWidth * 3;
constexpr int kFrames = 9;

uint8_t g_picture[kStride * kHeight];

using Clock = std::chrono::steady_clock;

// The median of kFrames frames, after one that warms the engine's tiers up.
double MedianFrameMs(EscapeRowKernel kernel) {
  double ms[kFrames];
  for (int i = -1; i < kFrames; ++i) {
    const Clock::time_point start = Clock::now();
    ComputeEscapeRaster(g_picture, kWidth, kHeight, kStride, kWidth / 2, kHeight / 2, 1.0f, kernel);
    const double frame = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (i >= 0) ms[i] = frame;
  }
  std::sort(ms, ms + kFrames);
  return ms[kFrames / 2];
}

}  // namespace

int main() {
  std::printf("%-22s %12s %10s\n", "kernel", "median ms", "speed-up");
  double scalar = 0;
  for (const EscapeRowVariant& variant : kEscapeRowVariants) {
    const double ms = MedianFrameMs(variant.kernel);
    if (variant.kernel == EscapeRowScalar) scalar = ms;
    std::printf("%-22s %12.2f %9.1fx\n", variant.name, ms, scalar / ms);
  }
  return 0;
}
