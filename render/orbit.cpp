#include "render/orbit.h"

#include "view/plane_mapping.h"

int ComputeOrbit(OrbitEntry* entries, int32_t halfWidth, int32_t halfHeight, float scale,
                 int32_t seedX, int32_t seedY, int32_t steps) {
  if (steps <= 0 || halfHeight == 0) return 0;
  if (steps > kOrbitStepLimit) steps = kOrbitStepLimit;  // the array has room for no more
  const float cr = PixelToPlane(int64_t{seedX} - halfWidth, scale, halfHeight);
  const float ci = PixelToPlane(int64_t{seedY} - halfHeight, scale, halfHeight);
  double zr = 0.0;
  float zi = 0.0f;
  float zr2 = 0.0f;
  float zi2 = 0.0f;
  for (int k = 0;; ++k) {
    const float t = static_cast<float>(static_cast<double>(zr2) - zi2);
    const float q = static_cast<float>(2.0 * zi * zr);
    OrbitEntry& e = entries[k];
    e.x1 = PlaneToPixel(halfWidth, t, scale, halfHeight);
    e.y1 = PlaneToPixel(halfHeight, q, scale, halfHeight);
    zr = cr + static_cast<double>(t);
    zi = static_cast<float>(static_cast<double>(q) + ci);
    e.x2 = PlaneToPixel(halfWidth, zr, scale, halfHeight);
    e.y2 = PlaneToPixel(halfHeight, zi, scale, halfHeight);
    zi2 = static_cast<float>(static_cast<double>(zi) * zi);
    zr2 = static_cast<float>(zr * zr);
    if (static_cast<double>(zr2) + zi2 > 100.0) return k;
    if (k + 1 == steps) return steps;
  }
}
