// The core's arithmetic under whichever compiler built this: every escape-row kernel against the
// scalar one, byte for byte, and orbits against steps worked out by hand. It needs only the core
// and the C library, so it runs where GoogleTest cannot be built (clang-cl with Wine's CRT).
// It also prints fingerprints of a whole picture and of long orbits, which must be the same from
// every compiler and CPU (tests/same-arithmetic.sh compares them).
#include <stdio.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "render/escape_kernels.h"
#include "render/escape_raster.h"
#include "render/orbit.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const char* what, int index) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    printf("FAILED: %s [%d]\n", what, index);
  }
}

struct View {
  int32_t width, height;  // the buffer
  int32_t halfWidth, halfHeight;
  float scale;
};

constexpr size_t kGuard = 64;
constexpr size_t kBlockLimit = 1 << 20;
uint8_t g_expected[kBlockLimit + 2 * kGuard];
uint8_t g_actual[kBlockLimit + 2 * kGuard];

// Never a grey of the picture (223 ... 255), and different from byte to byte.
uint8_t Fill(size_t i) { return static_cast<uint8_t>((i * 37 + 11) % 223); }

// Renders into a prefilled block with guard zones around it; false if a guard byte changed.
bool Render(const View& v, EscapeRowKernel kernel, uint8_t* memory, size_t* bytes) {
  const int32_t stride = (v.width * 3 + 3) & ~3;
  *bytes = static_cast<size_t>(stride) * v.height + 2 * kGuard;
  for (size_t i = 0; i < *bytes; ++i) memory[i] = Fill(i);
  ComputeEscapeRaster(memory + kGuard, v.width, v.height, stride, v.halfWidth, v.halfHeight,
                      v.scale, kernel);
  for (size_t i = 0; i < kGuard; ++i) {
    if (memory[i] != Fill(i) || memory[*bytes - 1 - i] != Fill(*bytes - 1 - i)) return false;
  }
  return true;
}

void CheckKernels() {
  const float nan = NAN, inf = INFINITY, subnormal = 1e-40f;
  View views[64] = {
      {1, 1, 1, 1, 1.0f},          {3, 1, 1, 1, 0.5f},          {129, 97, 64, 48, 1.0f},
      {127, 95, 63, 47, 4.0f},     {3, 50, 1, 25, 1.0f},        {2, 40, 1, 20, 0.01f},
      {60, 2, 30, 1, 1.0f},        {61, 1, 30, 1, 1.06f},       {30, 20, 0, 10, 1.0f},
      {30, 20, 10, 0, 1.0f},       {321, 201, 160, 100, 1.0f},  {321, 201, 160, 100, 4.0f},
      {321, 201, 160, 100, 0.01f}, {321, 201, 160, 100, 1.06f}, {41, 21, 20, 10, nan},
      {41, 21, 20, 10, inf},       {41, 21, 20, 10, subnormal}, {41, 21, 20, 10, 3e38f},
      {201, 150, 160, 100, 1.0f},   // narrower and lower than 2W x 2H
      {101, 250, 160, 100, 0.01f},  // narrower than 2W, taller than 2H
  };
  int count = 20;
  // Every remainder of a row against the lanes of up to three vectors of four.
  for (int32_t w = 1; w <= 13; ++w) views[count++] = {2 * w + 1, 5, w, 2, 1.0f};
  for (int variant = 1; variant < kEscapeRowVariantCount; ++variant) {
    const EscapeRowVariant& kernel = kEscapeRowVariants[variant];
    if (!kernel.runs()) {
      printf("skipped: %s does not run on this CPU\n", kernel.name);
      continue;
    }
    for (int i = 0; i < count; ++i) {
      size_t bytes = 0;
      const bool scalarKept = Render(views[i], kEscapeRowVariants[0].kernel, g_expected, &bytes);
      const bool kernelKept = Render(views[i], kernel.kernel, g_actual, &bytes);
      Check(scalarKept && kernelKept, "guard bytes kept", i);
      size_t first = 0;
      while (first < bytes && g_expected[first] == g_actual[first]) ++first;
      if (first < bytes) {
        printf("%s, view %d (%dx%d W=%d H=%d s=%g): byte %d is %d, scalar %d\n", kernel.name, i,
               views[i].width, views[i].height, views[i].halfWidth, views[i].halfHeight,
               static_cast<double>(views[i].scale), static_cast<int>(first - kGuard),
               g_actual[first], g_expected[first]);
      }
      Check(first == bytes, kernel.name, i);
    }
  }
}

OrbitEntry g_orbit[kOrbitCapacity];

bool Is(const OrbitEntry& e, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return e.x1 == x1 && e.y1 == y1 && e.x2 == x2 && e.y2 == y2;
}

// W = H = 100 and s = 1: c = (x - 100) / 100 + i (y - 100) / 100 and a plane value v maps to
// pixel 100 + trunc(100 v). Every value below is exact in float.
void CheckOrbits() {
  // c = 0: z stays 0, the view centre.
  bool ok = ComputeOrbit(g_orbit, 100, 100, 1.0f, 100, 100, 6) == 6;
  for (int k = 0; k < 6; ++k) ok = ok && Is(g_orbit[k], 100, 100, 100, 100);
  Check(ok, "orbit of c = 0", 0);
  // c = -1: 0 -> -1 -> 0 -> -1 ..., the square alternating 0 and 1.
  ok = ComputeOrbit(g_orbit, 100, 100, 1.0f, 0, 100, 7) == 7;
  for (int k = 0; k < 7; ++k) {
    ok = ok && (k % 2 == 0 ? Is(g_orbit[k], 100, 100, 0, 100) : Is(g_orbit[k], 200, 100, 100, 100));
  }
  Check(ok, "orbit of c = -1", 0);
  // c = i: 0 -> i -> -1+i -> -i -> -1+i -> -i ...; the squares are 0, -1, -2i, -1, -2i ...
  ok =
      ComputeOrbit(g_orbit, 100, 100, 1.0f, 100, 200, 8) == 8 && Is(g_orbit[0], 100, 100, 100, 200);
  for (int k = 1; k < 8; ++k) {
    ok = ok && (k % 2 == 1 ? Is(g_orbit[k], 0, 100, 0, 200) : Is(g_orbit[k], 100, -100, 100, 0));
  }
  Check(ok, "orbit of c = i", 0);
  // c = 2: 0 -> 2 -> 6 -> 38, whose square 1444 is beyond radius 10: step 2 is written, not drawn.
  ok = ComputeOrbit(g_orbit, 100, 100, 1.0f, 300, 100, 50) == 2 &&
       Is(g_orbit[0], 100, 100, 300, 100) && Is(g_orbit[1], 500, 100, 700, 100) &&
       Is(g_orbit[2], 3700, 100, 3900, 100);
  Check(ok, "orbit of c = 2", 0);
  // W = H = 50 and s = 2: c = -1 at x = 25, and v maps to pixel 50 + trunc(25 v).
  ok = ComputeOrbit(g_orbit, 50, 50, 2.0f, 25, 50, 3) == 3 && Is(g_orbit[0], 50, 50, 25, 50) &&
       Is(g_orbit[1], 75, 50, 50, 50) && Is(g_orbit[2], 50, 50, 25, 50);
  Check(ok, "orbit of c = -1 at scale 2", 0);
  Check(ComputeOrbit(g_orbit, 100, 0, 1.0f, 0, 0, 10) == 0, "no orbit with H = 0", 0);
  Check(ComputeOrbit(g_orbit, 100, 100, 1.0f, 100, 100, 5000) == kOrbitStepLimit,
        "orbit length capped", 0);
}

uint64_t Fnv1a(uint64_t hash, const void* data, size_t bytes) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < bytes; ++i) hash = (hash ^ p[i]) * 0x100000001B3u;
  return hash;
}

constexpr uint64_t kFnvBasis = 0xCBF29CE484222325u;
uint8_t g_picture[1080 * 1920 * 3];

// The picture of a 1920 x 1080 client at the start scale by the kernel the program takes on this
// CPU, and bounded orbits of 4095 steps on the chaotic part of the real axis and near the
// boundary, in which one rounding that differs grows until it shows in the pixels.
void PrintFingerprints() {
  const EscapeRowKernel kernel = FastestEscapeRowKernel();
  for (const EscapeRowVariant& variant : kEscapeRowVariants) {
    if (variant.kernel == kernel) printf("the program's kernel: %s\n", variant.name);
  }
  ComputeEscapeRaster(g_picture, 1920, 1080, 1920 * 3, 960, 540, 1.0f, kernel);
  printf("fingerprint picture 1920x1080 s=1: %016llx\n",
         static_cast<unsigned long long>(Fnv1a(kFnvBasis, g_picture, sizeof g_picture)));
  uint64_t hash = kFnvBasis;
  const int32_t seeds[][2] = {
      {-8738, 32767}, {-6553, 32767}, {30583, 46988}};  // -1.9, -1.8, -0.1+0.651i
  for (const auto& seed : seeds) {
    const int n = ComputeOrbit(g_orbit, 32767, 32767, 1.5f, seed[0], seed[1], kOrbitStepLimit);
    printf("orbit of (%d, %d): %d steps\n", seed[0], seed[1], n);
    hash = Fnv1a(hash, &n, sizeof n);
    hash = Fnv1a(hash, g_orbit, sizeof(OrbitEntry) * (n + 1 < kOrbitCapacity ? n + 1 : n));
  }
  printf("fingerprint orbits: %016llx\n", static_cast<unsigned long long>(hash));
}

}  // namespace

int main() {
  CheckKernels();
  CheckOrbits();
  PrintFingerprints();
  printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
