// One frame: composed in the back buffer, then copied to the window in one block.
#pragma once

#include <windows.h>

// Requires the canvas. Fills, overlays and copies the client extent (clipped to the canvas).
void PaintFrame(HWND hwnd, HDC dc);
// Fractal layer, three circles, two axes and the orbit, back to front.
void DrawOverlay(HDC dc);
// Copies the fractal layer into dc, rendering it first when the redraw flag is set.
void PresentFractal(HDC dc);
