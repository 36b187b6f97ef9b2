// make_icon FILE: writes the exe's icon (app/ostrevane.ico) to FILE. Each size is the start view
// as the viewer draws it in a square client of that size (escape-time picture, reference circles,
// axes), computed by the core and drawn with GDI's pixels; the test icon.from_core compares it
// with the stored icon.
//
// Every image is an uncompressed 8-bit bitmap with a grey palette in which entry g is grey g: the
// picture holds nothing but greys, so each pixel keeps its exact grey, and Windows reads bitmap
// entries of every size, 256 included. No compressor is involved, so the bytes depend on the
// core's arithmetic alone and are the same on every build machine.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "portable_win32/pixel_rules.h"
#include "render/escape_raster.h"
#include "render/overlay_geometry.h"
#include "tests/expected_picture.h"  // kOverlayGrey
#include "view/view_state.h"

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 256};

// The start view as the viewer's frame shows it in a square client: the escape-time picture, then
// the circles and axes with GDI's pixels, drawn by our layer's rules (the same as GDI32's).
std::vector<uint32_t> StartView(int size) {
  ResetViewState();
  const int half = size / 2;
  // The scalar reference: every faster kernel gives the same bytes. Rows of 3 * size bytes end on
  // a 32-bit boundary for every size here, as the raster buffer's must.
  std::vector<uint8_t> raster(static_cast<size_t>(size) * size * 3);
  ComputeEscapeRaster(raster.data(), size, size, size * 3, half, half, g_scale, EscapeRowScalar);
  std::vector<uint32_t> frame(static_cast<size_t>(size) * size);
  const portable_win32::Surface from{raster.data(), size, size, size * 3, 24, true};
  const portable_win32::Surface to{reinterpret_cast<uint8_t*>(frame.data()), size, size, size * 4};
  portable_win32::CopyPixels(to, 0, 0, size, size, from, 0, 0);
  const uint32_t grey = kOverlayGrey * 0x010101u;
  for (int numerator : {2 * half, half, half / 2}) {
    const double radius = CircleRadius(numerator, g_scale);
    if (RingMissesSurface(half, half, radius, size, size)) continue;
    const int r = static_cast<int>(radius);
    portable_win32::DrawEllipsePixels(to, half - r, half - r, half + r, half + r, grey);
  }
  portable_win32::DrawLinePixels(to, 0, half, 2 * half, half, grey);
  portable_win32::DrawLinePixels(to, half, 0, half, 2 * half, grey);
  return frame;
}

void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One icon image: header, palette, pixels, then the all-opaque mask (1 bit a pixel), every row
// padded to four bytes.
std::vector<uint8_t> IconImage(const std::vector<uint32_t>& frame, int size) {
  const uint32_t n = static_cast<uint32_t>(size);
  const uint32_t pixelRow = (n + 3) & ~3u, maskRow = ((n + 31) / 32) * 4;
  std::vector<uint8_t> out;
  Put32(&out, 40);     // BITMAPINFOHEADER
  Put32(&out, n);      // width
  Put32(&out, 2 * n);  // height of pixels and mask together
  Put16(&out, 1);      // planes
  Put16(&out, 8);      // bits a pixel
  Put32(&out, 0);      // BI_RGB
  Put32(&out, (pixelRow + maskRow) * n);
  for (int i = 0; i < 4; ++i) Put32(&out, 0);  // resolution, colours used and important
  for (uint32_t g = 0; g < 256; ++g) Put32(&out, g * 0x010101u);
  for (uint32_t y = 0; y < n; ++y) {  // bottom-up; every pixel is a grey: its blue byte
    for (uint32_t x = 0; x < n; ++x)
      out.push_back(static_cast<uint8_t>(frame[(n - 1 - y) * n + x]));
    out.resize(out.size() + pixelRow - n);
  }
  out.resize(out.size() + maskRow * n);
  return out;
}

std::vector<uint8_t> IconFile() {
  std::vector<std::vector<uint8_t>> images;
  for (int size : kSizes) images.push_back(IconImage(StartView(size), size));
  std::vector<uint8_t> out;
  Put16(&out, 0);  // ICONDIR
  Put16(&out, 1);  // an icon, not a cursor
  Put16(&out, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<uint8_t>(kSizes[i]));  // 256 is written as 0
    out.push_back(static_cast<uint8_t>(kSizes[i]));
    out.push_back(0);  // 256 colours
    out.push_back(0);
    Put16(&out, 1);  // planes
    Put16(&out, 8);  // bits a pixel
    Put32(&out, static_cast<uint32_t>(images[i].size()));
    Put32(&out, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_icon FILE\n");
    return 2;
  }
  const std::vector<uint8_t> icon = IconFile();
  FILE* f = fopen(argv[1], "wb");
  const bool written = f && fwrite(icon.data(), 1, icon.size(), f) == icon.size();
  if (!f || fclose(f) != 0 || !written) {
    fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  printf("%s: %zu bytes\n", argv[1], icon.size());
  return 0;
}
