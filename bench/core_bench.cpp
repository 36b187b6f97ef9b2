// The escape-time raster of a 1920 x 1080 screen for every row kernel at three views, the
// program's kernel at every zoom scale, and the longest orbit.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "render/escape_kernels.h"
#include "render/escape_raster.h"
#include "render/orbit.h"
#include "view/plane_mapping.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int32_t kStride = (kWidth * 3 + 3) & ~3;

// Iteration steps the whole view takes, counted once with the scalar reference: a pixel that
// escapes at count k took k + 1 steps, one that stays took 50.
double ViewSteps(float scale) {
  double steps = 0;
  for (int32_t i = 0; i < kHeight / 2; ++i) {
    const float ci = PixelToPlane(i - kHeight / 2, scale, kHeight / 2);
    for (int32_t j = 0; j < kWidth; ++j) {
      const float cr = PixelToPlane(j - kWidth / 2, scale, kHeight / 2);
      const int k = EscapeCount(cr, ci);
      steps += k < kEscapeStepLimit ? k + 1 : k;
    }
  }
  return steps;
}

void Raster(benchmark::State& state, EscapeRowKernel kernel, float scale, double viewSteps) {
  std::vector<uint8_t> buffer(static_cast<size_t>(kStride) * kHeight);
  for (auto _ : state) {
    ComputeEscapeRaster(buffer.data(), kWidth, kHeight, kStride, kWidth / 2, kHeight / 2, scale,
                        kernel);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  const double pixels = static_cast<double>(kWidth) * kHeight;
  state.counters["px/s"] =
      benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate);
  // Seconds per step of the scalar reference's count: shown with n (nanoseconds) or p.
  if (viewSteps > 0) {
    state.counters["s/step"] = benchmark::Counter(
        viewSteps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  }
}

const EscapeRowVariant& FastestVariant() {
  for (const EscapeRowVariant& variant : kEscapeRowVariants) {
    if (variant.kernel == FastestEscapeRowKernel()) return variant;
  }
  return kEscapeRowVariants[0];
}

void Orbit(benchmark::State& state) {
  static OrbitEntry entries[kOrbitCapacity];
  // c = -0.1226 + 0.7449i, in the period-3 bulb: all 4095 steps are taken.
  const int32_t seedX = kWidth / 2 - 66, seedY = kHeight / 2 + 402;
  int n = 0;
  for (auto _ : state) {
    n = ComputeOrbit(entries, kWidth / 2, kHeight / 2, 1.0f, seedX, seedY, kOrbitStepLimit);
    benchmark::DoNotOptimize(entries);
  }
  if (n != kOrbitStepLimit) state.SkipWithError("the seed's orbit escaped early");
  state.counters["s/step"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

int main(int argc, char** argv) {
  for (const float scale : {1.0f, 0.01f, 4.0f}) {
    const double viewSteps = ViewSteps(scale);
    for (const EscapeRowVariant& variant : kEscapeRowVariants) {
      if (!variant.runs()) continue;
      const std::string name = std::string("Raster1920x1080/s=") +
                               (scale == 1.0f   ? "1"
                                : scale == 4.0f ? "4"
                                                : "0.01") +
                               "/" + variant.name;
      benchmark::RegisterBenchmark(name.c_str(), Raster, variant.kernel, scale, viewSteps)
          ->Unit(benchmark::kMillisecond)
          ->MinTime(0.5);
    }
  }
  // Every scale 1.06^k of the zoom range against the scalar reference, one render each for the
  // reference (up to 0.4 s) and a few for the program's kernel.
  const EscapeRowVariant& fastest = FastestVariant();
  for (int k = -60; k <= 60; ++k) {
    const float scale = static_cast<float>(std::pow(1.06, k));
    const std::string view = "Raster1920x1080/k=" + std::to_string(k) + "/";
    benchmark::RegisterBenchmark((view + "scalar").c_str(), Raster, EscapeRowScalar, scale, 0.0)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark((view + fastest.name).c_str(), Raster, fastest.kernel, scale, 0.0)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(20);
  }
  benchmark::RegisterBenchmark("Orbit4095", Orbit)->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
