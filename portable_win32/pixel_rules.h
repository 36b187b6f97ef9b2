// Which pixels GDI touches when it draws with a one-pixel solid pen, fills a rectangle or copies a
// block, on memory the caller owns. No handles and no system calls: the drawing contexts of
// gdi.cpp call these with the surface of their selected bitmap or window.
#pragma once

#include <cstdint>

namespace portable_win32 {

// A block of pixels as GDI lays out its bitmaps: blue, green, red bytes, then a zero byte in the
// 32-bit format; `stride` bytes from one stored row to the next; bottom-up rows store the last
// display row first, as a DIB with a positive height does. A surface may be a window's paint area
// only, whose first pixel lies at (originX, originY) of the coordinates drawn in.
struct Surface {
  uint8_t* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  int32_t bitsPerPixel = 32;  // 32 or 24
  bool bottomUp = false;
  int32_t originX = 0;
  int32_t originY = 0;

  uint8_t* Row(int32_t y) const {
    return bits + static_cast<intptr_t>(bottomUp ? height - 1 - y : y) * stride;
  }
};

// Colours are COLORREFs, 0x00BBGGRR.
// Fills left ... right - 1 by top ... bottom - 1; an empty or inverted rectangle fills nothing.
void FillPixels(const Surface& surface, int32_t left, int32_t top, int32_t right, int32_t bottom,
                uint32_t colour);
// The line from (x0, y0) towards (x1, y1): its first pixel drawn, its last not.
void DrawLinePixels(const Surface& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                    uint32_t colour);
// The outline of the ellipse inscribed in the box, within left ... right - 1 and top ... bottom
// - 1.
void DrawEllipsePixels(const Surface& surface, int32_t left, int32_t top, int32_t right,
                       int32_t bottom, uint32_t colour);
// A plain copy of width x height pixels from (fromX, fromY) of `from` to (x, y) of `to`, clipped
// to both surfaces, converting between the 24- and 32-bit formats.
void CopyPixels(const Surface& to, int32_t x, int32_t y, int32_t width, int32_t height,
                const Surface& from, int32_t fromX, int32_t fromY);

}  // namespace portable_win32
