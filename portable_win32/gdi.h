// The drawing operations of GDI32 that the program and its tests use, in portable code of our own:
// memory contexts with a selected bitmap, pen and brush and a current position; screen-compatible
// 32-bit bitmaps; 24-bit DIB sections whose memory the caller writes; solid one-pixel pens; solid
// and system-colour brushes; lines, ellipse outlines, rectangle fills and block copies with GDI's
// pixels (pixel_rules.h). Everything lives in this namespace, so that a Windows build can link it
// beside the real GDI32 and compare the two; no macros, for the same reason.
#pragma once

#include <cstdint>

namespace portable_win32 {

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using COLORREF = DWORD;
using HANDLE = void*;
using HGDIOBJ = void*;
using LPVOID = void*;

struct HDC__;
struct HBITMAP__;
struct HPEN__;
struct HBRUSH__;
using HDC = HDC__*;
using HBITMAP = HBITMAP__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;

struct POINT {
  LONG x, y;
};
struct RECT {
  LONG left, top, right, bottom;
};
struct BITMAP {
  LONG bmType, bmWidth, bmHeight, bmWidthBytes;
  WORD bmPlanes, bmBitsPixel;
  LPVOID bmBits;
};
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth, biHeight;
  WORD biPlanes, biBitCount;
  DWORD biCompression, biSizeImage;
  LONG biXPelsPerMeter, biYPelsPerMeter;
  DWORD biClrUsed, biClrImportant;
};
struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};
struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
};
struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  uintptr_t lbHatch;
};

// The values GDI gives these constants; the stand-in for <windows.h> names them as GDI does.
constexpr DWORD kSrcCopy = 0x00CC0020;
constexpr int kPsSolid = 0;
constexpr DWORD kBiRgb = 0;
constexpr UINT kDibRgbColors = 0;
constexpr int kWhiteBrush = 0, kBlackBrush = 4, kNullBrush = 5, kWhitePen = 6, kBlackPen = 7;
constexpr DWORD kObjPen = 1, kObjBrush = 2, kObjDc = 3, kObjBitmap = 7, kObjMemDc = 10;
constexpr UINT kBsSolid = 0, kBsNull = 1;
constexpr int kColorWindow = 5, kColorMenuText = 7;
// A brush handle of 1 ... kSystemColourCount is a system colour index plus one.
constexpr int kSystemColourCount = 31;

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int which);
DWORD GetObjectType(HGDIOBJ object);
int GetObjectA(HANDLE object, int size, LPVOID buffer);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage);
HPEN CreatePen(int style, int width, COLORREF colour);
HBRUSH CreateSolidBrush(COLORREF colour);
DWORD GetSysColor(int index);

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop);
BOOL GdiFlush();

// How many GDI objects live, stock objects and contexts included (what GetGuiResources answers).
DWORD LiveGdiObjects();

// A context on pixels that belong to someone else: a window's client area, or the screen with no
// pixels at all. The pixels are asked for at every use, since a window can resize or go away
// while a context to it is held; `drawing` is the part about to be drawn on (the clip, or
// everywhere), null when they are only read. Drawing stays within `clip` when there is one (a
// paint's update rectangle); copying from it does not.
struct WindowPixels {
  uint32_t* bits;  // 32-bit, top-down
  int32_t width, height;
  int32_t stride;  // pixels from one row to the next
};
using WindowPixelsLookup = WindowPixels (*)(void* owner, const RECT* drawing);
HDC CreateWindowContext(WindowPixelsLookup lookup, void* owner, const RECT* clip);

}  // namespace portable_win32
