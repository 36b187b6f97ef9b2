#include "view/plane_mapping.h"

#include <cmath>

float PixelToPlane(int64_t offset, float scale, int32_t halfHeight) {
  return static_cast<float>(static_cast<double>(offset) * scale / halfHeight);
}

int32_t PixelAtOffset(int32_t origin, double offset) {
  if (std::isnan(offset)) return origin;
  // trunc first, then the origin: both are whole numbers, so the double sum is exact.
  const double value = origin + std::trunc(offset);
  if (value <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  if (value >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(value);
}

int32_t PlaneToPixel(int32_t origin, double value, float scale, int32_t halfHeight) {
  const float hf = static_cast<float>(halfHeight);
  return PixelAtOffset(origin, hf * value / scale);
}
