#pragma once

#include "portable_win32/win32.h"

// Draws the orbit of the seed pixel as a backward polyline in grey pens. Leaves its last pen
// selected in `dc`: the caller restores its own.
void DrawOrbit(HDC dc);
