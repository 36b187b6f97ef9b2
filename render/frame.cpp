#include "render/frame.h"

#include "render/canvas.h"
#include "render/draw_orbit.h"
#include "render/overlay_geometry.h"
#include "render/render_fractal.h"
#include "view/view_state.h"

namespace {

// Fractal layer, three circles, two axes and the orbit, back to front.
void DrawOverlay(HDC dc);
// Copies the fractal layer into dc, rendering it first when the redraw flag is set.
void PresentFractal(HDC dc);

// numerator / s pixels about (W, H). Rings that cannot touch the canvas are left out: besides
// saving work, very large ellipses crash some GDI implementations.
void DrawReferenceCircle(HDC dc, int32_t numerator) {
  const double radius = CircleRadius(numerator, g_scale);
  if (RingMissesSurface(g_halfWidth, g_halfHeight, radius, g_canvasWidth, g_canvasHeight)) return;
  const int32_t r = static_cast<int32_t>(radius);
  Ellipse(dc, g_halfWidth - r, g_halfHeight - r, g_halfWidth + r, g_halfHeight + r);
}

void DrawAxes(HDC dc) {
  MoveToEx(dc, 0, g_halfHeight, nullptr);
  LineTo(dc, 2 * g_halfWidth, g_halfHeight);
  MoveToEx(dc, g_halfWidth, 0, nullptr);
  LineTo(dc, g_halfWidth, 2 * g_halfHeight);
}

}  // namespace

void PaintFrame(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(memory, g_frameBitmap);
  FillRect(memory, &client, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
  DrawOverlay(memory);
  BitBlt(dc, 0, 0, ClipExtent(client.right, g_canvasWidth),
         ClipExtent(client.bottom, g_canvasHeight), memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
}

namespace {

void DrawOverlay(HDC dc) {
  HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  HGDIOBJ previousPen = SelectObject(dc, g_greyPens[207]);
  PresentFractal(dc);
  DrawReferenceCircle(dc, 2 * g_halfHeight);
  DrawReferenceCircle(dc, g_halfHeight);
  DrawReferenceCircle(dc, g_halfHeight / 2);
  DrawAxes(dc);
  DrawOrbit(dc);  // leaves its last pen selected; ours goes back below
  SelectObject(dc, previousPen);
  SelectObject(dc, previousBrush);
}

void PresentFractal(HDC dc) {
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(memory, g_fractalBitmap);
  if (g_redrawFractal) {
    g_redrawFractal = 0;
    RenderFractal(memory);
  }
  BitBlt(dc, 0, 0, ClipExtent(2 * int64_t{g_halfWidth}, g_canvasWidth),
         ClipExtent(2 * int64_t{g_halfHeight}, g_canvasHeight), memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
}

}  // namespace
