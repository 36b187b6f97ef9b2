// Any view the window procedure can reach, and many it cannot (a scale taken from raw bits, so
// infinities, NaNs and subnormals occur), through the raster, the orbit and the overlay geometry.
// A write outside a buffer, a wrong byte in the picture or a coordinate that could not be drawn
// safely aborts.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render/escape_kernels.h"
#include "render/escape_raster.h"
#include "render/orbit.h"
#include "render/overlay_geometry.h"
#include "tests/expected_picture.h"

namespace {

constexpr uint8_t kUntouched = 0x11;  // no grey the raster writes
constexpr size_t kGuard = 64;
constexpr int32_t kMaxSide = 48;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_view: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint32_t Bytes(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i, ++at) v |= uint32_t{at < size ? data[at] : uint8_t{0}} << (8 * i);
    return v;
  }
};

struct View {
  int32_t halfWidth, halfHeight;
  float scale;
};

// The whole buffer with guard zones on both sides; every byte the picture does not cover must
// keep kUntouched, and every byte it covers must be a grey the reference computes.
void CheckRaster(const View& v, int32_t width, int32_t height, int32_t stride,
                 EscapeRowKernel kernel, std::vector<uint8_t>& block) {
  const size_t bytes = static_cast<size_t>(stride) * height;
  block.assign(bytes + 2 * kGuard, kUntouched);
  uint8_t* bits = block.data() + kGuard;
  ComputeEscapeRaster(bits, width, height, stride, v.halfWidth, v.halfHeight, v.scale, kernel);
  for (size_t i = 0; i < kGuard; ++i) {
    Check(block[i] == kUntouched, "raster wrote before its buffer");
    Check(block[kGuard + bytes + i] == kUntouched, "raster wrote after its buffer");
  }
  const int64_t columns = std::min<int64_t>(2 * int64_t{v.halfWidth}, width);
  const int64_t rows = std::min<int64_t>(2 * int64_t{v.halfHeight}, height);
  for (int32_t d = 0; d < height; ++d) {
    const uint8_t* row = bits + static_cast<size_t>(height - 1 - d) * stride;
    for (int32_t b = 0; b < stride; ++b) {
      const int32_t j = b / 3;
      const bool inPicture = d < rows && j < columns && b < 3 * width;
      if (!inPicture) {
        Check(row[b] == kUntouched, "raster wrote outside the picture or into row padding");
        continue;
      }
      if (b % 3 != 0) continue;
      const uint8_t grey = ExpectedGrey(j, d, v.halfWidth, v.halfHeight, v.scale);
      Check(row[b] == grey && row[b + 1] == grey && row[b + 2] == grey,
            "raster pixel is not the grey of its escape count");
    }
  }
}

void CheckOrbit(const View& v, int32_t seedX, int32_t seedY, int32_t steps, bool showSquares) {
  constexpr OrbitEntry kSentinel = {0x5A5A5A5A, -0x5A5A5A5B, 0x3C3C3C3C, -0x3C3C3C3D};
  static OrbitEntry block[kOrbitCapacity + 8];
  for (OrbitEntry& e : block) e = kSentinel;
  const int n = ComputeOrbit(block, v.halfWidth, v.halfHeight, v.scale, seedX, seedY, steps);
  const int limit = steps <= 0 ? 0 : std::min(steps, kOrbitStepLimit);
  Check(n >= 0 && n <= limit, "orbit length outside 0 ... steps");
  if (v.halfHeight == 0) Check(n == 0, "orbit drawn without a place in the plane");
  // The escaping step is written but not counted; nothing after it is touched.
  const int written = n < limit && v.halfHeight != 0 ? n + 1 : n;
  for (int k = written; k < kOrbitCapacity + 8; ++k) {
    Check(std::memcmp(&block[k], &kSentinel, sizeof kSentinel) == 0,
          "orbit wrote beyond its steps or its array");
  }
  if (written > 0) {
    Check(block[0].x1 == v.halfWidth && block[0].y1 == v.halfHeight,
          "z0 squared is not the origin pixel");
  }

  int moves = 0, lines = 0, lastPen = 223;
  int32_t lastX = 0, lastY = 0;
  TraceOrbit(
      block, n, showSquares,
      [&](int32_t x, int32_t y) {
        Check(moves == 0 && lines == 0, "polyline moved after it started");
        Check(x == block[n - 1].x2 && y == block[n - 1].y2, "polyline does not start at z_n");
        ++moves;
      },
      [&](int index) {
        Check(index >= 0 && index <= 222 && index <= lastPen, "pen outside 0 ... 222 or rising");
        lastPen = index;
      },
      [&](int32_t x, int32_t y) {
        Check(moves == 1, "line before the start point");
        lastX = x;
        lastY = y;
        ++lines;
      });
  if (n == 0) {
    Check(moves == 0 && lines == 0, "something drawn for an empty orbit");
    return;
  }
  Check(lines == (showSquares ? 2 * n - 1 : n), "wrong number of polyline segments");
  Check(lastX == v.halfWidth && lastY == v.halfHeight, "polyline does not end at the origin");
}

void CheckGeometry(const View& v, int32_t surfaceWidth, int32_t surfaceHeight, int64_t extent) {
  for (int32_t numerator : {2 * v.halfHeight, v.halfHeight, v.halfHeight / 2}) {
    const double r = CircleRadius(numerator, v.scale);
    Check(std::isnan(r) || std::isinf(r) || r == std::trunc(r), "radius not truncated");
    if (RingMissesSurface(v.halfWidth, v.halfHeight, r, surfaceWidth, surfaceHeight)) continue;
    // A ring that is drawn must be one GDI can take: its box is computed in 32 bits.
    Check(std::isfinite(r) && std::fabs(r) <= 200000.0, "ring drawn with a radius GDI cannot take");
    const int32_t ri = static_cast<int32_t>(r);
    const int64_t left = int64_t{v.halfWidth} - ri, right = int64_t{v.halfWidth} + ri;
    Check(left >= INT32_MIN && right <= INT32_MAX, "ring box beyond 32 bits");
  }
  for (int64_t e : {extent, 2 * int64_t{v.halfWidth}, 2 * int64_t{v.halfHeight}}) {
    for (int32_t limit : {surfaceWidth, surfaceHeight, -surfaceWidth}) {
      const int32_t c = ClipExtent(e, limit);
      Check(c >= 0 && c <= std::max(limit, 0), "extent not clipped to the surface");
      if (e >= 0 && e <= limit) Check(c == e, "extent clipped although it fits");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  View v;
  v.halfWidth = static_cast<int32_t>(in.Bytes(2) & 0x7FFF);
  v.halfHeight = static_cast<int32_t>(in.Bytes(2) & 0x7FFF);
  const uint32_t scaleBits = in.Bytes(4);
  std::memcpy(&v.scale, &scaleBits, sizeof v.scale);
  const int32_t seedX = static_cast<int32_t>(in.Bytes(2));
  const int32_t seedY = static_cast<int32_t>(in.Bytes(2));
  const int32_t steps = static_cast<int32_t>(in.Bytes(4));
  const uint32_t flags = in.Bytes(1);
  const int32_t width = static_cast<int32_t>(in.Bytes(1) % (kMaxSide + 1));
  const int32_t height = static_cast<int32_t>(in.Bytes(1) % (kMaxSide + 1));
  const int32_t stride = 3 * width + static_cast<int32_t>(in.Bytes(1) % 8);
  const int32_t surfaceWidth = static_cast<int32_t>(in.Bytes(2) & 0x7FFF);
  const int32_t surfaceHeight = static_cast<int32_t>(in.Bytes(2) & 0x7FFF);
  const int64_t extent = static_cast<int64_t>(uint64_t{in.Bytes(4)} | uint64_t{in.Bytes(4)} << 32);

  // Every row kernel this CPU runs, and the one the program takes, byte for byte the scalar one.
  static std::vector<uint8_t> scalar, other;
  CheckRaster(v, width, height, stride, EscapeRowScalar, scalar);
  for (const EscapeRowVariant& variant : kEscapeRowVariants) {
    if (variant.kernel == EscapeRowScalar || !variant.runs()) continue;
    CheckRaster(v, width, height, stride, variant.kernel, other);
    if (other != scalar) Fail(variant.name);
  }
  CheckRaster(v, width, height, stride, FastestEscapeRowKernel(), other);
  if (other != scalar) Fail("the program's row kernel differs from the scalar one");

  CheckOrbit(v, seedX, seedY, steps, (flags & 1) != 0);
  CheckGeometry(v, surfaceWidth, surfaceHeight, extent);
  return 0;
}
