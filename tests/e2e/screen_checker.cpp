// Judges screenshots of the running viewer against the core's own arithmetic. Built with the same
// compiler as the shipped program, so the escape counts and orbits it expects are the MinGW ones.
//
//   locate SHOT winX winY winW winH          client origin and size, found from the drawn axes
//   fractal SHOT cx cy cw ch SCALE           every fractal pixel against the picture for SCALE
//   rings SHOT cx cy cw ch SCALE             the reference circles where row H -/+ 1 crosses them
//   orbit SHOT cx cy cw ch SCALE X Y STEPS SQUARES   every polyline corner of the seed's orbit
//   changed SHOT_A SHOT_B cx cy cw ch        how many client pixels differ, fractal ones apart
//   pickseed cw ch SCALE SHORT LONG          a seed whose orbit grows visibly from SHORT to LONG
//   park X Y                                 puts the pointer at screen (X, Y), for Wine and X
//   style overlapped|popup                   the viewer's window has that style now
//   dpi N                                    the screen's logical pixels per inch are N
// The last three are for the Windows exe under Wine; the native viewer follows the X pointer.
//
// Each prints one line of figures and exits 1 when what it checks does not hold.
#if defined(_WIN32)
#include <windows.h>  // SetCursorPos, GetCursorPos, FindWindowA, GetDeviceCaps
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "render/orbit.h"
#include "tests/expected_picture.h"

namespace {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

struct Client {
  int x, y, width, height;
  int halfWidth() const { return width / 2; }
  int halfHeight() const { return height / 2; }
};

bool ReadHeaderNumber(FILE* f, int* value) {
  int c = fgetc(f);
  while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#') {
    if (c == '#')
      while (c != '\n' && c != EOF) c = fgetc(f);
    c = fgetc(f);
  }
  if (c < '0' || c > '9') return false;
  *value = 0;
  while (c >= '0' && c <= '9') {
    *value = *value * 10 + (c - '0');
    c = fgetc(f);
  }
  return true;  // the one whitespace byte after the number is consumed
}

// An 8-bit binary PPM (P6), as ImageMagick writes with -depth 8.
Image ReadPpm(const char* path) {
  Image image;
  FILE* f = fopen(path, "rb");
  if (f == nullptr) {
    printf("FAIL cannot open %s\n", path);
    exit(2);
  }
  int maxValue = 0;
  if (fgetc(f) != 'P' || fgetc(f) != '6' || !ReadHeaderNumber(f, &image.width) ||
      !ReadHeaderNumber(f, &image.height) || !ReadHeaderNumber(f, &maxValue) || maxValue != 255) {
    printf("FAIL %s is not an 8-bit P6 image\n", path);
    exit(2);
  }
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  if (fread(image.rgb.data(), 1, image.rgb.size(), f) != image.rgb.size()) {
    printf("FAIL %s is truncated\n", path);
    exit(2);
  }
  fclose(f);
  return image;
}

// A display of fewer bits a channel (OSTREVANE_SCREEN_DEPTH=16: red, green and blue in 5, 6 and
// 5 bits) shows a grey by the high bits of each channel: greys that differ only below them look
// the same there, and are compared as the display shows them.
struct LostBits {
  int red = 0, green = 0, blue = 0;
};

LostBits ScreenLostBits() {
  const char* depth = getenv("OSTREVANE_SCREEN_DEPTH");
  return depth != nullptr && atoi(depth) == 16 ? LostBits{3, 2, 3} : LostBits{};
}

const LostBits kLost = ScreenLostBits();

// The grey as the display shows it: the lowest of those it cannot tell from it.
int Shown(int grey) { return grey >> kLost.green << kLost.green; }

// The grey at screen (x, y), as the display shows it, or -1 when the pixel is coloured or off
// the screen.
int Grey(const Image& image, int x, int y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return -1;
  const uint8_t* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
  const int grey = Shown(p[1]);
  const bool same =
      p[0] >> kLost.red == grey >> kLost.red && p[2] >> kLost.blue == grey >> kLost.blue;
  return same ? grey : -1;
}

Client ClientArg(char** argv) {
  return Client{atoi(argv[0]), atoi(argv[1]), atoi(argv[2]), atoi(argv[3])};
}

float ScaleArg(const char* text) { return strtof(text, nullptr); }

// The real axis is the window's row with the most grey-207 pixels and spans columns 0 ... 2W - 1;
// the imaginary axis likewise spans rows 0 ... 2H - 1. Both must be centred on each other, and the
// frame Wine draws around the client must be as wide on the left, right and bottom.
int Locate(int argc, char** argv) {
  if (argc != 6) return 2;
  const Image image = ReadPpm(argv[1]);
  const int wx = atoi(argv[2]), wy = atoi(argv[3]), ww = atoi(argv[4]), wh = atoi(argv[5]);
  int axisRow = -1, axisRowCount = 0, axisCol = -1, axisColCount = 0;
  for (int y = wy; y < wy + wh; ++y) {
    int count = 0;
    for (int x = wx; x < wx + ww; ++x) count += Grey(image, x, y) == Shown(kOverlayGrey);
    if (count > axisRowCount) axisRowCount = count, axisRow = y;
  }
  for (int x = wx; x < wx + ww; ++x) {
    int count = 0;
    for (int y = wy; y < wy + wh; ++y) count += Grey(image, x, y) == Shown(kOverlayGrey);
    if (count > axisColCount) axisColCount = count, axisCol = x;
  }
  if (axisRow < 0 || axisCol < 0) {
    printf("FAIL no grey-207 axes inside the window\n");
    return 1;
  }
  int left = wx + ww, right = -1, top = wy + wh, bottom = -1;
  for (int x = wx; x < wx + ww; ++x)
    if (Grey(image, x, axisRow) == Shown(kOverlayGrey)) left = std::min(left, x), right = x;
  for (int y = wy; y < wy + wh; ++y)
    if (Grey(image, axisCol, y) == Shown(kOverlayGrey)) top = std::min(top, y), bottom = y;
  // The orbit, drawn last, may hide an end of an axis (seen: a light segment along the top of
  // the imaginary axis). Orbit pixels just beyond an end count as axis, as far as the other end.
  auto orbit = [&](int x, int y) {
    const int grey = Grey(image, x, y);
    return grey >= 0 && grey < Shown(kFractalFloor) && grey != Shown(kOverlayGrey);
  };
  while (top > 2 * axisRow - bottom - 1 && orbit(axisCol, top - 1)) --top;
  while (bottom < 2 * axisRow - top - 1 && orbit(axisCol, bottom + 1)) ++bottom;
  while (left > 2 * axisCol - right - 1 && orbit(left - 1, axisRow)) --left;
  while (right < 2 * axisCol - left - 1 && orbit(right + 1, axisRow)) ++right;
  const int halfWidth = axisCol - left, halfHeight = axisRow - top;
  const int border = left - wx;
  const int clientWidth = ww - 2 * border;
  const int clientHeight = wh - (top - wy) - border;
  printf("axes row %d col %d; real axis %d..%d, imaginary axis %d..%d; client %d,%d %dx%d\n",
         axisRow, axisCol, left, right, top, bottom, left, top, clientWidth, clientHeight);
  if (right != left + 2 * halfWidth - 1 || bottom != top + 2 * halfHeight - 1) {
    printf("FAIL the axes are not centred on each other (W %d, H %d)\n", halfWidth, halfHeight);
    return 1;
  }
  if (clientWidth / 2 != halfWidth || clientHeight / 2 != halfHeight) {
    printf("FAIL client %dx%d from the frame does not match W %d, H %d from the axes\n",
           clientWidth, clientHeight, halfWidth, halfHeight);
    return 1;
  }
  printf("CLIENT %d %d %d %d\n", left, top, clientWidth, clientHeight);
  return 0;
}

// Pixels in the fractal's grey range must be exactly the picture the core computes; darker ones
// are circles, axes and orbit drawn over it (on a display of fewer bits, an orbit's lightest
// grey may look like the picture's darkest).
int Fractal(int argc, char** argv) {
  if (argc != 7) return 2;
  const Image image = ReadPpm(argv[1]);
  const Client c = ClientArg(argv + 2);
  const float scale = ScaleArg(argv[6]);
  const int W = c.halfWidth(), H = c.halfHeight();
  const ExpectedPicture picture(W, H, scale);
  long compared = 0, differ = 0, covered = 0, coloured = 0;
  for (int y = 0; y < 2 * H; ++y) {
    for (int x = 0; x < 2 * W; ++x) {
      const int grey = Grey(image, c.x + x, c.y + y);
      if (grey < 0) {
        ++coloured;
        continue;
      }
      const int expected = Shown(picture.At(x, y));
      if (grey <= Shown(kFractalFloor - 1) && grey < expected) {
        ++covered;
        continue;
      }
      ++compared;
      if (grey != expected && ++differ <= 5)
        printf("  pixel (%d,%d): grey %d, expected %d\n", x, y, grey, expected);
    }
  }
  const long bound = 3L * (4L * W * H) / 4;  // the orbit may hide up to a quarter
  printf("scale %.7g: fractal pixels compared %ld, differing %ld, covered %ld, coloured %ld\n",
         scale, compared, differ, covered, coloured);
  if (compared < bound || differ != 0 || coloured != 0) {
    printf("FAIL the picture is not the one for scale %.7g (need >= %ld compared, 0 differing)\n",
           scale, bound);
    return 1;
  }
  return 0;
}

// A ring of radius r about (W, H) crosses the rows next to the real axis at W - r and, the right
// edge of the bounding box being excluded, at W + r - 1. One pixel of slack either way; the orbit,
// drawn last, may hide two of the eight crossings looked at.
int Rings(int argc, char** argv) {
  if (argc != 7) return 2;
  const Image image = ReadPpm(argv[1]);
  const Client c = ClientArg(argv + 2);
  const float scale = ScaleArg(argv[6]);
  const int W = c.halfWidth(), H = c.halfHeight();
  const int numerators[3] = {2 * H, H, H / 2};
  int visible = 0, found = 0;
  printf("scale %.7g: rings", scale);
  for (int numerator : numerators) {
    const double radius = std::trunc(static_cast<double>(numerator) / scale);
    if (radius >= W) {
      printf(" r=%.0f(off)", radius);
      continue;
    }
    const int r = static_cast<int>(radius);
    int hits = 0;
    for (int y : {H - 2, H - 1, H + 1, H + 2})
      for (int edge : {W - r, W + r - 1}) {
        bool hit = false;
        for (int dx = -1; dx <= 1; ++dx)
          hit |= Grey(image, c.x + edge + dx, c.y + y) == Shown(kOverlayGrey);
        hits += hit;
      }
    ++visible;
    found += hits >= 6;
    printf(" r=%d(x=%d,%d/8 %s)", r, W + r - 1, hits, hits >= 6 ? "found" : "MISSING");
  }
  printf("; %d of %d visible rings found\n", found, visible);
  if (visible == 0 || found != visible) {
    printf("FAIL the circles are not where scale %.7g puts them\n", scale);
    return 1;
  }
  return 0;
}

// A corner of the polyline, and the grey of the segment that begins there.
struct Corner {
  std::pair<int32_t, int32_t> at;
  int grey;
};

// The corners in drawing order: z_n, [z_{n-1}^2,] z_{n-1}, ..., z_1, 0.
std::vector<Corner> OrbitCorners(int W, int H, float scale, int seedX, int seedY, int steps,
                                 bool squares, int* n) {
  static OrbitEntry entries[kOrbitCapacity];
  *n = ComputeOrbit(entries, W, H, scale, seedX, seedY, steps);
  std::vector<Corner> corners;
  int pen = 0;
  TraceOrbit(
      entries, *n, squares,
      [&](int32_t x, int32_t y) {
        corners.push_back({{x, y}, -1});
      },
      [&](int grey) { pen = grey; },
      [&](int32_t x, int32_t y) {
        corners.back().grey = pen;
        corners.push_back({{x, y}, -1});
      });
  return corners;
}

// Each corner inside the picture, but the origin where the polyline ends, begins a segment, so
// its pixel must carry a darker grey than any fractal pixel.
int Orbit(int argc, char** argv) {
  if (argc != 11) return 2;
  const Image image = ReadPpm(argv[1]);
  const Client c = ClientArg(argv + 2);
  const float scale = ScaleArg(argv[6]);
  const int seedX = atoi(argv[7]), seedY = atoi(argv[8]), steps = atoi(argv[9]);
  const bool squares = atoi(argv[10]) != 0;
  const int W = c.halfWidth(), H = c.halfHeight();
  int n = 0;
  const auto corners = OrbitCorners(W, H, scale, seedX, seedY, steps, squares, &n);
  // A segment of a grey the display cannot tell from the picture's darkest is not looked for.
  std::set<std::pair<int32_t, int32_t>> inside;
  for (size_t i = 0; i + 1 < corners.size(); ++i) {
    const auto& p = corners[i].at;
    if (p.first >= 0 && p.second >= 0 && p.first < 2 * W && p.second < 2 * H &&
        p != std::make_pair(W, H) && Shown(corners[i].grey) < Shown(kFractalFloor))
      inside.insert(p);
  }
  int drawn = 0;
  for (const auto& p : inside) {
    const int grey = Grey(image, c.x + p.first, c.y + p.second);
    drawn += grey >= 0 && grey < Shown(kFractalFloor);
  }
  long orbitPixels = 0;
  for (int y = 0; y < 2 * H; ++y)
    for (int x = 0; x < 2 * W; ++x) {
      const int grey = Grey(image, c.x + x, c.y + y);
      orbitPixels += grey >= 0 && grey < Shown(kFractalFloor) && grey != Shown(kOverlayGrey);
    }
  printf(
      "seed (%d,%d) scale %.7g steps %d %s: n %d, corners in picture %zu, drawn %d; "
      "orbit-grey pixels %ld\n",
      seedX, seedY, scale, steps, squares ? "detailed" : "plain", n, inside.size(), drawn,
      orbitPixels);
  if (inside.empty() || drawn != static_cast<int>(inside.size())) {
    printf("FAIL the orbit of seed (%d,%d) is not drawn\n", seedX, seedY);
    return 1;
  }
  return 0;
}

int Changed(int argc, char** argv) {
  if (argc != 7) return 2;
  const Image a = ReadPpm(argv[1]);
  const Image b = ReadPpm(argv[2]);
  const Client c = ClientArg(argv + 3);
  long changed = 0, fractalChanged = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const int ga = Grey(a, c.x + x, c.y + y), gb = Grey(b, c.x + x, c.y + y);
      if (ga == gb) continue;
      ++changed;
      fractalChanged += ga >= Shown(kFractalFloor) && gb >= Shown(kFractalFloor);
    }
  printf("CHANGED %ld FRACTAL_CHANGED %ld\n", changed, fractalChanged);
  return 0;
}

// A seed in the upper half whose orbit, still bounded after SHORT steps, gains at least 60 corners
// on new pixels by LONG steps, so that a longer orbit shows on the screen; of those, the one that
// escapes first, which keeps the picture readable.
int PickSeed(int argc, char** argv) {
  if (argc != 6) return 2;
  const int width = atoi(argv[1]), height = atoi(argv[2]);
  const float scale = ScaleArg(argv[3]);
  const int shortSteps = atoi(argv[4]), longSteps = atoi(argv[5]);
  const int W = width / 2, H = height / 2;
  int bestX = -1, bestY = -1, bestFresh = 0, bestShort = 0, bestLong = 0;
  // Even places only: a browser at twice the scale puts the pointer on even device pixels alone.
  for (int y = (H - 8) & ~1; y > H / 4; y -= 4)
    for (int x = 8; x < 2 * W - 8; x += 4) {
      int nShort = 0, nLong = 0;
      const auto shortCorners = OrbitCorners(W, H, scale, x, y, shortSteps, true, &nShort);
      if (nShort != shortSteps) continue;
      const auto longCorners = OrbitCorners(W, H, scale, x, y, longSteps, true, &nLong);
      if (nLong < shortSteps + 100) continue;
      std::set<std::pair<int32_t, int32_t>> known, fresh;
      for (const Corner& corner : shortCorners) known.insert(corner.at);
      for (const Corner& corner : longCorners) {
        const auto& p = corner.at;
        if (p.first >= 0 && p.second >= 0 && p.first < 2 * W && p.second < 2 * H && !known.count(p))
          fresh.insert(p);
      }
      if (static_cast<int>(fresh.size()) >= 60 && (bestFresh == 0 || nLong < bestLong)) {
        bestX = x, bestY = y, bestFresh = static_cast<int>(fresh.size());
        bestShort = nShort, bestLong = nLong;
      }
    }
  if (bestFresh == 0) {
    printf("FAIL no seed found\n");
    return 1;
  }
  printf("SEED %d %d n %d -> %d, %d new corners\n", bestX, bestY, bestShort, bestLong, bestFresh);
  return 0;
}

#if defined(_WIN32)
// A new window's first mouse move carries Wine's idea of the pointer, which a pointer moved with
// X alone does not update; moving it through Wine sets both.
int Park(int argc, char** argv) {
  if (argc != 3) return 2;
  const int x = atoi(argv[1]), y = atoi(argv[2]);
  // Wine closes an idle session's desktop; a pointer set without one is lost (reads back 0,0).
  GetDesktopWindow();
  SetCursorPos(x, y);
  POINT at = {};
  GetCursorPos(&at);
  printf("pointer at %ld,%ld\n", static_cast<long>(at.x), static_cast<long>(at.y));
  if (at.x != x || at.y != y) {
    printf("FAIL the pointer did not move to %d,%d\n", x, y);
    return 1;
  }
  return 0;
}

// The style bits the viewer sets itself, read through Wine: a window manager's frame alone does
// not tell whether the program asked for a caption.
int Style(int argc, char** argv) {
  if (argc != 2) return 2;
  const HWND window = FindWindowA("Ostrevane", nullptr);
  if (window == nullptr) {
    printf("FAIL no window of class Ostrevane\n");
    return 1;
  }
  const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  const bool popup = (style & WS_POPUP) != 0;
  const bool overlapped = (style & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW;
  printf("style 0x%08lx\n", static_cast<unsigned long>(style));
  const bool wanted = !strcmp(argv[1], "popup") ? popup && !overlapped : overlapped && !popup;
  if (!wanted) printf("FAIL the window's style is not %s\n", argv[1]);
  return wanted ? 0 : 1;
}

// The display scale the prefix gives its programs (LogPixels), as they read it.
int Dpi(int argc, char** argv) {
  if (argc != 2) return 2;
  HDC screen = GetDC(nullptr);
  const int x = GetDeviceCaps(screen, LOGPIXELSX), y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  printf("LOGPIXELSX %d LOGPIXELSY %d\n", x, y);
  if (x == atoi(argv[1]) && y == x) return 0;
  printf("FAIL the screen is not at %s dpi\n", argv[1]);
  return 1;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* mode = argv[1];
  int rc = 2;
  if (!strcmp(mode, "locate")) rc = Locate(argc - 1, argv + 1);
  if (!strcmp(mode, "fractal")) rc = Fractal(argc - 1, argv + 1);
  if (!strcmp(mode, "rings")) rc = Rings(argc - 1, argv + 1);
  if (!strcmp(mode, "orbit")) rc = Orbit(argc - 1, argv + 1);
  if (!strcmp(mode, "changed")) rc = Changed(argc - 1, argv + 1);
  if (!strcmp(mode, "pickseed")) rc = PickSeed(argc - 1, argv + 1);
#if defined(_WIN32)
  if (!strcmp(mode, "park")) rc = Park(argc - 1, argv + 1);
  if (!strcmp(mode, "style")) rc = Style(argc - 1, argv + 1);
  if (!strcmp(mode, "dpi")) rc = Dpi(argc - 1, argv + 1);
#endif
  if (rc == 2) printf("FAIL bad arguments for %s\n", mode);
  return rc;
}
