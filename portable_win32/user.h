// The window operations of USER32 that the program and its tests use, over a host (hosts/host.h):
// classes, top-level windows with their styles, sizes and update regions, the message queue with
// posted, input, paint and timer messages, and painting into a window through the contexts of
// gdi.h.
//
// A window here is its client area: the frame, if any, is the desktop's window manager's, drawn
// outside. So window and client rectangles coincide, and AdjustWindowRectEx adds nothing.
#pragma once

#include <cstdint>

#include "portable_win32/gdi.h"

namespace portable_win32 {

struct HWND__;
struct HINSTANCE__;
struct HCURSOR__;
struct HICON__;
struct HMENU__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HCURSOR = HCURSOR__*;
using HICON = HICON__*;
using HMENU = HMENU__*;
using ATOM = WORD;
using LPSTR = char*;
using LPCSTR = const char*;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore, fIncUpdate;
  BYTE rgbReserved[32];
};
struct WNDCLASSEXA {
  UINT cbSize, style;
  WNDPROC lpfnWndProc;
  int cbClsExtra, cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName, lpszClassName;
  HICON hIconSm;
};

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
BOOL GetClassInfoExA(HINSTANCE instance, LPCSTR name, WNDCLASSEXA* windowClass);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HMODULE GetModuleHandleA(LPCSTR name);

// A window that cannot be made (no display, no video driver) gives a null handle, and one line on
// standard error says why.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int command);
BOOL UpdateWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int width, int height, UINT flags);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* point);
int GetWindowTextA(HWND hwnd, LPSTR text, int size);
int GetClassNameA(HWND hwnd, LPSTR name, int size);
HWND GetParent(HWND hwnd);
HMENU GetMenu(HWND hwnd);
HWND FindWindowA(LPCSTR className, LPCSTR title);
int GetSystemMetrics(int index);

BOOL GetMessageA(MSG* message, HWND hwnd, UINT first, UINT last);
BOOL PeekMessageA(MSG* message, HWND hwnd, UINT first, UINT last, UINT remove);
// Character messages are not made: nothing here reads them.
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int code);
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC procedure);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
BOOL EqualRect(const RECT* a, const RECT* b);

HANDLE GetCurrentProcess();
DWORD GetGuiResources(HANDLE process, DWORD kind);

}  // namespace portable_win32
