#include "win32_fixture.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "app/shell.h"
#include "render/canvas.h"
#include "view/view_state.h"

std::vector<HGDIOBJ> CanvasObjects() {
  std::vector<HGDIOBJ> objects = {g_frameBitmap, g_fractalBitmap, g_rasterBitmap};
  objects.insert(objects.end(), std::begin(g_greyPens), std::end(g_greyPens));
  return objects;
}

int GreyOf(uint32_t pixel) {
  const int b = pixel & 0xFF, g = (pixel >> 8) & 0xFF, r = (pixel >> 16) & 0xFF;
  return (r == g && g == b) ? r : -1;
}

uint32_t PixelOf(COLORREF colour) {
  return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

Picture ReadBitmap(HBITMAP bitmap, int32_t width, int32_t height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  Picture picture{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, height, picture.pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : picture.pixels) p &= 0xFFFFFFu;
  return picture;
}

Picture ReadFrame() { return ReadBitmap(g_frameBitmap, g_canvasWidth, g_canvasHeight); }

Picture ReadClient(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  HDC window = GetDC(hwnd);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP copy = CreateCompatibleBitmap(window, client.right, client.bottom);
  HGDIOBJ previous = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, client.right, client.bottom, window, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(hwnd, window);
  Picture picture = ReadBitmap(copy, client.right, client.bottom);
  DeleteObject(copy);
  return picture;
}

void FillBitmap(HBITMAP bitmap, int32_t width, int32_t height, COLORREF colour) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  HBRUSH brush = CreateSolidBrush(colour);
  RECT all = {0, 0, width, height};
  FillRect(memory, &all, brush);
  DeleteObject(brush);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void ResizeClient(HWND hwnd, int32_t clientWidth, int32_t clientHeight) {
  RECT frame = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOMOVE);
}

HWND OpenMainWindow(int32_t clientWidth, int32_t clientHeight) {
  ResetViewState();
  if (!CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) return nullptr;
  HWND hwnd = FindWindowA(kWindowClassName, kWindowTitle);
  if (hwnd == nullptr) return nullptr;
  ResizeClient(hwnd, clientWidth, clientHeight);
  PumpMessages();
  return hwnd;
}

void CloseMainWindow(HWND hwnd) {
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  PumpMessages();
}

namespace {

std::vector<Message> g_received;
std::map<UINT, LRESULT> g_results;
WNDPROC g_recordedProc = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_received.push_back({message, wParam, lParam});
  const LRESULT result = CallWindowProcA(g_recordedProc, hwnd, message, wParam, lParam);
  g_results[message] = result;
  return result;
}

}  // namespace

WNDPROC RecordMessages(HWND hwnd) {
  ForgetMessages();
  g_recordedProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
  return g_recordedProc;
}

void ForgetMessages() {
  g_received.clear();
  g_results.clear();
}

const std::vector<Message>& MessagesReceived() { return g_received; }

int MessagesSeen(UINT message) {
  return static_cast<int>(std::count_if(g_received.begin(), g_received.end(),
                                        [&](const Message& m) { return m.id == message; }));
}

LRESULT LastResult(UINT message) {
  const auto found = g_results.find(message);
  return found == g_results.end() ? -12345 : found->second;
}
