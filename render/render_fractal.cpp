#include "render/render_fractal.h"

#include "render/canvas.h"
#include "render/escape_kernels.h"
#include "render/escape_raster.h"
#include "render/overlay_geometry.h"
#include "view/view_state.h"

void RenderFractal(HDC target) {
  HDC memory = CreateCompatibleDC(target);
  HGDIOBJ previous = SelectObject(memory, g_rasterBitmap);
  ComputeEscapeRaster(g_rasterBits, g_canvasWidth, g_rasterHeight, g_rasterStride, g_halfWidth,
                      g_halfHeight, g_scale, FastestEscapeRowKernel());
  BitBlt(target, 0, 0, ClipExtent(2 * int64_t{g_halfWidth}, g_canvasWidth),
         ClipExtent(2 * int64_t{g_halfHeight}, g_rasterHeight), memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
}
