// Any program on the desktop can send our window any message. A seeded storm of forged size,
// mouse, wheel, key, right-button and paint messages goes straight to the real window; a model
// fed with every such message the window procedure receives (forged or from the system, such as
// the size changes F11 brings) must agree with the view state at every checkpoint, the raster
// must stay inside its buffer, and Esc must still end the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "app/shell.h"
#include "portable_win32/win32.h"
#include "render/canvas.h"
#include "tests/expected_picture.h"
#include "tests/view_snapshot.h"
#include "view/view_state.h"
#include "win32_fixture.h"

namespace {

// What the view state should be after the messages seen so far.
struct Model {
  ViewSnapshot view;

  void Zoom(uint32_t factorBits) {
    view.scaleBits = BitsOf(FloatOf(view.scaleBits) * FloatOf(factorBits));
  }
  void Apply(const Message& m) {
    const uint32_t low = static_cast<uint32_t>(m.lParam) & 0xFFFF;
    const uint32_t high = (static_cast<uint32_t>(m.lParam) >> 16) & 0xFFFF;
    switch (m.id) {
      case WM_SIZE:
        if (m.wParam == 0 || m.wParam == 2) {
          view.halfWidth = static_cast<int32_t>(low / 2);
          view.halfHeight = static_cast<int32_t>(high / 2);
        }
        view.redraw = 0;  // it paints, and the canvas exists
        break;
      case WM_PAINT:
        view.redraw = 0;
        break;
      case WM_KEYDOWN:
        if (m.wParam == VK_ADD || m.wParam == VK_OEM_PLUS) Zoom(kZoomInBits);
        if (m.wParam == VK_SUBTRACT || m.wParam == VK_OEM_MINUS) Zoom(kZoomOutBits);
        if (m.wParam == VK_F5) view.redraw = 1;
        if (m.wParam == VK_F11) view.fullScreen = !view.fullScreen;
        break;
      case WM_MOUSEMOVE:
        if (m.wParam & MK_LBUTTON) {
          view.orbitSteps = std::min<int32_t>(4 * static_cast<int32_t>(high), 4095);
        } else {
          view.mouseX = static_cast<int32_t>(low);
          view.mouseY = static_cast<int32_t>(high);
        }
        break;
      case WM_RBUTTONDOWN:
        view.squares = !view.squares;
        break;
      case WM_MOUSEWHEEL:
        Zoom(static_cast<int16_t>((m.wParam >> 16) & 0xFFFF) > 0 ? kZoomOutBits : kZoomInBits);
        break;
    }
  }
};

// How many of the messages the window received the test itself sent.
size_t g_forged = 0;

LRESULT Forge(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ++g_forged;
  return SendMessageA(hwnd, message, wParam, lParam);
}

constexpr uint8_t kUntouched = 0x11;  // no grey the raster writes

// The raster is bottom-up: display row d is the buffer's last row but d.
const uint8_t* RasterRow(int32_t d) {
  return g_rasterBits + static_cast<size_t>(g_rasterHeight - 1 - d) * g_rasterStride;
}

// Renders the current view into a raster buffer filled with kUntouched and checks that exactly
// the picture, clipped to the buffer, was written, with greys the core computes for it.
void RenderAndCheckRaster(HWND hwnd, std::mt19937& random) {
  ASSERT_NE(g_rasterBits, nullptr);
  const size_t bytes = static_cast<size_t>(g_rasterStride) * g_rasterHeight;
  std::memset(g_rasterBits, kUntouched, bytes);
  Forge(hwnd, WM_KEYDOWN, VK_F5, 0);
  Forge(hwnd, WM_PAINT, 0, 0);
  const int64_t columns = std::min<int64_t>(2 * int64_t{g_halfWidth}, g_canvasWidth);
  const int64_t rows = std::min<int64_t>(2 * int64_t{g_halfHeight}, g_rasterHeight);
  int64_t wrong = 0, written = 0;
  for (int32_t d = 0; d < g_rasterHeight; ++d) {
    const uint8_t* row = RasterRow(d);
    for (int32_t b = 0; b < g_rasterStride; ++b) {
      const bool inPicture = d < rows && b / 3 < columns && b < 3 * g_canvasWidth;
      if (inPicture) {
        ++written;
        wrong += row[b] < kFractalFloor || row[b] != row[b - b % 3];
      } else {
        wrong += row[b] != kUntouched;
      }
    }
  }
  EXPECT_EQ(wrong, 0) << "W " << g_halfWidth << " H " << g_halfHeight << " s " << g_scale;
  EXPECT_EQ(written, rows * columns * 3);
  if (rows == 0 || columns == 0) return;
  // A sample of pixels against the escape count of their point.
  for (int n = 0; n < 32; ++n) {
    const int32_t d = static_cast<int32_t>(random() % rows);
    const int32_t j = static_cast<int32_t>(random() % columns);
    ASSERT_EQ(RasterRow(d)[3 * j], ExpectedGrey(j, d, g_halfWidth, g_halfHeight, g_scale))
        << "pixel " << j << "," << d;
  }
}

int StormSize() {
  const char* text = std::getenv("OSTREVANE_STORM_MESSAGES");
  const int total = text != nullptr ? std::atoi(text) : 0;
  return total > 0 ? total : 30000;
}

// Which way zoom messages lean: toward an infinite scale, toward the smallest subnormal one, or
// neither. Both ends absorb: once there, no zoom step leaves them.
enum class Drift { kNone, kOut, kIn };

void PrintTo(Drift drift, std::ostream* out) {
  *out << (drift == Drift::kNone  ? "balanced"
           : drift == Drift::kOut ? "toward infinite"
                                  : "toward subnormal");
}

Message RandomMessage(std::mt19937& random, Drift drift) {
  auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; };
  auto bits32 = [&]() { return static_cast<uint32_t>(random()); };
  auto bits64 = [&]() { return static_cast<uint64_t>(random()) << 32 | random(); };
  const double outward = drift == Drift::kOut ? 0.9 : drift == Drift::kIn ? 0.1 : 0.5;
  const uint32_t kind = random() % 100;
  if (kind < 8) {
    WPARAM kinds[] = {SIZE_RESTORED, SIZE_RESTORED, SIZE_MAXIMIZED, SIZE_MINIMIZED, 3, 4};
    WPARAM w = chance(0.85) ? kinds[random() % 6] : bits64();
    LPARAM l;
    if (chance(0.4)) {
      l = static_cast<LPARAM>(bits64());
    } else if (chance(0.5)) {
      l = MAKELPARAM(random() % 1400, random() % 1100);
    } else {
      const uint16_t edges[] = {0, 1, 2, 3, 65535, 65534};
      l = MAKELPARAM(edges[random() % 6], edges[random() % 6]);
    }
    return {WM_SIZE, w, l};
  }
  if (kind < 33) {
    WPARAM w = chance(0.3) ? (bits32() | MK_LBUTTON) : (bits32() & ~WPARAM{MK_LBUTTON});
    LPARAM l =
        chance(0.5) ? static_cast<LPARAM>(bits64()) : MAKELPARAM(random() % 1300, random() % 1100);
    return {WM_MOUSEMOVE, w, l};
  }
  if (kind < 53) {
    const int16_t edges[] = {0, 1, 120, 32767, -1, -120, -32768};
    int16_t delta = static_cast<int16_t>(random() % 32768);
    if (!chance(outward)) delta = static_cast<int16_t>(-delta);
    if (chance(0.3)) delta = edges[random() % 7];
    return {WM_MOUSEWHEEL, (bits64() & ~WPARAM{0xFFFF0000}) | (WPARAM{uint16_t(delta)} << 16),
            static_cast<LPARAM>(bits64())};
  }
  if (kind < 78) {
    WPARAM key;
    const uint32_t pick = random() % 1000;
    if (pick < 600) {
      const bool out = chance(outward);
      key = chance(0.5) ? (out ? VK_SUBTRACT : VK_ADD) : (out ? VK_OEM_MINUS : VK_OEM_PLUS);
    } else if (pick < 615) {
      key = VK_F5;
    } else if (pick < 625) {
      key = VK_F11;
    } else if (pick < 990) {
      key = random() % 255;  // any key code but Esc's, which ends the storm
      if (key >= VK_ESCAPE) ++key;
    } else {
      key = bits64() | WPARAM{1} << 40;  // no key at all
    }
    return {WM_KEYDOWN, key, static_cast<LPARAM>(bits64())};
  }
  if (kind < 85) return {WM_RBUTTONDOWN, bits64(), static_cast<LPARAM>(bits64())};
  return {WM_PAINT, 0, 0};
}

class StormWindow : public testing::Test {
 protected:
  void SetUp() override {
    hwnd_ = OpenMainWindow(640, 480);
    ASSERT_NE(hwnd_, nullptr);
    ASSERT_NE(g_frameBitmap, nullptr);
    g_forged = 0;
    ASSERT_EQ(RecordMessages(hwnd_), MainWndProc);
    // The model starts from the state the window has reached by itself.
    model_.view = CurrentView();
    ASSERT_EQ(g_redrawFractal, 0) << "the first paint renders";
    ASSERT_EQ(g_scale, 1.0f);
  }
  void TearDown() override { CloseMainWindow(hwnd_); }

  // Applies what the window received since the last call.
  void CatchUp() {
    const std::vector<Message>& received = MessagesReceived();
    for (; applied_ < received.size(); ++applied_) model_.Apply(received[applied_]);
  }

  // Esc ends it as always: the window goes, the quit message carries 0, the canvas is released.
  void PressEscape() {
    SendMessageA(hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(hwnd_));
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    EXPECT_EQ(g_frameBitmap, nullptr);
  }

  HWND hwnd_ = nullptr;
  Model model_;
  size_t applied_ = 0;
};

class MessageStorm : public StormWindow, public testing::WithParamInterface<Drift> {};

TEST_P(MessageStorm, StateFollowsTheMessagesAndTheRasterStaysInItsBuffer) {
  const Drift drift = GetParam();
  const int count = StormSize() / 3 + 1;
  std::mt19937 random(20261208u + static_cast<uint32_t>(drift));
  int sent = 0, checkpoints = 0;
  bool sawInfinite = false, sawSubnormal = false;
  for (int n = 0; n < count; ++n) {
    Message m = RandomMessage(random, drift);
    // Midway, a client area far beyond the surfaces, then a redraw of it.
    if (n == count / 2) m = {WM_SIZE, SIZE_RESTORED, MAKELPARAM(65535, 65535)};
    if (n == count / 2 + 1) m = {WM_KEYDOWN, VK_F5, 0};
    const size_t before = MessagesReceived().size();
    Forge(hwnd_, m.id, m.wParam, m.lParam);
    ++sent;
    ASSERT_TRUE(IsWindow(hwnd_)) << "message " << n;
    ASSERT_GT(MessagesReceived().size(), before);
    ASSERT_EQ(MessagesReceived()[before].id, m.id) << "the forged message reached the window first";
    if (n % 40 == 0) PumpMessages();  // real paints for what the input invalidated
    sawInfinite |= std::isinf(g_scale);
    sawSubnormal |= std::fpclassify(g_scale) == FP_SUBNORMAL;
    if (n % 1000 == 999) {
      PumpMessages();
      CatchUp();
      EXPECT_EQ(CurrentView(), model_.view) << "checkpoint";
      ++checkpoints;
      if (checkpoints % 4 == 1) RenderAndCheckRaster(hwnd_, random);
      if (HasFailure()) break;
    }
  }
  PumpMessages();
  CatchUp();
  EXPECT_EQ(CurrentView(), model_.view) << "end of the storm";
  RenderAndCheckRaster(hwnd_, random);
  const size_t fromSystem = MessagesReceived().size() - g_forged;
  std::printf("storm: %d forged messages, %zu more from the system, scale %g, W %d, H %d\n", sent,
              fromSystem, g_scale, g_halfWidth, g_halfHeight);
  // A storm of this length reaches the end it leans to.
  if (count >= 8000 && drift == Drift::kOut) {
    EXPECT_TRUE(sawInfinite);
  }
  if (count >= 8000 && drift == Drift::kIn) {
    EXPECT_TRUE(sawSubnormal);
  }
  PressEscape();
}

INSTANTIATE_TEST_SUITE_P(Drifts, MessageStorm,
                         testing::Values(Drift::kNone, Drift::kOut, Drift::kIn),
                         [](const testing::TestParamInfo<Drift>& info) {
                           return info.param == Drift::kNone  ? std::string("Balanced")
                                  : info.param == Drift::kOut ? std::string("TowardInfinite")
                                                              : std::string("TowardSubnormal");
                         });

// A client area far beyond the surfaces: the raster and every copy are clipped to the buffers,
// and F5 still renders.
TEST_F(StormWindow, HugeForgedSizeThenRedrawStaysInsideTheBuffers) {
  Forge(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(65535, 65535));
  ASSERT_EQ(g_halfWidth, 32767);
  ASSERT_EQ(g_halfHeight, 32767);
  std::mt19937 random(7);
  RenderAndCheckRaster(hwnd_, random);
  // The whole buffer is picture now: every row is an upper-half row of the huge view.
  const Picture layer = ReadBitmap(g_fractalBitmap, 64, 64);
  for (int32_t x = 0; x < 64; ++x) EXPECT_EQ(layer.GreyAt(x, 0), RasterRow(0)[3 * x]) << x;
  // Deep zoom on top of it: the rings are left out, the orbit clamped.
  for (int i = 0; i < 1800; ++i) Forge(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(std::fpclassify(g_scale), FP_SUBNORMAL);
  Forge(hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(65535, 0));
  Forge(hwnd_, WM_PAINT, 0, 0);
  RenderAndCheckRaster(hwnd_, random);
  CatchUp();
  EXPECT_EQ(CurrentView(), model_.view) << "after the huge view";
  PressEscape();
}

// A client area one pixel high: H = 0. No raster row, rings of radius 0, no orbit; the only
// thing drawn outside the fill is the real axis along row 0.
TEST_F(StormWindow, ZeroHeightDrawsOnlyTheRealAxis) {
  Forge(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 1));
  ASSERT_EQ(g_halfWidth, 320);
  ASSERT_EQ(g_halfHeight, 0);
  FillBitmap(g_frameBitmap, g_canvasWidth, g_canvasHeight, kMarker);
  std::mt19937 random(3);
  for (uint32_t seed : {0u, 0x00000140u, 0x7FFF7FFFu, 0xFFFFFFFFu}) {
    Forge(hwnd_, WM_MOUSEMOVE, 0, static_cast<LPARAM>(seed));
    RenderAndCheckRaster(hwnd_, random);  // F5 and a paint: nothing may be written
    Forge(hwnd_, WM_RBUTTONDOWN, 0, 0);
    Forge(hwnd_, WM_PAINT, 0, 0);
  }
  const int32_t rows = std::min(g_canvasHeight, 64);
  const Picture frame = ReadBitmap(g_frameBitmap, g_canvasWidth, rows);
  for (int32_t x = 0; x < 640; ++x) EXPECT_EQ(frame.GreyAt(x, 0), kOverlayGrey) << "axis at " << x;
  // Below row 0 the real client area shows only the window-colour fill, and beyond it the marker.
  RECT client;
  GetClientRect(hwnd_, &client);
  const uint32_t fill = PixelOf(GetSysColor(COLOR_WINDOW));
  int drawn = 0;
  for (int32_t y = 1; y < rows; ++y) {
    for (int32_t x = 0; x < g_canvasWidth; ++x) {
      const bool inClient = x < client.right && y < client.bottom;
      drawn += frame.At(x, y) != (inClient ? fill : PixelOf(kMarker));
    }
  }
  EXPECT_EQ(drawn, 0) << "circles or orbit drawn although H = 0";
  CatchUp();
  EXPECT_EQ(CurrentView(), model_.view) << "after H = 0";
  PressEscape();
}

}  // namespace
