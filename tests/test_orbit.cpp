#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "render/orbit.h"
#include "view/plane_mapping.h"

namespace {

struct Segment {
  int pen;  // -1: the caller's pen
  int32_t x, y;
};

// Records the polyline the way a drawing context would see it.
struct Recording {
  int32_t startX = 0, startY = 0;
  int moves = 0;
  std::vector<Segment> lines;
};

Recording Trace(const OrbitEntry* entries, int n, bool squares) {
  Recording r;
  int pen = -1;
  TraceOrbit(
      entries, n, squares, [&](int32_t x, int32_t y) { r.startX = x, r.startY = y, ++r.moves; },
      [&](int index) { pen = index; },
      [&](int32_t x, int32_t y) {
        r.lines.push_back({pen, x, y});
      });
  return r;
}

TEST(Orbit, OriginSeedStaysAtTheCentre) {
  OrbitEntry e[kOrbitCapacity];
  const int n = ComputeOrbit(e, 400, 300, 1.0f, 400, 300, 200);
  EXPECT_EQ(n, 200);
  for (int k = 0; k < n; ++k) {
    ASSERT_EQ(e[k].x1, 400);
    ASSERT_EQ(e[k].y1, 300);
    ASSERT_EQ(e[k].x2, 400);
    ASSERT_EQ(e[k].y2, 300);
  }
}

TEST(Orbit, MinusTwoBouncesBetweenMinusTwoAndTwoWithoutEscaping) {
  OrbitEntry e[kOrbitCapacity];
  // c = -2: seed at W - 2H on row H.
  const int n = ComputeOrbit(e, 400, 100, 1.0f, 400 - 200, 100, 200);
  EXPECT_EQ(n, 200);
  EXPECT_EQ(e[0].x1, 400);        // z_0^2 = 0
  EXPECT_EQ(e[0].x2, 400 - 200);  // z_1 = -2
  EXPECT_EQ(e[1].x1, 400 + 400);  // z_1^2 = 4
  EXPECT_EQ(e[1].x2, 400 + 200);  // z_2 = 2
  EXPECT_EQ(e[199].x2, 400 + 200);
  for (int k = 0; k < n; ++k) ASSERT_EQ(e[k].y2, 100);
}

TEST(Orbit, EscapingStepIsWrittenButNotCounted) {
  OrbitEntry e[kOrbitCapacity];
  // c = 3 + 0i: z_1 = 3 (9 <= 100), z_2 = 12 (144 > 100): n = 1.
  int n = ComputeOrbit(e, 400, 100, 1.0f, 400 + 300, 100, 200);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(e[0].x2, 700);
  EXPECT_EQ(e[1].x1, 400 + 900);   // z_1^2 = 9
  EXPECT_EQ(e[1].x2, 400 + 1200);  // z_2 = 12, the escaping point
  // A seed beyond radius 10 escapes on its first step: nothing to draw.
  EXPECT_EQ(ComputeOrbit(e, 400, 100, 1.0f, 400 + 1100, 100, 200), 0);
  // c = 1: 0, 1, 2, 5, 26: z_4 escapes, n = 3.
  n = ComputeOrbit(e, 400, 100, 1.0f, 500, 100, 200);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(e[2].x2, 400 + 500);
}

TEST(Orbit, StepCountBoundsTheEntriesWritten) {
  OrbitEntry e[kOrbitCapacity];
  for (OrbitEntry& entry : e) entry = {-7, -7, -7, -7};
  EXPECT_EQ(ComputeOrbit(e, 400, 300, 1.0f, 400, 300, 0), 0);
  EXPECT_EQ(e[0].x1, -7);
  EXPECT_EQ(ComputeOrbit(e, 400, 300, 1.0f, 400, 300, 1), 1);
  EXPECT_EQ(e[1].x1, -7);
  EXPECT_EQ(ComputeOrbit(e, 400, 300, 1.0f, 400, 300, 4095), 4095);
  EXPECT_EQ(e[4095].x1, -7);
  // More than the array holds counts as the most it holds.
  EXPECT_EQ(ComputeOrbit(e, 400, 300, 1.0f, 400, 300, 1 << 30), 4095);
  EXPECT_EQ(e[4095].x1, -7);
}

// The seed is the view's own mapping of its pixel: z_1 = c maps back onto the seed, rounded as
// the mapping rounds (a float product and quotient would miss it for about half these offsets).
TEST(Orbit, SeedIsThePixelThroughTheViewMapping) {
  OrbitEntry e[kOrbitCapacity];
  const int32_t w = 512, h = 300;
  const float s = 1.06f;
  for (int32_t offset = -400; offset <= 400; ++offset) {
    ASSERT_EQ(ComputeOrbit(e, w, h, s, w + offset, h - offset, 1), 1);
    ASSERT_EQ(e[0].x2, PlaneToPixel(w, PixelToPlane(offset, s, h), s, h)) << offset;
    ASSERT_EQ(e[0].y2, PlaneToPixel(h, PixelToPlane(-offset, s, h), s, h)) << offset;
  }
}

// Orbits worked out by hand, each where a rounding of the arithmetic shows. At W = H = 1024 and
// s = 2^-19 a pixel is 2^-29 wide: v lies at pixel origin + trunc(P v) with P = 2^29, so a
// rounding that drops 2^-26 moves a point by 8 pixels. Each c is exact in float, and so the seed
// is z_1 of the first entry. Entries are pixel offsets from (W, H).
struct Golden {
  const char* name;
  std::vector<OrbitEntry> entries;
};

constexpr int32_t P = 1 << 29;

const Golden kGolden[] = {
    // c = -(1 + 2^-13). c^2 = 1 + 2^-12 + 2^-26 is rounded to 1 + 2^-12, so z_2 = 2^-13 and
    // z_3 = c + 2^-26, whose 27 bits only the double zr keeps (a float would give c again).
    // z_3^2 rounds to 1 + 2^-12 again: z_4 = z_2, z_5 = z_3.
    {"RealPartCarriedInDouble",
     {{0, 0, -(P + (1 << 16)), 0},
      {P + (1 << 17), 0, 1 << 16, 0},
      {8, 0, -(P + (1 << 16)) + 8, 0},
      {P + (1 << 17), 0, 1 << 16, 0},
      {8, 0, -(P + (1 << 16)) + 8, 0}}},
    // c = (1 + 2^-13) i. zi^2 rounds to 1 + 2^-12, so z_2 = -(1 + 2^-12) + c. Then zr^2 =
    // 1 + 2^-11 + 2^-24 lies halfway between two floats and rounds to the even one, 1 + 2^-11,
    // so t = 2^-12 (unrounded squares give 2^-12 + 3 * 2^-26); 2 zi zr = -(2 + 3 * 2^-12 + 2^-24)
    // rounds to -(2 + 3 * 2^-12); z_3 = 2^-12 - (1 + 5 * 2^-13) i.
    {"SquaresAndProductRoundedToFloat",
     {{0, 0, 0, P + (1 << 16)},
      {-(P + (1 << 17)), 0, -(P + (1 << 17)), P + (1 << 16)},
      {1 << 17, -(2 * P + 3 * (1 << 17)), 1 << 17, -(P + 5 * (1 << 16))}}},
    // c = 1/8 + (1/4 + 2^-24) i. zr^2 = 2^-6 and zi^2 = 2^-4 + 2^-25 (2^-48 dropped), so
    // t = -(3 * 2^-6 + 2^-25), 2 zi zr = 2^-4 + 2^-26 and zr = 5 * 2^-6 - 2^-25. The new zi,
    // 5 * 2^-4 + 2^-24 + 2^-26, lies halfway between floats 2^-25 apart: it rounds to the even
    // 5 * 2^-4 + 2^-24.
    {"ImaginaryPartRoundedToFloat",
     {{0, 0, 1 << 26, (1 << 27) + 32},
      {-(3 * (1 << 23) + 16), (1 << 25) + 8, 5 * (1 << 23) - 16, 5 * (1 << 25) + 32}}},
};

TEST(Orbit, RoundingsShowInOrbitsWorkedByHand) {
  const int32_t w = 1024, h = 1024;
  const float s = std::ldexp(1.0f, -19);
  for (const Golden& g : kGolden) {
    SCOPED_TRACE(g.name);
    OrbitEntry e[kOrbitCapacity];
    const int steps = static_cast<int>(g.entries.size());
    const int32_t seedX = w + g.entries[0].x2, seedY = h + g.entries[0].y2;
    ASSERT_EQ(ComputeOrbit(e, w, h, s, seedX, seedY, steps), steps);
    for (int k = 0; k < steps; ++k) {
      const OrbitEntry& want = g.entries[k];
      EXPECT_EQ(e[k].x1 - w, want.x1) << k;
      EXPECT_EQ(e[k].y1 - h, want.y1) << k;
      EXPECT_EQ(e[k].x2 - w, want.x2) << k;
      EXPECT_EQ(e[k].y2 - h, want.y2) << k;
    }
  }
}

TEST(Orbit, ExtremeViewsClampInsteadOfOverflowing) {
  OrbitEntry e[kOrbitCapacity];
  const float inf = std::numeric_limits<float>::infinity();
  const float tiny = std::ldexp(8.0f, -149);
  EXPECT_EQ(ComputeOrbit(e, 400, 0, 1.0f, 10, 10, 200), 0);  // H = 0: no place in the plane
  // Infinite scale: the seed is infinite or not a number; every point is clamped, none escapes
  // by a comparison with NaN, and the orbit runs its steps.
  int n = ComputeOrbit(e, 400, 300, inf, 10, 10, 50);
  EXPECT_GE(n, 0);
  EXPECT_LE(n, 50);
  // Deep zoom: at s = 1e-6 and H = 1000 the seed c = -2 lies 2e9 pixels left of the centre, and
  // z_1^2 = 4 lies beyond the 32-bit range on the right.
  n = ComputeOrbit(e, 400, 1000, 1e-6f, 400 - 2000000000, 1000, 50);
  ASSERT_GE(n, 2);
  EXPECT_LT(e[0].x2, -1900000000);
  EXPECT_EQ(e[1].x1, INT32_MAX);
  // The subnormal fixed point of the zoom maps a near seed to a tiny c, which stays near.
  n = ComputeOrbit(e, 400, 300, tiny, 500, 300, 50);
  EXPECT_EQ(n, 50);
  EXPECT_GT(e[0].x2, 400);
}

TEST(OrbitTrace, PenIndicesForFiveAndTwoSteps) {
  OrbitEntry e[kOrbitCapacity] = {};
  std::vector<int> pens;
  for (const Segment& s : Trace(e, 5, false).lines) pens.push_back(s.pen);
  EXPECT_EQ(pens, (std::vector<int>{178, 133, 89, 44, 44}));
  pens.clear();
  for (const Segment& s : Trace(e, 2, false).lines) pens.push_back(s.pen);
  EXPECT_EQ(pens, (std::vector<int>{111, 111}));
}

TEST(OrbitTrace, OneStepDrawsOneLineInTheCallersPen) {
  OrbitEntry e[2] = {{400, 300, 450, 320}, {0, 0, 0, 0}};
  for (bool squares : {false, true}) {
    const Recording r = Trace(e, 1, squares);
    EXPECT_EQ(r.moves, 1);
    EXPECT_EQ(r.startX, 450);
    EXPECT_EQ(r.startY, 320);
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].pen, -1);
    EXPECT_EQ(r.lines[0].x, 400);
    EXPECT_EQ(r.lines[0].y, 300);
  }
}

TEST(OrbitTrace, PlainAndDetailedVisitTheirVertices) {
  // Entry k: z_k^2 at (10k + 1, k), z_{k+1} at (10k + 2, k).
  OrbitEntry e[4];
  for (int k = 0; k < 4; ++k) e[k] = {10 * k + 1, k, 10 * k + 2, k};
  Recording plain = Trace(e, 3, false);
  EXPECT_EQ(plain.startX, 22);  // z_3
  std::vector<int32_t> xs;
  for (const Segment& s : plain.lines) xs.push_back(s.x);
  EXPECT_EQ(xs, (std::vector<int32_t>{12, 2, 1}));  // z_2, z_1, 0
  Recording detailed = Trace(e, 3, true);
  xs.clear();
  std::vector<int> pens;
  for (const Segment& s : detailed.lines) xs.push_back(s.x), pens.push_back(s.pen);
  EXPECT_EQ(xs, (std::vector<int32_t>{21, 12, 11, 2, 1}));  // z_2^2, z_2, z_1^2, z_1, 0
  EXPECT_EQ(pens, (std::vector<int>{148, 148, 74, 74, 74}));
  EXPECT_EQ(Trace(e, 0, true).moves, 0);
}

}  // namespace
