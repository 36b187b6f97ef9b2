// Helpers for tests that drive the real window and the real GDI under Wine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "portable_win32/win32.h"

// Bits the window manager keeps in a window's style on its own: visibility and the minimized or
// maximized state follow ShowWindow, and a top-level window always clips its siblings.
constexpr LONG kSystemStyleBits = WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE | WS_CLIPSIBLINGS;

// A colour the program never draws: filled in first, it tells later what was drawn over it.
constexpr COLORREF kMarker = RGB(255, 0, 0);

// The canvas's GDI objects: its three bitmaps (back buffer, fractal layer, raster), then its pens.
std::vector<HGDIOBJ> CanvasObjects();

// Grey level of a 0x00RRGGBB pixel, or -1 when its three channels differ.
int GreyOf(uint32_t pixel);

// A COLORREF (0x00BBGGRR) as a Picture holds it (0x00RRGGBB).
uint32_t PixelOf(COLORREF colour);

// A bitmap read back whole, top-down as 0x00RRGGBB pixels, addressed by (x, y).
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

struct Message {
  UINT id;
  WPARAM wParam;
  LPARAM lParam;
};

// Puts a recorder in front of the window procedure and returns that procedure. The recorder keeps
// every message the window gets, in order, and the result the procedure gave for each message
// number last.
WNDPROC RecordMessages(HWND hwnd);
void ForgetMessages();
const std::vector<Message>& MessagesReceived();
int MessagesSeen(UINT message);
LRESULT LastResult(UINT message);
