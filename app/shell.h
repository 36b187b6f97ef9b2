// The main window: its class, creation, procedure and life-cycle messages, and the message loop.
#pragma once

#include "portable_win32/win32.h"

extern const char kWindowClassName[];
extern const char kWindowTitle[];

// Registers the class, creates the window and shows it; false when no window could be made.
bool CreateMainWindow(HINSTANCE instance, int showState);
// Dispatches until the quit message and returns its code.
int RunMessageLoop();
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// One paint of the window, as WM_PAINT gives it; the frame benchmark times it.
LRESULT OnPaint(HWND hwnd);
