// One frame: composed in the back buffer, then copied to the window in one block.
#pragma once

#include "portable_win32/win32.h"

// Requires the canvas. Fills, overlays and copies the client extent (clipped to the canvas).
void PaintFrame(HWND hwnd, HDC dc);
