#include "render/overlay_geometry.h"

#include <algorithm>
#include <cmath>

int32_t ClipExtent(int64_t extent, int32_t limit) {
  return static_cast<int32_t>(std::clamp<int64_t>(extent, 0, std::max(limit, 0)));
}

double CircleRadius(int32_t numerator, float scale) {
  return std::trunc(static_cast<double>(numerator) / scale);
}

bool RingMissesSurface(int32_t cx, int32_t cy, double radius, int32_t width, int32_t height) {
  if (std::isnan(radius)) return true;
  // Distances from the centre to the nearest and farthest points of the surface.
  const double left = cx, top = cy;
  const double dx = std::max({0.0, -left, left - (width - 1)});
  const double dy = std::max({0.0, -top, top - (height - 1)});
  const double fx = std::max(std::abs(left), std::abs(left - (width - 1)));
  const double fy = std::max(std::abs(top), std::abs(top - (height - 1)));
  const double nearest = std::hypot(dx, dy);
  const double farthest = std::hypot(fx, fy);
  // Two pixels of slack for the outline's own rounding.
  return radius > farthest + 2.0 || radius < nearest - 2.0;
}
