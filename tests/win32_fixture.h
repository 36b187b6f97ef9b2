// Helpers for tests that drive the real window and the real GDI under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Reads a bitmap's pixels as 32-bit 0x00RRGGBB values, top-down, through GetDIBits.
std::vector<uint32_t> ReadPixels(HBITMAP bitmap, int32_t width, int32_t height);

// Grey level of a 0x00RRGGBB pixel, or -1 when its three channels differ.
int GreyOf(uint32_t pixel);

// The program's main window made by its own CreateMainWindow, resized to a client area of
// width x height, with the view state reset first. Destroying it ends the message loop's quit.
HWND OpenMainWindow(int32_t clientWidth, int32_t clientHeight);
void CloseMainWindow(HWND hwnd);
// Dispatches what is queued, without waiting.
void PumpMessages();
