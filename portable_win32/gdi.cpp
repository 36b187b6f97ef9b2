#include "portable_win32/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <variant>
#include <vector>

#include "portable_win32/pixel_rules.h"
#include "portable_win32/rect.h"

namespace portable_win32 {

namespace {

struct FreePixels {
  void operator()(uint32_t* p) const { std::free(p); }
};

struct Bitmap {
  int32_t width = 0, height = 0;  // height < 0: a top-down DIB section
  int32_t bitsPerPixel = 32;
  int32_t stride = 0;
  bool dibSection = false;
  // 32-bit words, so that 32-bit pixels may be read as such
  std::unique_ptr<uint32_t[], FreePixels> storage;

  Surface Pixels() {
    Surface s;
    s.bits = reinterpret_cast<uint8_t*>(storage.get());
    s.width = width;
    s.height = height < 0 ? -height : height;
    s.stride = stride;
    s.bitsPerPixel = bitsPerPixel;
    s.bottomUp = dibSection && height > 0;
    return s;
  }
};

struct Pen {
  int style = kPsSolid;
  int width = 1;
  COLORREF colour = 0;
};

struct Brush {
  UINT style = kBsSolid;
  COLORREF colour = 0;
};

struct Context {
  HGDIOBJ bitmap = nullptr;  // memory contexts only
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  POINT position = {0, 0};
  WindowPixelsLookup window = nullptr;  // window and screen contexts
  void* owner = nullptr;
  bool clipped = false;
  RECT clip = {0, 0, 0, 0};
};

using Object = std::variant<std::monostate, Context, Bitmap, Pen, Brush>;

struct Entry {
  Object object;
  uint16_t generation = 0;
  bool stock = false;
  bool deletePending = false;  // deleted while selected: goes when the last context lets it go
  int selections = 0;
};

// GDI's own limit per process: a program that leaks objects runs out, as it would on Windows.
constexpr int kObjectQuota = 10000;
constexpr int kPsNull = 5;
constexpr int kDefaultBitmap = 21;  // the 1 x 1 bitmap a new memory context holds

struct ObjectTable {
  std::vector<Entry> entries = std::vector<Entry>(1);  // entry 0 is never used: no handle is null
  std::vector<uint16_t> freeSlots;                     // indices of free entries
  int live = 0;
};

// Made at first use, not by a global's constructor: some start-ups (Wine's, for an MSVC-built exe)
// run none.
ObjectTable& Objects() {
  static ObjectTable table;
  return table;
}
HGDIOBJ g_stock[kDefaultBitmap + 1] = {};

// A handle is an entry's index with its generation above it, so that a handle to a deleted
// object stays invalid after the entry is reused.
HGDIOBJ HandleOf(size_t index) {
  return reinterpret_cast<HGDIOBJ>(uintptr_t{Objects().entries[index].generation} << 16 | index);
}

Entry* Find(HGDIOBJ handle) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  const size_t index = value & 0xFFFF;
  std::vector<Entry>& entries = Objects().entries;
  if (value > 0xFFFFFFFFu || index == 0 || index >= entries.size()) return nullptr;
  Entry& entry = entries[index];
  if (entry.object.index() == 0 || entry.generation != (value >> 16 & 0xFFFF)) return nullptr;
  return &entry;
}

template <class T>
T* Get(HGDIOBJ handle) {
  Entry* entry = Find(handle);
  return entry != nullptr ? std::get_if<T>(&entry->object) : nullptr;
}

HGDIOBJ Add(Object object) {
  ObjectTable& table = Objects();
  if (table.live >= kObjectQuota) return nullptr;
  size_t index;
  if (!table.freeSlots.empty()) {
    index = table.freeSlots.back();
    table.freeSlots.pop_back();
  } else {
    index = table.entries.size();
    table.entries.emplace_back();
  }
  Entry& entry = table.entries[index];
  entry.object = std::move(object);
  entry.generation = static_cast<uint16_t>(entry.generation % 0xFFFF + 1);
  entry.deletePending = false;
  entry.selections = 0;
  ++table.live;
  return HandleOf(index);
}

void Free(Entry* entry) {
  entry->object = std::monostate();
  ObjectTable& table = Objects();
  --table.live;
  table.freeSlots.push_back(static_cast<uint16_t>(entry - table.entries.data()));
}

void Retain(HGDIOBJ handle) {
  if (Entry* entry = Find(handle)) ++entry->selections;
}

void Release(HGDIOBJ handle) {
  Entry* entry = Find(handle);
  if (entry == nullptr) return;
  --entry->selections;
  if (entry->selections == 0 && entry->deletePending) Free(entry);
}

HGDIOBJ AddStock(Object object) {
  HGDIOBJ handle = Add(std::move(object));
  Find(handle)->stock = true;
  return handle;
}

// DIB rows end on a 32-bit boundary; the 32-bit format needs no padding. 0 for a row too long
// for a 32-bit stride.
int32_t StrideOf(int32_t width, int32_t bitsPerPixel) {
  const int64_t stride = (int64_t{width} * bitsPerPixel + 31) / 32 * 4;
  return stride <= INT32_MAX ? static_cast<int32_t>(stride) : 0;
}

Bitmap NewBitmap(int32_t width, int32_t height, int32_t bitsPerPixel, bool dibSection) {
  Bitmap b;
  b.width = width;
  b.height = height;
  b.bitsPerPixel = bitsPerPixel;
  b.dibSection = dibSection;
  b.stride = StrideOf(width, bitsPerPixel);
  return b;
}

// The bitmap's pixels, zeroed, or false when they cannot be had (a row or a whole too large for
// this process). calloc, not a container: it fails without an exception, which some builds lack.
bool AllocatePixels(Bitmap& b) {
  const int64_t rows = b.height < 0 ? -int64_t{b.height} : b.height;
  const int64_t words = rows * b.stride / 4;
  if (b.stride == 0 || words > (int64_t{1} << 30)) return false;
  b.storage.reset(static_cast<uint32_t*>(std::calloc(static_cast<size_t>(words), 4)));
  return b.storage != nullptr;
}

void MakeStockObjects() {
  if (g_stock[kNullBrush] != nullptr) return;
  g_stock[kWhiteBrush] = AddStock(Brush{kBsSolid, 0xFFFFFF});
  g_stock[kBlackBrush] = AddStock(Brush{kBsSolid, 0});
  g_stock[kNullBrush] = AddStock(Brush{kBsNull, 0});
  g_stock[kWhitePen] = AddStock(Pen{kPsSolid, 1, 0xFFFFFF});
  g_stock[kBlackPen] = AddStock(Pen{kPsSolid, 1, 0});
  g_stock[kPsNull + 3] = AddStock(Pen{kPsNull, 1, 0});  // NULL_PEN is 8
  Bitmap one = NewBitmap(1, 1, 32, false);
  AllocatePixels(one);
  g_stock[kDefaultBitmap] = AddStock(std::move(one));
}

// What a context draws on: its bitmap's pixels, or its window's.
bool SurfaceOf(Context* c, bool writing, Surface* surface) {
  if (c == nullptr) return false;
  if (c->window != nullptr) {
    constexpr RECT kEverywhere = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    const RECT* drawing = !writing ? nullptr : c->clipped ? &c->clip : &kEverywhere;
    const WindowPixels pixels = c->window(c->owner, drawing);
    if (pixels.bits == nullptr) return false;
    RECT area = {0, 0, pixels.width, pixels.height};
    if (writing && c->clipped) {
      area = Intersection(area, c->clip);
      if (IsEmpty(area)) return false;
    }
    surface->bits =
        reinterpret_cast<uint8_t*>(pixels.bits + area.top * intptr_t{pixels.stride} + area.left);
    surface->width = Width(area);
    surface->height = Height(area);
    surface->stride = pixels.stride * 4;
    surface->bitsPerPixel = 32;
    surface->bottomUp = false;
    surface->originX = area.left;
    surface->originY = area.top;
    return true;
  }
  Bitmap* bitmap = Get<Bitmap>(c->bitmap);
  if (bitmap == nullptr) return false;
  *surface = bitmap->Pixels();
  return true;
}

// The colour of a solid one-pixel pen, or false for a pen that draws nothing.
bool PenColour(Context* c, COLORREF* colour) {
  const Pen* pen = Get<Pen>(c->pen);
  if (pen == nullptr || pen->style == kPsNull) return false;
  *colour = pen->colour;
  return true;
}

HDC AddContext(Context context) {
  MakeStockObjects();
  context.pen = g_stock[kBlackPen];
  context.brush = g_stock[kWhiteBrush];
  Retain(context.pen);
  Retain(context.brush);
  Retain(context.bitmap);
  return static_cast<HDC>(Add(std::move(context)));
}

}  // namespace

HDC CreateCompatibleDC(HDC dc) {
  if (dc != nullptr && Get<Context>(dc) == nullptr) return nullptr;
  MakeStockObjects();
  Context context;
  context.bitmap = g_stock[kDefaultBitmap];
  return AddContext(context);
}

HDC CreateWindowContext(WindowPixelsLookup lookup, void* owner, const RECT* clip) {
  Context context;
  context.window = lookup;
  context.owner = owner;
  context.clipped = clip != nullptr;
  if (clip != nullptr) context.clip = *clip;
  return AddContext(context);
}

BOOL DeleteDC(HDC dc) {
  Entry* entry = Find(dc);
  Context* c = Get<Context>(dc);
  if (c == nullptr) return 0;
  const Context context = *c;
  Free(entry);
  Release(context.bitmap);
  Release(context.pen);
  Release(context.brush);
  return 1;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  Context* c = Get<Context>(dc);
  Entry* entry = Find(object);
  if (c == nullptr || entry == nullptr) return nullptr;
  HGDIOBJ* slot = nullptr;
  if (std::holds_alternative<Pen>(entry->object)) slot = &c->pen;
  if (std::holds_alternative<Brush>(entry->object)) slot = &c->brush;
  if (std::holds_alternative<Bitmap>(entry->object)) {
    // Only a memory context holds a bitmap, and a bitmap is in one context at a time.
    if (c->window != nullptr) return nullptr;
    if (entry->selections > 0 && !entry->stock && c->bitmap != object) return nullptr;
    slot = &c->bitmap;
  }
  if (slot == nullptr) return nullptr;
  HGDIOBJ previous = *slot;
  *slot = object;
  Retain(object);
  Release(previous);
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  Entry* entry = Find(object);
  if (entry == nullptr || std::holds_alternative<Context>(entry->object)) return 0;
  if (entry->stock) return 1;
  if (entry->selections > 0) {
    entry->deletePending = true;
  } else {
    Free(entry);
  }
  return 1;
}

HGDIOBJ GetStockObject(int which) {
  MakeStockObjects();
  return which >= 0 && which <= kDefaultBitmap ? g_stock[which] : nullptr;
}

DWORD GetObjectType(HGDIOBJ object) {
  Entry* entry = Find(object);
  if (entry == nullptr) return 0;
  if (const Context* c = std::get_if<Context>(&entry->object))
    return c->window != nullptr ? kObjDc : kObjMemDc;
  if (std::holds_alternative<Bitmap>(entry->object)) return kObjBitmap;
  if (std::holds_alternative<Pen>(entry->object)) return kObjPen;
  return kObjBrush;
}

int GetObjectA(HANDLE object, int size, LPVOID buffer) {
  Entry* entry = Find(object);
  if (entry == nullptr) return 0;
  if (Bitmap* b = std::get_if<Bitmap>(&entry->object)) {
    DIBSECTION d = {};
    d.dsBm.bmWidth = b->width;
    d.dsBm.bmHeight = b->height < 0 ? -b->height : b->height;
    d.dsBm.bmWidthBytes = b->stride;
    d.dsBm.bmPlanes = 1;
    d.dsBm.bmBitsPixel = static_cast<WORD>(b->bitsPerPixel);
    if (buffer == nullptr) return sizeof(BITMAP);
    if (b->dibSection && size >= static_cast<int>(sizeof(DIBSECTION))) {
      d.dsBm.bmBits = b->storage.get();
      d.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
      d.dsBmih.biWidth = b->width;
      d.dsBmih.biHeight = b->height;
      d.dsBmih.biPlanes = 1;
      d.dsBmih.biBitCount = static_cast<WORD>(b->bitsPerPixel);
      d.dsBmih.biCompression = kBiRgb;
      d.dsBmih.biSizeImage = static_cast<DWORD>(d.dsBm.bmHeight * b->stride);
      std::memcpy(buffer, &d, sizeof d);
      return sizeof d;
    }
    if (b->dibSection) d.dsBm.bmBits = b->storage.get();
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    std::memcpy(buffer, &d.dsBm, sizeof d.dsBm);
    return sizeof d.dsBm;
  }
  if (const Pen* p = std::get_if<Pen>(&entry->object)) {
    const LOGPEN pen = {static_cast<UINT>(p->style), {p->width, 0}, p->colour};
    if (buffer == nullptr) return sizeof pen;
    if (size < static_cast<int>(sizeof pen)) return 0;
    std::memcpy(buffer, &pen, sizeof pen);
    return sizeof pen;
  }
  if (const Brush* b = std::get_if<Brush>(&entry->object)) {
    const LOGBRUSH brush = {b->style, b->colour, 0};
    if (buffer == nullptr) return sizeof brush;
    if (size < static_cast<int>(sizeof brush)) return 0;
    std::memcpy(buffer, &brush, sizeof brush);
    return sizeof brush;
  }
  return 0;
}

// Always 32 bits a pixel, zeroed (black). GDI gives a new memory context's format, monochrome
// while it holds its default bitmap; the program only asks for bitmaps of its window's format.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (Get<Context>(dc) == nullptr || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) return static_cast<HBITMAP>(GetStockObject(kDefaultBitmap));
  Bitmap b = NewBitmap(width, height, 32, false);
  if (!AllocatePixels(b)) return nullptr;
  return static_cast<HBITMAP>(Add(std::move(b)));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || section != nullptr || usage != kDibRgbColors) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof h || h.biPlanes != 1 || h.biCompression != kBiRgb || h.biWidth <= 0 ||
      h.biHeight == 0 || h.biHeight == INT32_MIN || (h.biBitCount != 24 && h.biBitCount != 32))
    return nullptr;
  Bitmap b = NewBitmap(h.biWidth, h.biHeight, h.biBitCount, true);
  if (!AllocatePixels(b)) return nullptr;
  void* memory = b.storage.get();
  HBITMAP handle = static_cast<HBITMAP>(Add(std::move(b)));
  if (handle != nullptr && bits != nullptr) *bits = memory;
  return handle;
}

// Reads rows of the bitmap as a 24- or 32-bit DIB of info's size, taken from the bitmap's top-left
// corner. Scan line s of a top-down DIB is display row s; of a bottom-up one, row |height| - 1 - s.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage) {
  Bitmap* b = Get<Bitmap>(bitmap);
  if (Get<Context>(dc) == nullptr || b == nullptr || info == nullptr || usage != kDibRgbColors)
    return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (bits == nullptr) {
    h.biWidth = b->width;
    h.biHeight = b->height < 0 ? -b->height : b->height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(b->bitsPerPixel);
    h.biCompression = kBiRgb;
    h.biSizeImage = static_cast<DWORD>(int64_t{h.biHeight} * b->stride);
    return 1;
  }
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN ||
      (h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != kBiRgb ||
      StrideOf(h.biWidth, h.biBitCount) == 0)
    return 0;
  // The buffer holds the lines asked for, the first of them `start`.
  const int32_t stride = StrideOf(h.biWidth, h.biBitCount);
  const int64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
  const Surface source = b->Pixels();
  int copied = 0;
  for (int64_t s = start; s < int64_t{start} + lines && s < rows; ++s) {
    const int32_t row = static_cast<int32_t>(h.biHeight > 0 ? rows - 1 - s : s);
    if (row >= source.height) continue;
    Surface line;
    line.bits = static_cast<uint8_t*>(bits) + (s - start) * stride;
    line.width = h.biWidth;
    line.height = 1;
    line.stride = stride;
    line.bitsPerPixel = h.biBitCount;
    CopyPixels(line, 0, 0, line.width, 1, source, 0, row);
    ++copied;
  }
  return copied;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
  // One-pixel solid pens (width 0 or 1) and the null pen are all the program draws with.
  if ((style != kPsSolid && style != kPsNull) || width < 0 || width > 1) return nullptr;
  return static_cast<HPEN>(Add(Pen{style, width, colour & 0xFFFFFF}));
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  return static_cast<HBRUSH>(Add(Brush{kBsSolid, colour & 0xFFFFFF}));
}

// Windows' default scheme for the colours the program fills with; other indices answer black.
DWORD GetSysColor(int index) { return index == kColorWindow ? 0xFFFFFF : 0; }

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  Context* c = Get<Context>(dc);
  if (c == nullptr) return 0;
  if (previous != nullptr) *previous = c->position;
  c->position = {x, y};
  return 1;
}

BOOL LineTo(HDC dc, int x, int y) {
  Context* c = Get<Context>(dc);
  if (c == nullptr) return 0;
  Surface surface;
  COLORREF colour;
  if (PenColour(c, &colour) && SurfaceOf(c, true, &surface))
    DrawLinePixels(surface, c->position.x, c->position.y, x, y, colour);
  c->position = {x, y};
  return 1;
}

// Outlines only: an ellipse with a brush to fill it is not drawn, and the call fails.
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  Context* c = Get<Context>(dc);
  const Brush* brush = c != nullptr ? Get<Brush>(c->brush) : nullptr;
  if (brush == nullptr || brush->style != kBsNull) return 0;
  Surface surface;
  COLORREF colour;
  if (PenColour(c, &colour) && SurfaceOf(c, true, &surface))
    DrawEllipsePixels(surface, left, top, right, bottom, colour);
  return 1;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  Context* c = Get<Context>(dc);
  if (c == nullptr || rect == nullptr) return 0;
  const uintptr_t value = reinterpret_cast<uintptr_t>(brush);
  COLORREF colour;
  if (value >= 1 && value <= kSystemColourCount) {
    colour = GetSysColor(static_cast<int>(value) - 1);
  } else if (const Brush* b = Get<Brush>(brush)) {
    if (b->style == kBsNull) return 1;
    colour = b->colour;
  } else {
    return 0;
  }
  Surface surface;
  if (!SurfaceOf(c, true, &surface)) return 1;
  // An inverted edge pair is taken the other way round, each edge moved by one: the edge last
  // reached is the one left out, as for a well-ordered rectangle. The edges are in the context's
  // coordinates; the surface (a paint's update area) may begin elsewhere and clips them itself.
  int64_t left = rect->left, right = rect->right, top = rect->top, bottom = rect->bottom;
  if (left > right) left = rect->right + int64_t{1}, right = rect->left + int64_t{1};
  if (top > bottom) top = rect->bottom + int64_t{1}, bottom = rect->top + int64_t{1};
  const auto narrow = [](int64_t v) {
    return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX));
  };
  FillPixels(surface, narrow(left), narrow(top), narrow(right), narrow(bottom), colour);
  return 1;
}

// SRCCOPY alone. A negative extent copies nothing.
BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
  Context* to = Get<Context>(dc);
  Context* from = Get<Context>(source);
  if (to == nullptr || from == nullptr || rop != kSrcCopy) return 0;
  Surface target, origin;
  if (SurfaceOf(to, true, &target) && SurfaceOf(from, false, &origin))
    CopyPixels(target, x, y, width, height, origin, sourceX, sourceY);
  return 1;
}

// Every operation has finished when it returns: there is no batch to flush.
BOOL GdiFlush() { return 1; }

DWORD LiveGdiObjects() { return static_cast<DWORD>(Objects().live); }

}  // namespace portable_win32
