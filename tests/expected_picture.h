// What the escape-time picture must show, from the core's scalar arithmetic alone. No platform
// header and no test framework: the unit tests, the screen checker and the fuzzer can all use it.
#pragma once

#include <cstdint>
#include <vector>

#include "render/escape_raster.h"
#include "view/plane_mapping.h"

constexpr int kOverlayGrey = 207;   // circles and axes
constexpr int kFractalFloor = 223;  // the darkest grey of the picture; the orbit stays below it

// Only rows 0 ... H - 1 of the 2W x 2H picture are computed: display row y >= H shows row
// 2H - 1 - y, so the row below the real axis repeats the one above it.
inline int32_t ComputedRow(int32_t y, int32_t halfHeight) {
  return y < halfHeight ? y : 2 * halfHeight - 1 - y;
}

// The grey of display pixel (x, y) of the picture at scale s.
inline uint8_t ExpectedGrey(int32_t x, int32_t y, int32_t halfWidth, int32_t halfHeight,
                            float scale) {
  return GreyForCount(
      EscapeCount(PixelToPlane(x - halfWidth, scale, halfHeight),
                  PixelToPlane(ComputedRow(y, halfHeight) - halfHeight, scale, halfHeight)));
}

// The whole picture for one view, worked out once and read by display pixel.
struct ExpectedPicture {
  int32_t halfWidth, halfHeight;
  std::vector<uint8_t> upper;  // rows 0 ... H - 1

  ExpectedPicture(int32_t w, int32_t h, float scale)
      : halfWidth(w), halfHeight(h), upper(static_cast<size_t>(2 * w) * h) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < 2 * w; ++x) upper[Index(x, y)] = ExpectedGrey(x, y, w, h, scale);
  }
  int At(int32_t x, int32_t y) const { return upper[Index(x, ComputedRow(y, halfHeight))]; }
  size_t Index(int32_t x, int32_t y) const { return static_cast<size_t>(y) * 2 * halfWidth + x; }
};
