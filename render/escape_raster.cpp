#include "render/escape_raster.h"

#include <algorithm>
#include <cstring>

#include "view/plane_mapping.h"

int EscapeCount(float cr, float ci) {
  double zr = 0.0;
  float zi = 0.0f;
  float zr2 = 0.0f;
  float zi2 = 0.0f;
  int k = 0;
  for (;;) {
    const float t = static_cast<float>(static_cast<double>(zr2) - zi2);
    const float p = static_cast<float>(2.0 * zi * zr);
    zr = cr + static_cast<double>(t);
    // The unrounded sum goes into the square; only the stored zi is rounded.
    const double ziExact = static_cast<double>(p) + ci;
    zi = static_cast<float>(ziExact);
    zi2 = static_cast<float>(ziExact * zi);
    zr2 = static_cast<float>(zr * zr);
    if (static_cast<double>(zr2) + zi2 > 4.0) return k;
    if (++k == kEscapeStepLimit) return k;
  }
}

EscapeColumns SeedColumns(float* seeds, int32_t count, int32_t halfWidth, int32_t halfHeight,
                          float scale) {
  bool ascending = count > 0;
  for (int32_t j = 0; j < count; ++j) {
    seeds[j] = PixelToPlane(j - halfWidth, scale, halfHeight);
    // A comparison with a NaN is false.
    ascending = ascending && (j == 0 ? seeds[j] == seeds[j] : seeds[j - 1] <= seeds[j]);
  }
  return {seeds, count, ascending};
}

void EscapeRowScalar(uint8_t* row, const EscapeColumns& columns, float ci) {
  for (int32_t j = 0; j < columns.count; ++j) {
    const uint8_t v = GreyForCount(EscapeCount(columns.cr[j], ci));
    row[3 * j] = v;
    row[3 * j + 1] = v;
    row[3 * j + 2] = v;
  }
}

namespace {

// A column's real part depends on nothing else: computed once per render, not once per row.
float g_columnSeeds[kMaxEscapeColumns];

}  // namespace

void ComputeEscapeRaster(uint8_t* bits, int32_t width, int32_t height, int32_t stride,
                         int32_t halfWidth, int32_t halfHeight, float scale,
                         EscapeRowKernel kernel) {
  if (bits == nullptr || width <= 0 || height <= 0 || halfWidth <= 0 || halfHeight <= 0) return;
  // W is at most 32767; the bound only keeps the seeds within their array.
  const int32_t columns = static_cast<int32_t>(
      std::min<int64_t>({2 * int64_t{halfWidth}, width, int64_t{kMaxEscapeColumns}}));
  // Row i < H lies above its mirror 2H - 1 - i, so rows at or below the buffer's end need no work.
  const int32_t rows = std::min(halfHeight, height);
  const size_t rowBytes = static_cast<size_t>(columns) * 3;
  const EscapeColumns seeds = SeedColumns(g_columnSeeds, columns, halfWidth, halfHeight, scale);
  for (int32_t i = 0; i < rows; ++i) {
    uint8_t* row = bits + static_cast<size_t>(height - 1 - i) * stride;
    kernel(row, seeds, PixelToPlane(i - halfHeight, scale, halfHeight));
    const int32_t mirror = 2 * halfHeight - 1 - i;
    if (mirror < height) {
      std::memcpy(bits + static_cast<size_t>(height - 1 - mirror) * stride, row, rowBytes);
    }
  }
}
