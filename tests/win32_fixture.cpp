#include "win32_fixture.h"

#include "app/shell.h"
#include "view/view_state.h"

std::vector<uint32_t> ReadPixels(HBITMAP bitmap, int32_t width, int32_t height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : pixels) p &= 0xFFFFFFu;
  return pixels;
}

int GreyOf(uint32_t pixel) {
  const int b = pixel & 0xFF, g = (pixel >> 8) & 0xFF, r = (pixel >> 16) & 0xFF;
  return (r == g && g == b) ? r : -1;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

HWND OpenMainWindow(int32_t clientWidth, int32_t clientHeight) {
  ResetViewState();
  if (!CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) return nullptr;
  HWND hwnd = FindWindowA(kWindowClassName, kWindowTitle);
  if (hwnd == nullptr) return nullptr;
  RECT frame = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOMOVE);
  PumpMessages();
  return hwnd;
}

void CloseMainWindow(HWND hwnd) {
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  PumpMessages();
}
