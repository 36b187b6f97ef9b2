// The keyboard and mouse commands of the main window, with the arguments the window procedure
// has decoded. Each returns the window procedure's result.
#pragma once

#include <cstdint>

#include "portable_win32/win32.h"

// `lParam` goes on to the default handling of keys that are not commands.
LRESULT OnKeyDown(HWND hwnd, WPARAM key, LPARAM lParam);
LRESULT OnMouseMove(HWND hwnd, bool leftButton, uint16_t x, uint16_t y);
LRESULT OnRightButtonDown(HWND hwnd);
LRESULT OnMouseWheel(HWND hwnd, int16_t delta);
