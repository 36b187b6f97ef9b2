// The real GDI32 and our layer's drawing under one set of names, and a surface of either in any of
// the formats the program uses, for code that draws the same thing with both and compares (the
// layer's pixel tests) or times them (its benchmark). Windows builds only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "portable_win32/gdi.h"

namespace gdi_pair {

namespace layer = portable_win32;

enum Format { kCompatible, kDib32, kDib24 };

// Each GDI under one name, so that a case is written once for both.
struct Real {
  static HDC Screen() { return ::GetDC(nullptr); }
  static void ReleaseScreen(HDC dc) { ::ReleaseDC(nullptr, dc); }
  static HBRUSH SystemBrush(int index) { return reinterpret_cast<HBRUSH>(INT_PTR{index + 1}); }
  static HDC CreateCompatibleDC(HDC dc) { return ::CreateCompatibleDC(dc); }
  static HBITMAP CreateCompatibleBitmap(HDC dc, int w, int h) {
    return ::CreateCompatibleBitmap(dc, w, h);
  }
  template <class Info>
  static HBITMAP CreateDIBSection(HDC dc, const Info* info, void** bits) {
    return ::CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, bits,
                              nullptr, 0);
  }
  template <class Info>
  static int GetDIBits(HDC dc, HBITMAP b, int lines, void* bits, Info* info) {
    return ::GetDIBits(dc, b, 0, lines, bits, reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS);
  }
  static HGDIOBJ SelectObject(HDC dc, HGDIOBJ o) { return ::SelectObject(dc, o); }
  static BOOL DeleteObject(HGDIOBJ o) { return ::DeleteObject(o); }
  static BOOL DeleteDC(HDC dc) { return ::DeleteDC(dc); }
  static HGDIOBJ NullBrush() { return ::GetStockObject(NULL_BRUSH); }
  static HPEN CreatePen(COLORREF c) { return ::CreatePen(PS_SOLID, 1, c); }
  static HBRUSH CreateSolidBrush(COLORREF c) { return ::CreateSolidBrush(c); }
  static void MoveToEx(HDC dc, int x, int y) { ::MoveToEx(dc, x, y, nullptr); }
  static void LineTo(HDC dc, int x, int y) { ::LineTo(dc, x, y); }
  static void Ellipse(HDC dc, int l, int t, int r, int b) { ::Ellipse(dc, l, t, r, b); }
  template <class Rect>
  static void FillRect(HDC dc, const Rect& r, HBRUSH b) {
    ::FillRect(dc, reinterpret_cast<const RECT*>(&r), b);
  }
  static void BitBlt(HDC to, int x, int y, int w, int h, HDC from, int sx, int sy) {
    ::BitBlt(to, x, y, w, h, from, sx, sy, SRCCOPY);
  }
};

struct Ours {
  using HDC = layer::HDC;
  using HBITMAP = layer::HBITMAP;
  static HDC Screen() { return layer::CreateCompatibleDC(nullptr); }
  static void ReleaseScreen(HDC dc) { layer::DeleteDC(dc); }
  static layer::HBRUSH SystemBrush(int index) {
    return reinterpret_cast<layer::HBRUSH>(intptr_t{index + 1});
  }
  static HDC CreateCompatibleDC(HDC dc) { return layer::CreateCompatibleDC(dc); }
  static HBITMAP CreateCompatibleBitmap(HDC dc, int w, int h) {
    return layer::CreateCompatibleBitmap(dc, w, h);
  }
  template <class Info>
  static HBITMAP CreateDIBSection(HDC dc, const Info* info, void** bits) {
    return layer::CreateDIBSection(dc, reinterpret_cast<const layer::BITMAPINFO*>(info),
                                   layer::kDibRgbColors, bits, nullptr, 0);
  }
  template <class Info>
  static int GetDIBits(HDC dc, HBITMAP b, int lines, void* bits, Info* info) {
    return layer::GetDIBits(dc, b, 0, lines, bits, reinterpret_cast<layer::BITMAPINFO*>(info),
                            layer::kDibRgbColors);
  }
  static layer::HGDIOBJ SelectObject(HDC dc, layer::HGDIOBJ o) {
    return layer::SelectObject(dc, o);
  }
  static BOOL DeleteObject(layer::HGDIOBJ o) { return layer::DeleteObject(o); }
  static BOOL DeleteDC(HDC dc) { return layer::DeleteDC(dc); }
  static layer::HGDIOBJ NullBrush() { return layer::GetStockObject(layer::kNullBrush); }
  static layer::HPEN CreatePen(COLORREF c) { return layer::CreatePen(layer::kPsSolid, 1, c); }
  static layer::HBRUSH CreateSolidBrush(COLORREF c) { return layer::CreateSolidBrush(c); }
  static void MoveToEx(HDC dc, int x, int y) { layer::MoveToEx(dc, x, y, nullptr); }
  static void LineTo(HDC dc, int x, int y) { layer::LineTo(dc, x, y); }
  static void Ellipse(HDC dc, int l, int t, int r, int b) { layer::Ellipse(dc, l, t, r, b); }
  template <class Rect>
  static void FillRect(HDC dc, const Rect& r, layer::HBRUSH b) {
    layer::FillRect(dc, reinterpret_cast<const layer::RECT*>(&r), b);
  }
  static void BitBlt(HDC to, int x, int y, int w, int h, HDC from, int sx, int sy) {
    layer::BitBlt(to, x, y, w, h, from, sx, sy, layer::kSrcCopy);
  }
};

// A top-down DIB's description, the same bytes for both GDIs.
BITMAPINFOHEADER Header(int width, int height, int bitsPerPixel) {
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = -height;
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bitsPerPixel);
  return info;
}

// A surface of one format in one GDI, selected into a memory context with a pen of the ink and the
// null brush, as the program draws.
template <class Gdi>
struct Surface {
  using Dc = decltype(Gdi::CreateCompatibleDC(nullptr));
  Format format;
  int width, height;
  Dc screen, dc;
  decltype(Gdi::CreateCompatibleBitmap(nullptr, 0, 0)) bitmap;
  uint8_t* bits = nullptr;
  decltype(Gdi::SelectObject(nullptr, nullptr)) previous[3];

  Surface(Format f, int w, int h, COLORREF ink) : format(f), width(w), height(h) {
    screen = Gdi::Screen();
    dc = Gdi::CreateCompatibleDC(screen);
    if (format == kCompatible) {
      bitmap = Gdi::CreateCompatibleBitmap(screen, width, height);
    } else {
      BITMAPINFOHEADER info = Header(width, height, format == kDib24 ? 24 : 32);
      bitmap = Gdi::CreateDIBSection(screen, &info, reinterpret_cast<void**>(&bits));
    }
    previous[0] = Gdi::SelectObject(dc, bitmap);
    previous[1] = Gdi::SelectObject(dc, Gdi::CreatePen(ink));
    previous[2] = Gdi::SelectObject(dc, Gdi::NullBrush());
  }
  ~Surface() {
    Gdi::DeleteObject(Gdi::SelectObject(dc, previous[1]));  // the ink pen
    Gdi::SelectObject(dc, previous[2]);
    Gdi::SelectObject(dc, previous[0]);
    Gdi::DeleteObject(bitmap);
    Gdi::DeleteDC(dc);
    Gdi::ReleaseScreen(screen);
  }
  void Fill(COLORREF colour) {
    auto brush = Gdi::CreateSolidBrush(colour);
    Gdi::FillRect(dc, RECT{0, 0, width, height}, brush);
    Gdi::DeleteObject(brush);
  }
  // Every byte: a DIB section's own memory, a compatible bitmap's as a 32-bit DIB.
  std::vector<uint8_t> Bytes() {
    const int stride = (width * (format == kDib24 ? 24 : 32) + 31) / 32 * 4;
    std::vector<uint8_t> bytes(static_cast<size_t>(stride) * height);
    if (format != kCompatible) {
      std::memcpy(bytes.data(), bits, bytes.size());
    } else {
      BITMAPINFOHEADER info = Header(width, height, 32);
      Gdi::SelectObject(dc, previous[0]);
      Gdi::GetDIBits(screen, bitmap, height, bytes.data(), &info);
      Gdi::SelectObject(dc, bitmap);
    }
    return bytes;
  }
};

}  // namespace gdi_pair
