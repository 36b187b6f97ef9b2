#pragma once

#include <windows.h>

// Draws the orbit of the seed pixel as a backward polyline in grey pens. Leaves its last pen
// selected in `dc`: the caller restores its own.
void DrawOrbit(HDC dc);
