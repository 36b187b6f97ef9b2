#include "app/shell.h"

#include "render/canvas.h"
#include "render/frame.h"
#include "view/input.h"
#include "view/view_state.h"

const char kWindowClassName[] = "Ostrevane";
const char kWindowTitle[] =
    "F11 FullScreen, F5 Redraw; Mouse: RClick PolyLine, LMove Iterations, Wheel Zoom";

namespace {

LRESULT OnSize(HWND hwnd, WPARAM kind, uint16_t width, uint16_t height);
LRESULT OnDestroy();

void RegisterMainClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  // Only the platform's default erase uses this brush; every paint covers it with a frame.
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENUTEXT + 1));
  windowClass.lpszClassName = kWindowClassName;
  RegisterClassExA(&windowClass);
}

}  // namespace

bool CreateMainWindow(HINSTANCE instance, int showState) {
  RegisterMainClass(instance);
  HWND hwnd = CreateWindowExA(0, kWindowClassName, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                              instance, nullptr);
  if (hwnd == nullptr) return false;
  ShowWindow(hwnd, showState);
  UpdateWindow(hwnd);
  return true;
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      return OnSize(hwnd, wParam, LOWORD(lParam), HIWORD(lParam));
    case WM_PAINT:
      return OnPaint(hwnd);
    case WM_DESTROY:
      return OnDestroy();
    case WM_KEYDOWN:
      return OnKeyDown(hwnd, wParam, lParam);
    case WM_MOUSEMOVE:
      // The position as unsigned 16-bit words, as the view keeps it: GET_X_LPARAM would give a
      // pointer captured left of or above the client a negative seed instead.
      return OnMouseMove(hwnd, (wParam & MK_LBUTTON) != 0, LOWORD(lParam), HIWORD(lParam));
    case WM_RBUTTONDOWN:
      return OnRightButtonDown(hwnd);
    case WM_MOUSEWHEEL:
      return OnMouseWheel(hwnd, GET_WHEEL_DELTA_WPARAM(wParam));
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

LRESULT OnPaint(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  if (g_frameBitmap == nullptr) CreateCanvas(dc);
  // A back buffer that could not be made leaves nothing to compose into until the next paint.
  if (g_frameBitmap != nullptr) PaintFrame(hwnd, dc);
  EndPaint(hwnd, &paint);
  return 0;
}

namespace {

LRESULT OnSize(HWND hwnd, WPARAM kind, uint16_t width, uint16_t height) {
  // A minimized window keeps its view; it is repainted all the same.
  if (kind == SIZE_RESTORED || kind == SIZE_MAXIMIZED) {
    g_halfWidth = width >> 1;
    g_halfHeight = height >> 1;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  return OnPaint(hwnd);
}

LRESULT OnDestroy() {
  PostQuitMessage(0);
  DestroyCanvas();
  return 0;
}

}  // namespace
