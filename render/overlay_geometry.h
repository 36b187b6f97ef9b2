// Sizes and clipping of what a frame draws, free of any platform call.
#pragma once

#include <cstdint>

// An extent to copy, clipped to a surface's size (and never negative).
int32_t ClipExtent(int64_t extent, int32_t limit);

// trunc(numerator / s), taken in double; may be infinite or beyond the 32-bit range.
double CircleRadius(int32_t numerator, float scale);

// True when the ring of radius r about (cx, cy) cannot touch a width x height surface: the whole
// surface lies inside it, or it lies wholly beside the surface. Such circles are not drawn.
bool RingMissesSurface(int32_t cx, int32_t cy, double radius, int32_t width, int32_t height);
