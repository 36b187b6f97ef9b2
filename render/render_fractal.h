#pragma once

#include <windows.h>

// Computes the escape-time picture for the current view into the raster buffer and copies its
// 2W x 2H top-left part (clipped to the buffer) into `target` at (0, 0).
void RenderFractal(HDC target);
