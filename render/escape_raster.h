// The escape-time picture on a plain memory block laid out as the raster buffer: 24 bits per
// pixel (blue, green, red, all equal here), bottom-up rows of `stride` bytes.
#pragma once

#include <cstdint>

constexpr int kEscapeStepLimit = 50;
// 2W columns with W at most 32767: the most any row has.
constexpr int32_t kMaxEscapeColumns = 65534;

// Steps whose result stays within radius 2, at most 50, with the viewer's mixed float/double
// arithmetic: zr is carried in double, t, p, zi and the squares are rounded to float.
int EscapeCount(float cr, float ci);

// 255 for k = 0 or 1 down to 223 for k = 50.
inline uint8_t GreyForCount(int k) { return static_cast<uint8_t>(255 - 32 * k / 50); }

// The real parts of the seeds of columns 0 ... count - 1; the same for every row of a render.
struct EscapeColumns {
  const float* cr;
  int32_t count;
  bool ascending;  // no seed is smaller than the one before it, and none is not a number
};

// Fills seeds[0 ... count - 1] with the columns' real parts (count <= kMaxEscapeColumns).
EscapeColumns SeedColumns(float* seeds, int32_t count, int32_t halfWidth, int32_t halfHeight,
                          float scale);

// Computes the pixels of one display row (imaginary part ci), columns 0 ... count - 1, into
// `row` (3 bytes a pixel). Every variant must give the same bytes as the scalar one.
using EscapeRowKernel = void (*)(uint8_t* row, const EscapeColumns& columns, float ci);

void EscapeRowScalar(uint8_t* row, const EscapeColumns& columns, float ci);

// Computes display rows 0 ... H - 1 of the 2W x 2H picture and mirrors row i into row 2H - 1 - i.
// Everything is clipped to width x height: no byte outside the picture's pixels is written, so
// row padding and whatever lies beyond 2W x 2H keep their content.
void ComputeEscapeRaster(uint8_t* bits, int32_t width, int32_t height, int32_t stride,
                         int32_t halfWidth, int32_t halfHeight, float scale,
                         EscapeRowKernel kernel);
