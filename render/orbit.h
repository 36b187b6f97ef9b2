// The orbit of the seed pixel under z <- z^2 + c, computed into a caller's fixed array, and the
// backward polyline that draws it, both free of any platform call.
#pragma once

#include <cstdint>

#include "view/view_state.h"  // kOrbitStepLimit

// One step k of the orbit, in client pixels.
struct OrbitEntry {
  int32_t x1, y1;  // z_k squared
  int32_t x2, y2;  // z_{k+1} = z_k^2 + c
};

constexpr int kOrbitCapacity = kOrbitStepLimit + 1;

// Fills entries 0 ... and returns n, the number of steps to draw: `steps` when the orbit stays
// within radius 10, else the index of the escaping step (written, not drawn). With H = 0 the
// seed has no place in the plane and n is 0. `entries` holds kOrbitCapacity entries; steps
// above kOrbitStepLimit count as kOrbitStepLimit.
int ComputeOrbit(OrbitEntry* entries, int32_t halfWidth, int32_t halfHeight, float scale,
                 int32_t seedX, int32_t seedY, int32_t steps);

// Walks the backward polyline of n >= 1 entries: z_n, [z_{n-1}^2,] z_{n-1}, ..., [z_1^2,] z_1, 0.
// `pen` receives the grey index for the segments that follow; the first segment ends in the
// caller's pen when n = 1, since no pen is chosen then.
template <typename MoveTo, typename SelectPen, typename LineTo>
void TraceOrbit(const OrbitEntry* entries, int n, bool showSquares, MoveTo moveTo, SelectPen pen,
                LineTo lineTo) {
  if (n < 1) return;
  moveTo(entries[n - 1].x2, entries[n - 1].y2);
  for (int m = n - 1; m >= 1; --m) {
    pen(223 * m / n);
    if (showSquares) lineTo(entries[m].x1, entries[m].y1);
    lineTo(entries[m - 1].x2, entries[m - 1].y2);
  }
  lineTo(entries[0].x1, entries[0].y1);
}
