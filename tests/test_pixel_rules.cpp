// Lines with ends anywhere in the 32-bit range, where Wine's GDI is no judge (it goes wrong on
// some lines longer than about 2^28), against the line rule itself, worked out for each column
// (or row, for steep lines) with 128-bit integers: the pixel there is the one nearest to the
// line, a tie going to the smaller coordinate; the first pixel drawn, the last not.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "portable_win32/pixel_rules.h"

namespace {

constexpr int kWidth = 61, kHeight = 47;

#if defined(__SIZEOF_INT128__)
using Wide = __int128;

Wide FloorDivide(Wide a, Wide d) { return a / d - (a % d != 0 && (a < 0) != (d < 0)); }

std::set<std::pair<int, int>> RulePixels(int x0, int y0, int x1, int y1) {
  std::set<std::pair<int, int>> pixels;
  const Wide dx = Wide{x1} - x0, dy = Wide{y1} - y0;
  const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
  const Wide n = xMajor ? (dx < 0 ? -dx : dx) : (dy < 0 ? -dy : dy);
  if (n == 0) return pixels;
  const Wide major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
  const Wide dMinor = xMajor ? dy : dx, step = (xMajor ? dx : dy) < 0 ? -1 : 1;
  for (int m = 0; m < (xMajor ? kWidth : kHeight); ++m) {
    const Wide t = (m - major0) * step;
    if (t < 0 || t >= n) continue;
    // ceil((2 t dMinor - n) / 2n) = -floor((n - 2 t dMinor) / 2n)
    const Wide minor = minor0 - FloorDivide(n - 2 * t * dMinor, 2 * n);
    if (minor < 0 || minor >= (xMajor ? kHeight : kWidth)) continue;
    pixels.insert(xMajor ? std::make_pair(m, int(minor)) : std::make_pair(int(minor), m));
  }
  return pixels;
}

TEST(PixelRules, LinesAcrossThe32BitRangeFollowTheRule) {
  const int M = INT_MAX, m = INT_MIN;
  std::vector<std::vector<int>> lines = {{M, 10, m, 10},
                                         {M, 10, 30, 10},
                                         {20, M, 20, m},
                                         {20, M, 20, 5},
                                         {M, 20, m, 21},
                                         {m, 20, M, 21},
                                         {m, 0, M, 46},
                                         {M, 0, m, 46},
                                         {-342710408, 17, 375733240, 46},
                                         {-1765589, 40, 404781137, 41}};
  std::mt19937 random(20261211);
  for (int i = 0; i < 3000; ++i) {
    const int near = static_cast<int>(random() % 80) - 10, far = static_cast<int>(random());
    lines.push_back(i % 2 ? std::vector<int>{near, 20, far, static_cast<int>(random())}
                          : std::vector<int>{far, static_cast<int>(random()), 30, near});
  }
  std::vector<uint32_t> memory(kWidth * kHeight);
  portable_win32::Surface surface;
  surface.bits = reinterpret_cast<uint8_t*>(memory.data());
  surface.width = kWidth;
  surface.height = kHeight;
  surface.stride = kWidth * 4;
  int drawn = 0;
  for (const std::vector<int>& l : lines) {
    std::fill(memory.begin(), memory.end(), 0);
    portable_win32::DrawLinePixels(surface, l[0], l[1], l[2], l[3], 0xFFFFFF);
    std::set<std::pair<int, int>> found;
    for (int i = 0; i < kWidth * kHeight; ++i)
      if (memory[i] != 0) found.insert({i % kWidth, i / kWidth});
    ASSERT_EQ(found, RulePixels(l[0], l[1], l[2], l[3]))
        << l[0] << "," << l[1] << " to " << l[2] << "," << l[3];
    drawn += !found.empty();
  }
  EXPECT_GT(drawn, 1000) << "too few lines crossed the surface to tell anything";
}
#endif

}  // namespace
