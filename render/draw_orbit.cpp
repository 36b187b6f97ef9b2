#include "render/draw_orbit.h"

#include "render/canvas.h"
#include "render/orbit.h"
#include "view/view_state.h"

void DrawOrbit(HDC dc) {
  OrbitEntry entries[kOrbitCapacity];
  const int n =
      ComputeOrbit(entries, g_halfWidth, g_halfHeight, g_scale, g_mouseX, g_mouseY, g_orbitSteps);
  TraceOrbit(
      entries, n, g_showSquares != 0, [dc](int32_t x, int32_t y) { MoveToEx(dc, x, y, nullptr); },
      [dc](int index) { SelectObject(dc, g_greyPens[index]); },
      [dc](int32_t x, int32_t y) { LineTo(dc, x, y); });
}
