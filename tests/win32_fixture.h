// Helpers for tests that drive the real window and the real GDI under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

// A float's bits and back, so that zoom results are compared to the last bit.
inline uint32_t BitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
inline float FloatOf(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Reads a bitmap's pixels as 32-bit 0x00RRGGBB values, top-down, through GetDIBits.
std::vector<uint32_t> ReadPixels(HBITMAP bitmap, int32_t width, int32_t height);

// Grey level of a 0x00RRGGBB pixel, or -1 when its three channels differ.
int GreyOf(uint32_t pixel);

// A COLORREF (0x00BBGGRR) as ReadPixels reports it (0x00RRGGBB).
uint32_t PixelOf(COLORREF colour);

// A bitmap read back whole, addressed by (x, y).
struct Picture {
  int32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  int GreyAt(int32_t x, int32_t y) const { return GreyOf(At(x, y)); }
};
Picture ReadBitmap(HBITMAP bitmap, int32_t width, int32_t height);
// The back buffer, the whole canvas.
Picture ReadFrame();
// What the window shows: its client area copied out of a window context.
Picture ReadClient(HWND hwnd);

// Fills the whole of a bitmap with one colour, to tell later what was drawn over it.
void FillBitmap(HBITMAP bitmap, int32_t width, int32_t height, COLORREF colour);

// The program's main window made by its own CreateMainWindow, resized to a client area of
// width x height, with the view state reset first. Destroying it ends the message loop's quit.
HWND OpenMainWindow(int32_t clientWidth, int32_t clientHeight);
void CloseMainWindow(HWND hwnd);
// Dispatches what is queued, without waiting.
void PumpMessages();
// Resizes the client area of the (overlapped) main window; the WM_SIZE arrives within the call.
void ResizeClient(HWND hwnd, int32_t clientWidth, int32_t clientHeight);

// Puts a recorder in front of the window procedure: it counts every message the window gets and
// keeps the result the procedure gave for each message number last.
void RecordMessages(HWND hwnd);
void ForgetMessages();
int MessagesSeen(UINT message);
LRESULT LastResult(UINT message);
