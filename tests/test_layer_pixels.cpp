// Our drawing layer beside the real GDI32: the same lines, ellipses, fills and copies drawn by
// both into surfaces of the same size and format, every byte compared. The cases keep to what
// Wine's GDI draws right: lines with both ends within 2^27 of the surface, or long lines it has
// been seen to get right (horizontal, vertical, diagonal, from the surface outwards), and boxes
// at most 46341 pixels across (the square of one more overflows 32 bits in Wine's arithmetic).
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/gdi_pair.h"

namespace {

using namespace gdi_pair;  // NOLINT: the pair's names are this file's subject

constexpr int kWidth = 61, kHeight = 47;  // odd, so that no rule hides behind a symmetry
constexpr COLORREF kInk = RGB(0x12, 0x34, 0x56);
constexpr COLORREF kPaper = RGB(0xF0, 0xE1, 0xD2);

// Draws a case with both GDIs on paper of one format and returns what differs, or "".
template <class Draw>
std::string Differences(Format format, Draw draw, int width = kWidth, int height = kHeight) {
  Surface<Real> real(format, width, height, kInk);
  Surface<Ours> ours(format, width, height, kInk);
  real.Fill(kPaper);
  ours.Fill(kPaper);
  draw(Real{}, real.dc);
  draw(Ours{}, ours.dc);
  GdiFlush();
  const std::vector<uint8_t> a = real.Bytes(), b = ours.Bytes();
  if (a.size() != b.size()) return "sizes differ";
  size_t count = 0, first = 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && count++ == 0) first = i;
  if (count == 0) return "";
  return std::to_string(count) + " bytes differ, the first at byte " + std::to_string(first);
}

const Format kFormats[] = {kCompatible, kDib32, kDib24};

struct Line {
  int x0, y0, x1, y1;
};

std::vector<Line> LineCases() {
  std::vector<Line> lines;
  // Every octant and both directions, at slopes with ties and without, short and long, from a
  // point inside and from one near each edge.
  const int slopes[][2] = {{1, 0}, {2, 1}, {3, 1}, {3, 2}, {4, 1}, {5, 2}, {7, 3}, {1, 1}, {8, 5}};
  const int scales[] = {1, 2, 3, 5, 17, 1000, 3000};
  const POINT starts[] = {{30, 23}, {0, 0}, {60, 46}, {-3, 20}, {64, 20}, {30, -2}, {30, 49}};
  for (const POINT& s : starts)
    for (const auto& slope : slopes)
      for (int scale : scales)
        for (int variant = 0; variant < 8; ++variant) {
          int dx = slope[0] * scale, dy = slope[1] * scale;
          if (variant & 1) std::swap(dx, dy);
          if (variant & 2) dx = -dx;
          if (variant & 4) dy = -dy;
          lines.push_back({s.x, s.y, s.x + dx, s.y + dy});
          lines.push_back({s.x + dx, s.y + dy, s.x, s.y});
        }
  for (int dx = -2; dx <= 2; ++dx)
    for (int dy = -2; dy <= 2; ++dy) lines.push_back({30, 23, 30 + dx, 23 + dy});  // 0 ... 2 long
  // Wholly outside: beside an edge, past a corner, along an edge's outer side.
  lines.insert(lines.end(), {{-5, -5, 70, -1},
                             {-20, 10, -1, 40},
                             {62, -9, 120, 40},
                             {-10, 40, 20, 70},
                             {65, 30, 30, 65},
                             {-1, -1, -1, 47},
                             {61, 0, 61, 47},
                             {0, 47, 61, 47}});
  // Ends near the 32-bit limits that Wine's GDI draws right.
  const int M = INT_MAX, m = INT_MIN;
  lines.insert(lines.end(), {{m, 10, M, 10},
                             {m, 10, 30, 10},
                             {30, 10, m, 10},
                             {30, 10, M, 10},
                             {20, m, 20, M},
                             {20, m, 20, 30},
                             {m, m, M, M},
                             {M, M, m, m},
                             {m, M, M, m},
                             {0, 0, M, M},
                             {M, M, 0, 0},
                             {0, 46, M, m + 46},
                             {5, 5, M, 40},
                             {5, 5, m, 40},
                             {5, 5, 40, M},
                             {5, 5, 40, m},
                             {60, 5, m, 6},
                             {0, 5, M, 6},
                             {m, 5, m + 1, 6},
                             {-134217728, -134217728, 134217727, 134217727},
                             {0, 0, 134217727, 100000}});
  return lines;
}

TEST(LayerPixels, LinesAreGdis) {
  std::vector<Line> cases = LineCases();
  std::mt19937 random(20261208);
  auto close = [&](int limit) { return static_cast<int>(random() % (limit + 20)) - 10; };
  auto distant = [&] { return static_cast<int>(random() % (1u << 28)) - (1 << 27); };
  for (int i = 0; i < 4000; ++i) {
    const Line a = {close(kWidth), close(kHeight), close(kWidth), close(kHeight)};
    cases.push_back(i % 2 ? Line{a.x0, a.y0, distant(), distant()} : a);
  }
  int compared = 0;
  for (Format format : kFormats) {
    {
      for (const Line& c : cases) {
        const std::string d = Differences(format, [&](auto gdi, auto dc) {
          gdi.MoveToEx(dc, c.x0, c.y0);
          gdi.LineTo(dc, c.x1, c.y1);
          // The current position moved to the end (Wine's own lines from far ends go wrong).
          if (std::abs(c.x1) < (1 << 27) && std::abs(c.y1) < (1 << 27)) gdi.LineTo(dc, 30, 23);
        });
        ASSERT_EQ(d, "") << "format " << format << ": line " << c.x0 << "," << c.y0 << " to "
                         << c.x1 << "," << c.y1;
        ++compared;
      }
    }
  }
  std::printf("%d lines compared\n", compared);
}

TEST(LayerPixels, EllipseOutlinesAreGdis) {
  std::vector<RECT> boxes;
  // Boxes 0 ... 3 and more pixels across, upside down and back to front, inside, across each
  // edge and corner, around the whole surface, and wholly outside.
  const int sizes[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 30, 61, 62, 200, 1000, 46341};
  const POINT centres[] = {{30, 23}, {0, 0},   {60, 46},   {-2, 23}, {62, 23},
                           {30, -1}, {30, 48}, {-40, -40}, {200, 23}};
  for (const POINT& c : centres)
    for (int w : sizes)
      for (int h : sizes) {
        if ((w > 1000 && h > 200) || (h > 1000 && w > 200)) continue;  // a few seconds each
        boxes.push_back({c.x - w / 2, c.y - h / 2, c.x - w / 2 + w, c.y - h / 2 + h});
      }
  boxes.push_back({40, 30, 10, 5});  // corners given the other way round
  boxes.push_back({10, 30, 40, 5});
  std::mt19937 random(20261209);
  for (int i = 0; i < 3000; ++i) {
    const int w = static_cast<int>(random() % (i % 3 ? 40 : 600));
    const int h = static_cast<int>(random() % (i % 5 ? 40 : 600));
    const int x = static_cast<int>(random() % (kWidth + w + 20)) - w - 10;
    const int y = static_cast<int>(random() % (kHeight + h + 20)) - h - 10;
    boxes.push_back(random() % 2 ? RECT{x, y, x + w, y + h} : RECT{x + w, y + h, x, y});
  }
  for (Format format : kFormats) {
    for (const RECT& b : boxes) {
      const std::string d = Differences(
          format, [&](auto gdi, auto dc) { gdi.Ellipse(dc, b.left, b.top, b.right, b.bottom); });
      ASSERT_EQ(d, "") << "format " << format << ": box " << b.left << "," << b.top << " to "
                       << b.right << "," << b.bottom;
    }
  }
  std::printf("%zu ellipses compared in each of 3 formats\n", boxes.size());
}

TEST(LayerPixels, FillsAreGdis) {
  const RECT rects[] = {{0, 0, kWidth, kHeight}, {5, 7, 6, 8},
                        {-5, -5, 10, 10},        {50, 40, 90, 90},
                        {10, 10, 10, 30},        {40, 30, 10, 5},
                        {10, 30, 40, 5},         {INT_MIN, INT_MIN, INT_MAX, INT_MAX}};
  for (Format format : kFormats)
    for (const RECT& r : rects) {
      const std::string d = Differences(format, [&](auto gdi, auto dc) {
        auto brush = gdi.CreateSolidBrush(kInk);
        gdi.FillRect(dc, r, brush);
        gdi.DeleteObject(brush);
        gdi.FillRect(dc, RECT{r.left / 2, 20, r.right / 2, 23}, gdi.SystemBrush(COLOR_WINDOW));
      });
      EXPECT_EQ(d, "") << "format " << format << ": " << r.left << "," << r.top << " to " << r.right
                       << "," << r.bottom;
    }
}

struct Blit {
  int x, y, width, height, fromX, fromY;
};

// A copy from a patterned source of one format into paper of another.
template <class Gdi, class Dc>
void CopyPattern(Gdi gdi, Dc dc, Format source, const Blit& b) {
  Surface<Gdi> from(source, kWidth - 8, kHeight + 5, kInk);  // a source of another size
  for (int y = 0; y < kHeight + 5; y += 2) {
    gdi.MoveToEx(from.dc, 0, y);
    gdi.LineTo(from.dc, kWidth, y + 30);
  }
  gdi.Ellipse(from.dc, 3, 2, 40, 30);
  gdi.BitBlt(dc, b.x, b.y, b.width, b.height, from.dc, b.fromX, b.fromY);
}

TEST(LayerPixels, BlockCopiesAreGdis) {
  std::vector<Blit> blits = {{0, 0, kWidth, kHeight, 0, 0},
                             {5, 6, 20, 10, 3, 2},
                             {-7, -3, 30, 30, 0, 0},
                             {50, 40, 30, 30, 0, 0},
                             {0, 0, 30, 30, -10, -4},
                             {10, 10, 40, 40, 40, 40},
                             {0, 0, 0, 10, 0, 0},
                             {3, 3, 1, 1, 60, 60},
                             {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0},
                             {0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN}};
  std::mt19937 random(20261210);
  auto any = [&](int low, int high) { return low + static_cast<int>(random() % (high - low)); };
  for (int i = 0; i < 600; ++i)
    blits.push_back(
        {any(-70, 70), any(-60, 60), any(0, 90), any(0, 70), any(-70, 70), any(-60, 60)});
  for (Format to : kFormats)
    for (Format from : kFormats)
      for (const Blit& b : blits) {
        const std::string d =
            Differences(to, [&](auto gdi, auto dc) { CopyPattern(gdi, dc, from, b); });
        ASSERT_EQ(d, "") << "format " << from << " to " << to << ": " << b.width << "x" << b.height
                         << " from " << b.fromX << "," << b.fromY << " to " << b.x << "," << b.y;
      }
}

}  // namespace
