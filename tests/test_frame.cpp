#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "tests/expected_picture.h"
#include "render/canvas.h"
#include "render/orbit.h"
#include "view/view_state.h"
#include "win32_fixture.h"

namespace {

// Compares the frame's width x height top-left pixels with a fractal picture. Pixels in the
// overlay's grey are circles or axes drawn over the layer; they are counted, not compared.
struct Comparison {
  int mismatches = 0, overlay = 0;
  std::string first;
};

Comparison CompareWithFractal(const Picture& frame, const ExpectedPicture& fractal, int32_t width,
                              int32_t height) {
  Comparison c;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const int grey = frame.GreyAt(x, y);
      if (grey == kOverlayGrey) {
        ++c.overlay;
      } else if (grey != fractal.At(x, y)) {
        if (c.mismatches++ == 0) {
          c.first = std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(grey) +
                    " instead of " + std::to_string(fractal.At(x, y));
        }
      }
    }
  }
  return c;
}

int CountDifferences(const ExpectedPicture& a, const ExpectedPicture& b) {
  int count = 0;
  for (int32_t y = 0; y < 2 * a.halfHeight; ++y)
    for (int32_t x = 0; x < 2 * a.halfWidth; ++x) count += a.At(x, y) != b.At(x, y);
  return count;
}

std::set<int32_t> OverlayColumnsInRow(const Picture& frame, int32_t y) {
  std::set<int32_t> found;
  for (int32_t x = 0; x < frame.width; ++x) {
    if (frame.GreyAt(x, y) == kOverlayGrey) found.insert(x);
  }
  return found;
}

std::set<int32_t> OverlayRowsInColumn(const Picture& frame, int32_t x) {
  std::set<int32_t> found;
  for (int32_t y = 0; y < frame.height; ++y) {
    if (frame.GreyAt(x, y) == kOverlayGrey) found.insert(y);
  }
  return found;
}

class FrameTest : public testing::Test {
 protected:
  void SetUp() override {
    hwnd_ = OpenMainWindow(1200, 600);
    ASSERT_NE(hwnd_, nullptr);
    ASSERT_EQ(g_halfWidth, 600);
    ASSERT_EQ(g_halfHeight, 300);
    // The window opened at another size: render the layer for this view, with no orbit.
    g_orbitSteps = 0;
    g_redrawFractal = 1;
    Paint();
  }
  void TearDown() override { CloseMainWindow(hwnd_); }

  // A frame composed over a marked back buffer, as the window's own paint makes it.
  Picture Paint() {
    FillBitmap(g_frameBitmap, g_canvasWidth, g_canvasHeight, kMarker);
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
    return ReadFrame();
  }
  Picture Send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
    SendMessageA(hwnd_, message, wParam, lParam);
    return Paint();
  }

  HWND hwnd_ = nullptr;
};

struct CircleCase {
  const char* name;
  float scale;
  int32_t radii[3];  // of the circles of radius 2, 1 and 1/2 at H = 300
};

const CircleCase kCircles[] = {
    {"One", 1.0f, {600, 300, 150}},
    {"OneStepOut", 1.06f, {566, 283, 141}},
    // 635.99997, 317.99998 and 158.99999 truncate to one less
    {"OneStepIn", 0.9433963f, {635, 317, 158}},
    {"Two", 2.0f, {300, 150, 75}},
};

// Each ring touches its bounding box: the leftmost pixel at W - r and the rightmost at W + r - 1
// (the box's right edge is outside), and likewise top and bottom; rows just off the axes meet
// nothing else in the overlay's grey but the other axis.
TEST_F(FrameTest, RingsAndAxesLieWhereTheScalePutsThem) {
  const int32_t W = 600, H = 300;
  for (const CircleCase& c : kCircles) {
    SCOPED_TRACE(c.name);
    g_scale = c.scale;
    const Picture frame = Paint();

    std::set<int32_t> columns = {W}, rows = {H};
    for (int32_t r : c.radii) {
      if (W - r >= 0) columns.insert(W - r);
      if (W + r - 1 < frame.width) columns.insert(W + r - 1);
      if (H - r >= 0) rows.insert(H - r);
      if (H + r - 1 < frame.height) rows.insert(H + r - 1);
    }
    EXPECT_EQ(OverlayColumnsInRow(frame, H - 1), columns);
    EXPECT_EQ(OverlayRowsInColumn(frame, W - 1), rows);

    // The real axis runs from x = 0 to 2W - 1 and the imaginary one from y = 0 to 2H - 1; the
    // line ends are not drawn.
    for (int32_t x = 0; x < 2 * W; ++x) ASSERT_EQ(frame.GreyAt(x, H), kOverlayGrey) << x;
    for (int32_t y = 0; y < 2 * H; ++y) ASSERT_EQ(frame.GreyAt(W, y), kOverlayGrey) << y;
    EXPECT_NE(frame.GreyAt(2 * W, H), kOverlayGrey);
    EXPECT_NE(frame.GreyAt(W, 2 * H), kOverlayGrey);

    // Outlines only: inside the smallest ring the fractal layer shows through, in the set.
    EXPECT_EQ(frame.GreyAt(W + 20, H - 20), kFractalFloor);
    EXPECT_EQ(frame.GreyAt(W - 30, H + 25), kFractalFloor);
  }
}

// The fractal layer is rendered at start and on F5 only: zooming and resizing show the old
// picture, anchored at the top-left corner, under the new circles and axes.
TEST_F(FrameTest, FractalLayerChangesOnlyOnF5) {
  const float zoomedIn = 0.9433963f;
  const ExpectedPicture atOne(600, 300, 1.0f);
  const ExpectedPicture zoomed(600, 300, zoomedIn);
  ASSERT_GT(CountDifferences(atOne, zoomed), 1000);

  Picture frame = Paint();
  Comparison c = CompareWithFractal(frame, atOne, 1200, 600);
  EXPECT_EQ(c.mismatches, 0) << c.first;
  EXPECT_GT(c.overlay, 1800);  // at least the two axes
  EXPECT_LT(c.overlay, 8000);

  frame = Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)));
  ASSERT_EQ(g_scale, zoomedIn);
  c = CompareWithFractal(frame, atOne, 1200, 600);
  EXPECT_EQ(c.mismatches, 0) << "the layer changed on zoom: " << c.first;
  EXPECT_EQ(OverlayColumnsInRow(frame, 299), (std::set<int32_t>{283, 442, 600, 757, 916, 1234}));

  frame = Send(WM_KEYDOWN, VK_F5);
  EXPECT_EQ(g_redrawFractal, 0);
  c = CompareWithFractal(frame, zoomed, 1200, 600);
  EXPECT_EQ(c.mismatches, 0) << "F5 did not render the new scale: " << c.first;

  FillBitmap(g_frameBitmap, g_canvasWidth, g_canvasHeight, kMarker);
  ResizeClient(hwnd_, 900, 500);  // painted within its size message
  ASSERT_EQ(g_halfWidth, 450);
  ASSERT_EQ(g_halfHeight, 250);
  frame = ReadFrame();
  c = CompareWithFractal(frame, zoomed, 900, 500);
  EXPECT_EQ(c.mismatches, 0) << "the layer changed on resize: " << c.first;
  for (int32_t y = 0; y < 500; ++y) ASSERT_EQ(frame.GreyAt(450, y), kOverlayGrey) << y;
  EXPECT_EQ(g_redrawFractal, 0);

  frame = Send(WM_KEYDOWN, VK_F5);
  c = CompareWithFractal(frame, ExpectedPicture(450, 250, zoomedIn), 900, 500);
  EXPECT_EQ(c.mismatches, 0) << "F5 did not render the new size: " << c.first;
}

// A paint with no picture to show (W = H = 0) uses up the redraw request with an empty render;
// the layer keeps its content, and shows it at the next size, until F5.
TEST_F(FrameTest, EmptyViewUsesUpTheRedrawRequest) {
  FillBitmap(g_fractalBitmap, g_canvasWidth, g_canvasHeight, RGB(0, 0, 255));
  EXPECT_EQ(SendMessageA(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1, 1)), 0);
  ASSERT_EQ(g_halfWidth, 0);
  g_redrawFractal = 1;
  Paint();
  EXPECT_EQ(g_redrawFractal, 0);
  EXPECT_EQ(ReadBitmap(g_fractalBitmap, 8, 8).At(3, 3), PixelOf(RGB(0, 0, 255)));

  EXPECT_EQ(SendMessageA(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1200, 600)), 0);
  Picture frame = ReadFrame();
  EXPECT_EQ(frame.At(100, 100), PixelOf(RGB(0, 0, 255)));
  frame = Send(WM_KEYDOWN, VK_F5);
  EXPECT_EQ(CompareWithFractal(frame, ExpectedPicture(600, 300, 1.0f), 1200, 600).mismatches, 0);
}

struct Point {
  int32_t x, y;
};

struct Segment {
  Point from, to;
  int grey;
};

// The polyline of the first n orbit entries as TraceOrbit walks it, each leg with its pen's grey.
std::vector<Segment> OrbitSegments(const OrbitEntry* e, int n, bool squares) {
  std::vector<Segment> segments;
  Point at = {};
  int grey = kOverlayGrey;  // the frame's own pen until the orbit chooses one
  auto moveTo = [&](int32_t x, int32_t y) { at = {x, y}; };
  auto lineTo = [&](int32_t x, int32_t y) {
    segments.push_back({at, {x, y}, grey});
    at = {x, y};
  };
  auto pen = [&](int index) { grey = index; };
  TraceOrbit(e, n, squares, moveTo, pen, lineTo);
  return segments;
}

double DistanceToSegment(Point p, const Segment& s) {
  const double dx = s.to.x - s.from.x, dy = s.to.y - s.from.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 == 0 ? 0 : ((p.x - s.from.x) * dx + (p.y - s.from.y) * dy) / length2;
  t = std::fmax(0.0, std::fmin(1.0, t));
  return std::hypot(p.x - (s.from.x + t * dx), p.y - (s.from.y + t * dy));
}

bool GreyNear(const Picture& frame, Point p, int grey) {
  for (int32_t dy = -1; dy <= 1; ++dy) {
    for (int32_t dx = -1; dx <= 1; ++dx) {
      if (frame.GreyAt(p.x + dx, p.y + dy) == grey) return true;
    }
  }
  return false;
}

Point Middle(const Segment& s) { return {(s.from.x + s.to.x) / 2, (s.from.y + s.to.y) / 2}; }

bool Inside(Point p) { return p.x >= 2 && p.y >= 2 && p.x < 1198 && p.y < 598; }

// Checks the middle of every segment that no later segment passes near; returns how many.
int CheckSegments(const Picture& frame, const std::vector<Segment>& drawn) {
  int checked = 0;
  for (size_t i = 0; i < drawn.size(); ++i) {
    const Point middle = Middle(drawn[i]);
    if (!Inside(middle) ||
        std::hypot(drawn[i].to.x - drawn[i].from.x, drawn[i].to.y - drawn[i].from.y) < 8) {
      continue;
    }
    bool covered = false;
    for (size_t j = i + 1; j < drawn.size(); ++j)
      covered |= DistanceToSegment(middle, drawn[j]) < 3;
    if (covered) continue;
    EXPECT_TRUE(GreyNear(frame, middle, drawn[i].grey))
        << "segment " << i << " to " << drawn[i].to.x << "," << drawn[i].to.y << " should be grey "
        << drawn[i].grey << " near " << middle.x << "," << middle.y;
    ++checked;
  }
  return checked;
}

// The orbit of the seed under the cursor, drawn over everything else with its pens' greys;
// the right button adds the legs through the squares.
TEST_F(FrameTest, OrbitFollowsTheCursorInItsGreys) {
  const int32_t W = 600, H = 300;
  g_scale = 2.0f;
  g_orbitSteps = 200;
  OrbitEntry e[kOrbitCapacity];
  const int n = ComputeOrbit(e, W, H, g_scale, 351, 315, 200);
  ASSERT_GE(n, 4);
  ASSERT_LE(n, 12);  // few enough steps for distinct greys and separable segments

  Picture frame = Send(WM_MOUSEMOVE, 0, MAKELPARAM(351, 315));
  const std::vector<Segment> plain = OrbitSegments(e, n, false);
  EXPECT_GE(CheckSegments(frame, plain), 3);
  // The legs through the squares are not drawn in the plain form.
  int absent = 0;
  for (const Segment& s : OrbitSegments(e, n, true)) {
    if (!Inside(Middle(s))) continue;
    bool nearPlain = false;
    for (const Segment& p : plain) nearPlain |= DistanceToSegment(Middle(s), p) < 3;
    if (nearPlain) continue;
    EXPECT_FALSE(GreyNear(frame, Middle(s), s.grey)) << "a square's leg in the plain form";
    ++absent;
  }
  EXPECT_GE(absent, 2);

  frame = Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(351, 315));
  ASSERT_EQ(g_showSquares, 1);
  EXPECT_GE(CheckSegments(frame, OrbitSegments(e, n, true)), 5);

  // Dragging sets the orbit's length and leaves its seed: at row 0 no step, at row 1 four.
  SendMessageA(hwnd_, WM_RBUTTONDOWN, MK_RBUTTON, 0);
  frame = Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(900, 0));
  ASSERT_EQ(g_orbitSteps, 0);
  for (const Segment& s : plain) {
    if (!Inside(Middle(s))) continue;
    EXPECT_FALSE(GreyNear(frame, Middle(s), s.grey)) << "orbit of 0 steps";
  }
  frame = Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(900, 1));
  ASSERT_EQ(g_orbitSteps, 4);
  const std::vector<Segment> four = OrbitSegments(e, 4, false);
  ASSERT_EQ(four[0].grey, 167);
  EXPECT_GE(CheckSegments(frame, four), 2);
}

// An orbit whose second point leaves radius 10 is one line from c to the origin, in the frame's
// own grey: the orbit never chose a pen.
TEST_F(FrameTest, SingleStepOrbitIsDrawnInTheOverlayGrey) {
  g_scale = 4.0f;  // 75 pixels to the unit: c = 2 + 2i at (750, 450)
  g_orbitSteps = 200;
  OrbitEntry e[kOrbitCapacity];
  ASSERT_EQ(ComputeOrbit(e, 600, 300, g_scale, 750, 450, 200), 1);
  for (int squares = 0; squares <= 1; ++squares) {
    g_showSquares = static_cast<uint8_t>(squares);
    const Picture frame = Send(WM_MOUSEMOVE, 0, MAKELPARAM(750, 450));
    for (const Point p : {Point{675, 375}, Point{720, 420}, Point{630, 330}}) {
      EXPECT_TRUE(GreyNear(frame, p, kOverlayGrey)) << p.x << "," << p.y;
    }
  }
  g_orbitSteps = 0;
  const Picture frame = Paint();
  EXPECT_FALSE(GreyNear(frame, Point{675, 375}, kOverlayGrey));
}

// Zooming has no bounds: at an infinite or the smallest subnormal scale the frame still paints
// its axes, and skips circles it cannot draw.
TEST_F(FrameTest, ExtremeScalesStillPaint) {
  const int32_t W = 600, H = 300;
  g_orbitSteps = 200;
  for (int i = 0; i < 1734; ++i) SendMessageA(hwnd_, WM_KEYDOWN, VK_ADD, 0);
  ASSERT_EQ(g_scale, std::ldexp(8.0f, -149));
  // The orbit of any seed stays at its seed pixel here: put it on the origin, out of the way.
  g_mouseX = W;
  g_mouseY = H;
  Picture frame = Send(WM_KEYDOWN, VK_F5);
  EXPECT_EQ(OverlayColumnsInRow(frame, H - 1), std::set<int32_t>{W});
  // Every point of so small a view lies in the set.
  const ExpectedPicture inSet(W, H, g_scale);
  for (uint8_t grey : inSet.upper) ASSERT_EQ(grey, kFractalFloor);
  Comparison c = CompareWithFractal(frame, inSet, 2 * W, 2 * H);
  EXPECT_EQ(c.mismatches, 0) << c.first;

  g_scale = 1.0f;
  for (int i = 0; i < 1523; ++i) SendMessageA(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  ASSERT_TRUE(std::isinf(g_scale));
  g_mouseX = 0;
  g_mouseY = 0;
  frame = Send(WM_KEYDOWN, VK_F5);
  for (int32_t x = 0; x < 2 * W; ++x) ASSERT_EQ(frame.GreyAt(x, H), kOverlayGrey) << x;
  for (int32_t y = 0; y < 2 * H; ++y) ASSERT_EQ(frame.GreyAt(W, y), kOverlayGrey) << y;
  EXPECT_NE(frame.At(W + 100, H - 100), PixelOf(kMarker));
}

}  // namespace
