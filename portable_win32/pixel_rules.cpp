#include "portable_win32/pixel_rules.h"

#include <cstring>

namespace portable_win32 {

namespace {

// 32-bit pixels are read and written as uint32_t 0x00RRGGBB: in memory blue, green, red, zero on
// the little-endian CPUs we build for. gdi.cpp allocates such surfaces as uint32_t; a window's are
// its host's, in the same words.

uint32_t PixelOf(uint32_t colour) {
  return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

uint32_t* Row32(const Surface& s, int32_t y) { return reinterpret_cast<uint32_t*>(s.Row(y)); }

// `pixel` is 0x00RRGGBB.
void Plot(const Surface& s, int64_t x, int64_t y, uint32_t pixel) {
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return;
  const int32_t column = static_cast<int32_t>(x), row = static_cast<int32_t>(y);
  if (s.bitsPerPixel == 32) {
    Row32(s, row)[column] = pixel;
  } else {
    uint8_t* p = s.Row(row) + 3 * static_cast<intptr_t>(column);
    p[0] = static_cast<uint8_t>(pixel);
    p[1] = static_cast<uint8_t>(pixel >> 8);
    p[2] = static_cast<uint8_t>(pixel >> 16);
  }
}

int64_t Clamp(int64_t v, int64_t low, int64_t high) { return v < low ? low : v > high ? high : v; }

struct Quotient {
  int64_t q, r;  // a = q d + r, 0 <= r < d
};

Quotient FloorDivide(int64_t a, int64_t d) {
  Quotient result{a / d, a % d};
  if (result.r < 0) result.r += d, --result.q;
  return result;
}

// d t = q n + r exactly, for |d| <= n <= 2^32 and 0 <= t < n. The product needs up to 65 bits, so
// t goes in two halves of 16 bits and every partial result stays below 2^49.
Quotient ProductDivide(int64_t d, int64_t t, int64_t n) {
  const Quotient high = FloorDivide(d * (t >> 16), n);
  const Quotient carried = FloorDivide(high.r * 65536, n);
  const Quotient low = FloorDivide(d * (t & 0xFFFF) + carried.r, n);
  return {high.q * 65536 + carried.q + low.q, low.r};
}

// A line walked along its major axis: pixel t (0 <= t < n) lies at major + step t, and on the
// minor axis at the row nearest to minor + t dMinor / n, a tie going to the smaller coordinate
// whatever the direction: minor + ceil((2 t dMinor - n) / 2n). With a = |dMinor| that offset is
// direction * floor((2 a t + bias) / 2n), the bias n - 1 forwards and n backwards (where the
// smaller coordinate lies the other way): one remainder, one carry a step.
struct Walk {
  int64_t major, minor, step, direction, a, n;

  int64_t Bias() const { return direction > 0 ? n - 1 : n; }
  // floor((2 a t + bias) / 2n) and its remainder.
  Quotient Offset(int64_t t) const {
    const Quotient p = ProductDivide(a, t, n);  // a t = q n + r
    const int64_t rest = 2 * p.r + Bias();      // below 3n: one more carry at most
    return rest >= 2 * n ? Quotient{p.q + 1, rest - 2 * n} : Quotient{p.q, rest};
  }
  int64_t MinorAt(int64_t t) const { return minor + direction * Offset(t).q; }
  // The first t in [low, high] for which `holds` is true, `holds` being false then true along
  // the walk; high + 1 when there is none.
  template <class Holds>
  int64_t First(int64_t low, int64_t high, Holds holds) const {
    while (low <= high) {
      const int64_t mid = low + (high - low) / 2;
      if (holds(MinorAt(mid))) {
        high = mid - 1;
      } else {
        low = mid + 1;
      }
    }
    return low;
  }
};

// Pixels first ... last of a walk, all on the surface: one address step along the major axis for
// each, and one along the minor axis with each carry of the remainder.
template <int kBytes>
void Trace(const Surface& s, const Walk& w, bool xMajor, int64_t first, int64_t last,
           uint32_t pixel) {
  Quotient offset = w.Offset(first);
  const int64_t major0 = w.major + w.step * first, minor0 = w.minor + w.direction * offset.q;
  const int64_t x = xMajor ? major0 : minor0, y = xMajor ? minor0 : major0;
  uint8_t* at = s.Row(static_cast<int32_t>(y)) + kBytes * x;
  const intptr_t down = s.bottomUp ? -intptr_t{s.stride} : intptr_t{s.stride};
  const intptr_t majorStep = xMajor ? kBytes * w.step : down * w.step;
  const intptr_t minorStep = (xMajor ? down : kBytes) * w.direction;
  const int64_t rise = 2 * w.a, run = 2 * w.n;
  int64_t rest = offset.r;
  for (int64_t count = last - first; count >= 0; --count) {
    if (kBytes == 4) {
      std::memcpy(at, &pixel, 4);
    } else {
      at[0] = static_cast<uint8_t>(pixel);
      at[1] = static_cast<uint8_t>(pixel >> 8);
      at[2] = static_cast<uint8_t>(pixel >> 16);
    }
    // Selects rather than branches or products: a line's carries are not predictable, and the
    // remainder's chain of dependent steps sets the pace.
    rest += rise;
    const bool carry = rest >= run;
    rest = carry ? rest - run : rest;
    at += carry ? majorStep + minorStep : majorStep;
  }
}

void WalkLine(const Surface& s, const Walk& w, bool xMajor, uint32_t pixel) {
  const int64_t majorSize = xMajor ? s.width : s.height;
  const int64_t minorSize = xMajor ? s.height : s.width;
  // The pixels whose major coordinate lies on the surface...
  int64_t first = w.step > 0 ? -w.major : w.major - (majorSize - 1);
  int64_t last = w.step > 0 ? majorSize - 1 - w.major : w.major;
  first = first < 0 ? 0 : first;
  last = last > w.n - 1 ? w.n - 1 : last;
  if (first > last) return;
  // ... and of those the ones whose minor coordinate does too; it moves one way only.
  const auto inside = [&](int64_t m) { return m >= 0 && m < minorSize; };
  if (!inside(w.MinorAt(first)) || !inside(w.MinorAt(last))) {
    if (w.direction > 0) {
      first = w.First(first, last, [](int64_t m) { return m >= 0; });
      last = w.First(first, last, [&](int64_t m) { return m >= minorSize; }) - 1;
    } else {
      first = w.First(first, last, [&](int64_t m) { return m < minorSize; });
      last = w.First(first, last, [](int64_t m) { return m < 0; }) - 1;
    }
  }
  if (first > last) return;
  if (s.bitsPerPixel == 32) {
    Trace<4>(s, w, xMajor, first, last, pixel);
  } else {
    Trace<3>(s, w, xMajor, first, last, pixel);
  }
}

void LinePixels(const Surface& s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t pixel) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx == 0 && ady == 0) return;
  // Ties between two axes (45 degrees) walk along x.
  if (adx >= ady) {
    WalkLine(s, Walk{x0, y0, dx < 0 ? -1 : 1, dy < 0 ? -1 : 1, ady, adx}, true, pixel);
  } else {
    WalkLine(s, Walk{y0, x0, dy < 0 ? -1 : 1, dx < 0 ? -1 : 1, adx, ady}, false, pixel);
  }
}

// Beyond this many pixels across, the ellipse's error terms (cubic in the axes) would overflow
// 64 bits. GDI itself fails on boxes a few times larger; the program's rings stay far below.
constexpr int64_t kLargestEllipseAxis = int64_t{1} << 19;

}  // namespace

void FillPixels(const Surface& s, int32_t left, int32_t top, int32_t right, int32_t bottom,
                uint32_t colour) {
  const int32_t x0 = static_cast<int32_t>(Clamp(int64_t{left} - s.originX, 0, s.width));
  const int32_t x1 = static_cast<int32_t>(Clamp(int64_t{right} - s.originX, 0, s.width));
  const int32_t y0 = static_cast<int32_t>(Clamp(int64_t{top} - s.originY, 0, s.height));
  const int32_t y1 = static_cast<int32_t>(Clamp(int64_t{bottom} - s.originY, 0, s.height));
  const uint32_t pixel = PixelOf(colour);
  for (int32_t y = y0; y < y1; ++y) {
    if (s.bitsPerPixel == 32) {
      uint32_t* row = Row32(s, y);
      for (int32_t x = x0; x < x1; ++x) row[x] = pixel;
    } else {
      for (int32_t x = x0; x < x1; ++x) Plot(s, x, y, pixel);
    }
  }
}

void DrawLinePixels(const Surface& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                    uint32_t colour) {
  // Moving a line moves its pixels, ties and all: the rule depends on differences alone.
  LinePixels(s, int64_t{x0} - s.originX, int64_t{y0} - s.originY, int64_t{x1} - s.originX,
             int64_t{y1} - s.originY, PixelOf(colour));
}

// The error loop of A. Zingl's ellipse in a rectangle ("A Rasterizing Algorithm for Drawing
// Curves", 2012), as GDI's pixels show it: only the plain x step, with non-strict comparisons,
// and no second pass for the tips of flat ellipses. One quadrant is walked from the middle of
// the left side towards the top, and mirrored to the others.
void DrawEllipsePixels(const Surface& s, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       uint32_t colour) {
  const int64_t l = (left < right ? left : right) - int64_t{s.originX};
  const int64_t r = (left < right ? right : left) - int64_t{s.originX};
  const int64_t t = (top < bottom ? top : bottom) - int64_t{s.originY};
  const int64_t b = (top < bottom ? bottom : top) - int64_t{s.originY};
  const uint32_t pixel = PixelOf(colour);
  if (r - l == 0 || b - t == 0) return;
  if (r - l <= 2 || b - t <= 2) {
    // A box this thin is its rectangle's outline, drawn as a closed path of lines.
    LinePixels(s, l, t, r - 1, t, pixel);
    LinePixels(s, r - 1, t, r - 1, b - 1, pixel);
    LinePixels(s, r - 1, b - 1, l, b - 1, pixel);
    LinePixels(s, l, b - 1, l, t, pixel);
    return;
  }
  const int64_t a = r - l - 1, h = b - t - 1;
  if (a > kLargestEllipseAxis || h > kLargestEllipseAxis) return;
  const int64_t odd = h & 1;
  int64_t dx = 4 * (1 - a) * h * h, dy = 4 * (odd + 1) * a * a;
  int64_t err = dx + dy + odd * a * a;
  int64_t x0 = l, x1 = l + a, y0 = t + (h + 1) / 2, y1 = y0 - odd;
  const int64_t xStep = 8 * h * h, yStep = 8 * a * a;
  do {
    Plot(s, x1, y0, pixel);
    Plot(s, x0, y0, pixel);
    Plot(s, x0, y1, pixel);
    Plot(s, x1, y1, pixel);
    const int64_t e2 = 2 * err;
    if (e2 <= dy) ++y0, --y1, err += dy += yStep;
    if (e2 >= dx) ++x0, --x1, err += dx += xStep;
  } while (x0 <= x1);
}

namespace {

// Four 24-bit pixels (12 bytes) at a time into 32-bit ones.
void Expand24To32(uint32_t* to, const uint8_t* from, int32_t count) {
  int32_t i = 0;
  for (; i + 4 <= count; i += 4, from += 12) {
    uint32_t w[3];
    std::memcpy(w, from, 12);
    to[i] = w[0] & 0xFFFFFF;
    to[i + 1] = (w[0] >> 24 | w[1] << 8) & 0xFFFFFF;
    to[i + 2] = (w[1] >> 16 | w[2] << 16) & 0xFFFFFF;
    to[i + 3] = w[2] >> 8;
  }
  for (; i < count; ++i, from += 3) to[i] = from[0] | from[1] << 8 | from[2] << 16;
}

void CopyRow(const Surface& to, int32_t y, int32_t x, const Surface& from, int32_t fromY,
             int32_t fromX, int32_t count) {
  uint8_t* target = to.Row(y);
  const uint8_t* source = from.Row(fromY);
  if (to.bitsPerPixel == from.bitsPerPixel) {
    const int32_t bytes = to.bitsPerPixel / 8;
    std::memmove(target + intptr_t{bytes} * x, source + intptr_t{bytes} * fromX,
                 static_cast<size_t>(bytes) * count);
  } else if (to.bitsPerPixel == 32) {
    Expand24To32(reinterpret_cast<uint32_t*>(target) + x, source + 3 * intptr_t{fromX}, count);
  } else {
    const uint32_t* pixels = reinterpret_cast<const uint32_t*>(source) + fromX;
    uint8_t* p = target + 3 * intptr_t{x};
    for (int32_t i = 0; i < count; ++i, p += 3) {
      p[0] = static_cast<uint8_t>(pixels[i]);
      p[1] = static_cast<uint8_t>(pixels[i] >> 8);
      p[2] = static_cast<uint8_t>(pixels[i] >> 16);
    }
  }
}

}  // namespace

void CopyPixels(const Surface& to, int32_t x, int32_t y, int32_t width, int32_t height,
                const Surface& from, int32_t fromX, int32_t fromY) {
  if (to.bits == nullptr || from.bits == nullptr || width <= 0 || height <= 0) return;
  // The rectangle in the target's pixels, cut to both surfaces: the source mapped by the offset.
  const int64_t left = int64_t{x} - to.originX, top = int64_t{y} - to.originY;
  const int64_t offsetX = int64_t{fromX} - from.originX - left;
  const int64_t offsetY = int64_t{fromY} - from.originY - top;
  const int64_t x0 = Clamp(Clamp(left, -offsetX, from.width - offsetX), 0, to.width);
  const int64_t y0 = Clamp(Clamp(top, -offsetY, from.height - offsetY), 0, to.height);
  const int64_t x1 = Clamp(Clamp(left + width, -offsetX, from.width - offsetX), 0, to.width);
  const int64_t y1 = Clamp(Clamp(top + height, -offsetY, from.height - offsetY), 0, to.height);
  if (x0 >= x1 || y0 >= y1) return;
  const int32_t count = static_cast<int32_t>(x1 - x0);
  // Within one block of memory, rows go in the order that reads each before it is overwritten:
  // backwards when the first target row lies ahead of the first source row.
  const intptr_t gap = reinterpret_cast<intptr_t>(to.Row(static_cast<int32_t>(y0))) -
                       reinterpret_cast<intptr_t>(from.Row(static_cast<int32_t>(y0 + offsetY)));
  const bool backwards = to.bottomUp ? gap < 0 : gap > 0;
  for (int64_t i = 0; i < y1 - y0; ++i) {
    const int64_t row = backwards ? y1 - 1 - i : y0 + i;
    CopyRow(to, static_cast<int32_t>(row), static_cast<int32_t>(x0), from,
            static_cast<int32_t>(row + offsetY), static_cast<int32_t>(x0 + offsetX), count);
  }
}

}  // namespace portable_win32
