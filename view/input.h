// The keyboard and mouse commands of the main window. Each returns the window procedure's result.
#pragma once

#include <windows.h>

LRESULT OnKeyDown(HWND hwnd, WPARAM key, LPARAM lParam);
LRESULT OnMouseMove(HWND hwnd, WPARAM buttons, LPARAM position);
LRESULT OnRightButtonDown(HWND hwnd);
LRESULT OnMouseWheel(HWND hwnd, WPARAM wParam);
// Switches between the overlapped window and a borderless maximized popup.
void ToggleFullScreen(HWND hwnd);
