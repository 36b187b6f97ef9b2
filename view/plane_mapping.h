// The one mapping between client pixels and the complex plane, which the raster, the orbit and
// the overlay all use: the origin 0 + 0i sits at pixel (W, H), and one pixel is s / H.
#pragma once

#include <cstdint>

// Pixel offset (x - W or y - H) to a coordinate of the complex plane: the product and quotient
// are taken in double from the integer difference, then rounded once to float. The difference is
// 64-bit so that any pair of 32-bit coordinates can form it.
float PixelToPlane(int64_t offset, float scale, int32_t halfHeight);

// A plane coordinate (a float, or the real part carried in double) back to a pixel:
// origin + trunc(Hf * value / s). Values beyond the 32-bit range, or not a number, are clamped
// so that the conversion to an integer is always defined.
int32_t PlaneToPixel(int32_t origin, double value, float scale, int32_t halfHeight);

// origin + trunc(offset) as a pixel coordinate, clamped to the 32-bit range; an offset that is
// not a number counts as 0.
int32_t PixelAtOffset(int32_t origin, double offset);
