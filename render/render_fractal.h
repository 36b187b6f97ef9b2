#pragma once

#include "portable_win32/win32.h"

// Computes the escape-time picture for the current view into the raster buffer and copies its
// 2W x 2H top-left part (clipped to the buffer) into `target` at (0, 0).
void RenderFractal(HDC target);
