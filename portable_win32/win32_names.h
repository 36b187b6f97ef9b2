// The Win32 names the program and its tests spell, as <windows.h> gives them, for systems without
// it: the layer's types and functions, and the constants and little macros of the API with the
// values Windows uses.
#pragma once

#include <cstdint>

#include "portable_win32/gdi.h"
#include "portable_win32/user.h"

using namespace portable_win32;  // NOLINT: this header stands in for <windows.h>

#define WINAPI
#define CALLBACK

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;
using DWORD_PTR = uintptr_t;

constexpr WORD LOWORD(DWORD_PTR value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR value) { return static_cast<WORD>(value >> 16 & 0xFFFF); }
constexpr LONG MAKELONG(DWORD_PTR low, DWORD_PTR high) {
  return static_cast<LONG>(static_cast<DWORD>((low & 0xFFFF) | (high & 0xFFFF) << 16));
}
constexpr WPARAM MAKEWPARAM(DWORD_PTR low, DWORD_PTR high) {
  return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(low, high)));
}
constexpr LPARAM MAKELPARAM(DWORD_PTR low, DWORD_PTR high) {
  return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(low, high)));
}
constexpr int16_t GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<int16_t>(HIWORD(w)); }
constexpr COLORREF RGB(DWORD_PTR r, DWORD_PTR g, DWORD_PTR b) {
  return static_cast<COLORREF>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>(c >> 8); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>(c >> 16); }
inline LPSTR MAKEINTRESOURCEA(DWORD_PTR id) {
  return reinterpret_cast<LPSTR>(static_cast<uintptr_t>(static_cast<WORD>(id)));
}

// Messages.
constexpr UINT WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
               WM_SIZE = 0x0005, WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUIT = 0x0012,
               WM_ERASEBKGND = 0x0014, WM_NCCREATE = 0x0081, WM_NCDESTROY = 0x0082,
               WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102, WM_SYSCOMMAND = 0x0112,
               WM_TIMER = 0x0113, WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201,
               WM_LBUTTONUP = 0x0202, WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205,
               WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208, WM_MOUSEWHEEL = 0x020A,
               WM_MOUSEHWHEEL = 0x020E;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2, SIZE_MAXSHOW = 3,
                 SIZE_MAXHIDE = 4;
constexpr int WHEEL_DELTA = 120;

// Key and button state in the wParam of mouse messages.
constexpr WPARAM MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002, MK_SHIFT = 0x0004, MK_CONTROL = 0x0008,
                 MK_MBUTTON = 0x0010;

// Virtual-key codes.
constexpr WPARAM VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10,
                 VK_CONTROL = 0x11, VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
                 VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25,
                 VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
                 VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C,
                 VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70,
                 VK_F4 = 0x73, VK_F5 = 0x74, VK_F6 = 0x75, VK_F10 = 0x79, VK_F11 = 0x7A,
                 VK_F12 = 0x7B, VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC,
                 VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0,
                 VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE;

// Window styles, class styles, showing and positioning.
constexpr DWORD WS_OVERLAPPED = 0x00000000u, WS_POPUP = 0x80000000u, WS_CHILD = 0x40000000u,
                WS_MINIMIZE = 0x20000000u, WS_VISIBLE = 0x10000000u, WS_CLIPSIBLINGS = 0x04000000u,
                WS_MAXIMIZE = 0x01000000u, WS_CAPTION = 0x00C00000u, WS_SYSMENU = 0x00080000u,
                WS_THICKFRAME = 0x00040000u, WS_MINIMIZEBOX = 0x00020000u,
                WS_MAXIMIZEBOX = 0x00010000u, WS_OVERLAPPEDWINDOW = 0x00CF0000u;
constexpr UINT CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002;
constexpr int CW_USEDEFAULT = INT32_MIN;
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_NORMAL = 1, SW_SHOWMINIMIZED = 2,
              SW_SHOWMAXIMIZED = 3, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6,
              SW_SHOWMINNOACTIVE = 7, SW_SHOWNA = 8, SW_RESTORE = 9, SW_SHOWDEFAULT = 10;
constexpr UINT SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004,
               SWP_FRAMECHANGED = 0x0020, SWP_SHOWWINDOW = 0x0040, SWP_HIDEWINDOW = 0x0080;
constexpr int GWL_STYLE = -16, GWL_EXSTYLE = -20, GWLP_WNDPROC = -4;
constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1;
constexpr UINT PM_NOREMOVE = 0x0000, PM_REMOVE = 0x0001;
constexpr DWORD GR_GDIOBJECTS = 0;

// Drawing.
constexpr DWORD SRCCOPY = kSrcCopy;
constexpr int PS_SOLID = kPsSolid;
constexpr DWORD BI_RGB = kBiRgb;
constexpr UINT DIB_RGB_COLORS = kDibRgbColors;
constexpr int WHITE_BRUSH = kWhiteBrush, NULL_BRUSH = kNullBrush, BLACK_PEN = kBlackPen;
constexpr int COLOR_WINDOW = kColorWindow, COLOR_MENUTEXT = kColorMenuText;
