// The program's icons. Each size is the start view as the viewer draws it in a square client of
// that size (escape-time picture, reference circles, axes), computed by the core and drawn with
// GDI's pixels.
//   make_icons ico FILE   the exe's icon (app/ostrevane.ico; the test icon.from_core compares)
//   make_icons png DIR    the desktop's icons, DIR/NxN/apps/ostrevane.png, which the build installs
//   make_icons web DIR    the web page's, DIR/icon-N.png, at the sizes a web app's manifest names
//
// The picture holds nothing but greys, so each pixel keeps its exact grey: the exe's images are
// uncompressed 8-bit bitmaps with a grey palette in which entry g is grey g (Windows reads bitmap
// entries of every size, 256 included), the PNGs 8-bit greyscale. No compression library is used
// (the PNGs' deflate stream is written here), so the bytes depend on the core's arithmetic alone
// and are the same on every build machine.
#include <sys/stat.h>  // mkdir: the WebAssembly build's C++ library has no <filesystem>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "portable_win32/pixel_rules.h"
#include "render/escape_raster.h"
#include "render/overlay_geometry.h"
#include "tests/expected_picture.h"  // kOverlayGrey
#include "view/view_state.h"

namespace {

constexpr int kIconSizes[] = {16, 24, 32, 48, 256};
// The sizes of the freedesktop icon theme's fixed-size folders that desktops look in first.
constexpr int kPngSizes[] = {16, 24, 32, 48, 64, 128, 256};
// What browsers ask of an installable web app: a launcher's icon and a splash screen's.
constexpr int kWebSizes[] = {192, 512};

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
  for (int size : kIconSizes) images.push_back(IconImage(StartView(size), size));
  std::vector<uint8_t> out;
  Put16(&out, 0);  // ICONDIR
  Put16(&out, 1);  // an icon, not a cursor
  Put16(&out, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<uint8_t>(kIconSizes[i]));  // 256 is written as 0
    out.push_back(static_cast<uint8_t>(kIconSizes[i]));
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

// PNG numbers are big-endian.
void PutBig32(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

// CRC-32 (ISO 3309, reflected polynomial 0xEDB88320) of bytes[from ...], bit by bit: the icons
// are small.
uint32_t Crc32(const std::vector<uint8_t>& bytes, size_t from) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = from; i < bytes.size(); ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// Length, type, data, then the CRC of type and data.
void PutChunk(std::vector<uint8_t>* png, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  const size_t from = png->size();
  png->insert(png->end(), type, type + 4);
  png->insert(png->end(), data.begin(), data.end());
  PutBig32(png, Crc32(*png, from));
}

// Deflate's bits go least significant first; its Huffman codes, most significant first.
struct BitWriter {
  std::vector<uint8_t>* out;
  uint32_t bits = 0;
  int count = 0;

  void Put(uint32_t value, int n) {
    bits |= value << count;
    for (count += n; count >= 8; count -= 8, bits >>= 8) out->push_back(static_cast<uint8_t>(bits));
  }
  void Code(uint32_t code, int n) {
    uint32_t reversed = 0;
    for (int i = 0; i < n; ++i) reversed |= ((code >> i) & 1) << (n - 1 - i);
    Put(reversed, n);
  }
  void Flush() {
    if (count > 0) out->push_back(static_cast<uint8_t>(bits));
  }
};

// A literal or length symbol in deflate's fixed code.
void PutSymbol(BitWriter& w, int symbol) {
  if (symbol < 144) return w.Code(0x30 + symbol, 8);
  if (symbol < 256) return w.Code(0x190 + symbol - 144, 9);
  if (symbol < 280) return w.Code(symbol - 256, 7);
  w.Code(0xC0 + symbol - 280, 8);
}

// `length` (3 ... 258) copies of the byte before: a length symbol and its extra bits, then
// distance 1 (code 0, no extra bits).
void PutRun(BitWriter& w, int length) {
  static const int kBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                              31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const int kExtraBits[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  int i = 28;
  while (kBase[i] > length) --i;
  PutSymbol(w, 257 + i);
  w.Put(static_cast<uint32_t>(length - kBase[i]), kExtraBits[i]);
  w.Code(0, 5);
}

// One block in deflate's fixed code: the icons' greys lie in long runs of one value, each a copy
// from one byte back. No compression library, so the bytes are the same wherever it is made.
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out;
  BitWriter w{&out};
  w.Put(1, 1);  // the last block
  w.Put(1, 2);  // of fixed codes
  for (size_t i = 0; i < raw.size();) {
    size_t run = 0;
    while (i > 0 && i + run < raw.size() && run < 258 && raw[i + run] == raw[i - 1]) ++run;
    if (run >= 3) {
      PutRun(w, static_cast<int>(run));
      i += run;
    } else {
      PutSymbol(w, raw[i++]);
    }
  }
  PutSymbol(w, 256);  // the block's end
  w.Flush();
  return out;
}

std::vector<uint8_t> Png(const std::vector<uint32_t>& frame, int size) {
  const uint32_t n = static_cast<uint32_t>(size);
  std::vector<uint8_t> raw;  // top-down rows, each after its filter type, 0 (none)
  for (uint32_t y = 0; y < n; ++y) {
    raw.push_back(0);
    for (uint32_t x = 0; x < n; ++x) raw.push_back(static_cast<uint8_t>(frame[y * n + x]));
  }
  // A zlib stream (deflate, 32K window, no dictionary), then Adler-32 of raw.
  std::vector<uint8_t> z = {0x78, 0x01};
  const std::vector<uint8_t> deflated = Deflate(raw);
  z.insert(z.end(), deflated.begin(), deflated.end());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
  PutBig32(&z, b << 16 | a);

  std::vector<uint8_t> header;
  PutBig32(&header, n);
  PutBig32(&header, n);
  // 8 bits of grey, deflate, adaptive filters, not interlaced.
  header.insert(header.end(), {8, 0, 0, 0, 0});
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(&png, "IHDR", header);
  PutChunk(&png, "IDAT", z);
  PutChunk(&png, "IEND", {});
  return png;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  const bool written = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (!f || fclose(f) != 0 || !written) {
    fprintf(stderr, "make_icons: cannot write %s\n", path.c_str());
    return false;
  }
  printf("%s: %zu bytes\n", path.c_str(), bytes.size());
  return true;
}

// Each folder of the path in turn; one that cannot be made fails the write into it.
void MakeFolders(const std::string& path) {
  for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    mkdir(path.substr(0, end).c_str(), 0755);
    if (end == std::string::npos) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "ico" && mode != "png" && mode != "web") {
    fprintf(stderr, "usage: make_icons ico FILE | make_icons png DIR | make_icons web DIR\n");
    return 2;
  }
  if (mode == "ico") return WriteFile(argv[2], IconFile()) ? 0 : 1;
  if (mode == "web") {
    for (int size : kWebSizes) {
      const std::string file = std::string(argv[2]) + "/icon-" + std::to_string(size) + ".png";
      if (!WriteFile(file, Png(StartView(size), size))) return 1;
    }
    return 0;
  }
  for (int size : kPngSizes) {
    const std::string dir =
        std::string(argv[2]) + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
    MakeFolders(dir);
    if (!WriteFile(dir + "/ostrevane.png", Png(StartView(size), size))) return 1;
  }
  return 0;
}
