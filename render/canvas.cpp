#include "render/canvas.h"

HBITMAP g_frameBitmap = nullptr;
HBITMAP g_fractalBitmap = nullptr;
HBITMAP g_rasterBitmap = nullptr;
uint8_t* g_rasterBits = nullptr;
int32_t g_rasterStride = 0;
int32_t g_rasterHeight = 0;
HPEN g_greyPens[kGreyPenCount] = {};
int32_t g_canvasWidth = 0;
int32_t g_canvasHeight = 0;

namespace {

void CreateRasterBitmap(HDC dc, int32_t width, int32_t height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: rows are stored bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  g_rasterBitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  // Without a bitmap there is no memory to write: the raster then computes nothing.
  g_rasterBits = g_rasterBitmap != nullptr ? static_cast<uint8_t*>(bits) : nullptr;
  BITMAP description = {};
  if (g_rasterBitmap != nullptr) GetObjectA(g_rasterBitmap, sizeof(description), &description);
  g_rasterStride = description.bmWidthBytes;
  g_rasterHeight = height;
}

bool CanvasIsComplete() {
  if (g_frameBitmap == nullptr || g_fractalBitmap == nullptr || g_rasterBits == nullptr)
    return false;
  for (HPEN pen : g_greyPens) {
    if (pen == nullptr) return false;
  }
  return true;
}

}  // namespace

void CreateCanvas(HDC dc) {
  const int32_t height = GetSystemMetrics(SM_CYSCREEN);
  const int32_t width = GetSystemMetrics(SM_CXSCREEN);
  g_canvasWidth = width;
  g_canvasHeight = height;
  g_frameBitmap = CreateCompatibleBitmap(dc, width, height);
  g_fractalBitmap = CreateCompatibleBitmap(dc, width, height);
  CreateRasterBitmap(dc, width, height);
  for (int i = 0; i < kGreyPenCount; ++i) g_greyPens[i] = CreatePen(PS_SOLID, 1, RGB(i, i, i));
  // A canvas with a part missing would stay so for the window's life: release all of it and
  // leave the back buffer empty, so that the next paint tries again.
  if (!CanvasIsComplete()) DestroyCanvas();
}

void DestroyCanvas() {
  DeleteObject(g_rasterBitmap);
  DeleteObject(g_fractalBitmap);
  for (HPEN& pen : g_greyPens) DeleteObject(pen);
  DeleteObject(g_frameBitmap);
  // Emptied so that no later paint can reach a deleted handle, and a new window starts afresh.
  for (HPEN& pen : g_greyPens) pen = nullptr;
  g_rasterBitmap = g_fractalBitmap = g_frameBitmap = nullptr;
  g_rasterBits = nullptr;
  g_rasterStride = g_rasterHeight = g_canvasWidth = g_canvasHeight = 0;
}
