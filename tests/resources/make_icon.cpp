// make_icon FILE: writes the exe's icon (app/ostrevane.ico) to FILE. Each size is the start view
// as the viewer draws it in a square client of that size (escape-time picture, reference circles,
// axes), computed by the core; the test icon.from_core compares it with the stored icon.
//
// Every image is an uncompressed 8-bit bitmap with a grey palette in which entry g is grey g: the
// picture holds nothing but greys, so each pixel keeps its exact grey, and Windows reads bitmap
// entries of every size, 256 included. No compressor is involved, so the bytes depend on the
// core's arithmetic alone and are the same on every build machine.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "render/escape_raster.h"
#include "render/overlay_geometry.h"
#include "tests/expected_picture.h"  // kOverlayGrey
#include "view/view_state.h"

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 256};

// Square pixels, rows bottom-up as in a bitmap: display row y is row size - 1 - y.
struct Greys {
  int size;
  std::vector<uint8_t> pixels;
  void Set(int x, int y) {
    if (x >= 0 && y >= 0 && x < size && y < size)
      pixels[static_cast<size_t>(size - 1 - y) * size + x] = kOverlayGrey;
  }
};

// Close to the outline the viewer's Ellipse(W - r, H - r, W + r, H + r) draws with a one-pixel
// pen: a circle through the centres of columns W - r and W + r - 1, marked once per column and
// once per row so that it has no gaps.
void DrawCircle(Greys* image, int centre, int r) {
  const double radius = r - 0.5;
  for (int i = centre - r; i < centre + r; ++i) {
    const double offset = i + 0.5 - centre;
    const double across = std::sqrt(std::fmax(radius * radius - offset * offset, 0.0));
    const int near = static_cast<int>(std::floor(centre - across));
    const int far = static_cast<int>(std::floor(centre + across));
    image->Set(i, near), image->Set(i, far), image->Set(near, i), image->Set(far, i);
  }
}

Greys StartView(int size) {
  ResetViewState();
  const int half = size / 2;
  Greys image{size, std::vector<uint8_t>(static_cast<size_t>(size) * size)};
  std::vector<uint8_t> raster(static_cast<size_t>(size) * size * 3);
  // The scalar reference: every faster kernel gives the same bytes.
  ComputeEscapeRaster(raster.data(), size, size, size * 3, half, half, g_scale, EscapeRowScalar);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = raster[3 * i];
  for (int numerator : {2 * half, half, half / 2}) {
    const double radius = CircleRadius(numerator, g_scale);
    if (!RingMissesSurface(half, half, radius, size, size))
      DrawCircle(&image, half, static_cast<int>(radius));
  }
  for (int i = 0; i < size; ++i) image.Set(i, half), image.Set(half, i);
  return image;
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
std::vector<uint8_t> IconImage(const Greys& image) {
  const uint32_t n = static_cast<uint32_t>(image.size);
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
  for (uint32_t y = 0; y < n; ++y) {
    out.insert(out.end(), image.pixels.begin() + y * n, image.pixels.begin() + (y + 1) * n);
    out.resize(out.size() + pixelRow - n);
  }
  out.resize(out.size() + maskRow * n);
  return out;
}

std::vector<uint8_t> IconFile() {
  std::vector<std::vector<uint8_t>> images;
  for (int size : kSizes) images.push_back(IconImage(StartView(size)));
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
