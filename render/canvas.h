// The drawing surfaces: screen-sized back buffer, fractal layer and raster buffer, and the grey
// pens, made at the first paint and kept for the life of the window.
#pragma once

#include <cstdint>

#include "portable_win32/win32.h"

constexpr int kGreyPenCount = 224;

extern HBITMAP g_frameBitmap;           // back buffer; its presence tells that the canvas exists
extern HBITMAP g_fractalBitmap;         // the last rendered escape-time picture
extern HBITMAP g_rasterBitmap;          // 24-bit bottom-up DIB section the raster is computed into
extern uint8_t* g_rasterBits;           // its first pixel byte, or null when it could not be made
extern int32_t g_rasterStride;          // bytes per row, as the platform reports it
extern int32_t g_rasterHeight;          // rows
extern HPEN g_greyPens[kGreyPenCount];  // pen i draws grey (i, i, i)
extern int32_t g_canvasWidth;           // the screen size at the first paint: every surface's size
extern int32_t g_canvasHeight;

void CreateCanvas(HDC dc);
void DestroyCanvas();
