// GDI objects stay flat over a long run of paints. GetGuiResources answers 0 under Wine, so there
// the live objects are counted in the process's GDI handle table, which Wine (like Windows)
// publishes through the PEB: a 65536-entry array whose entries have a non-zero type while their
// object lives. Our own layer answers GetGuiResources, and GetObjectType for a deleted object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "portable_win32/win32.h"
#include "render/canvas.h"
#include "tests/expected_picture.h"
#include "view/view_state.h"
#include "win32_fixture.h"
#if defined(_WIN32)
#include <winternl.h>
#endif

namespace {

constexpr int kGdiHandleCount = 0x10000;

#if defined(_WIN32)
struct GdiHandleEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;  // 0: free
  uint8_t flags;
  uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the table's entries are 24 bytes on x64");

constexpr size_t kPebGdiSharedHandleTable = 0xF8;  // x64 PEB

// MinGW's NtCurrentTeb reads gs:[0x30] through a zero-length array, which GCC 12 mistakes for an
// out-of-bounds access.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
const GdiHandleEntry* GdiHandleTable() {
  const auto* peb = reinterpret_cast<const uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
  return *reinterpret_cast<const GdiHandleEntry* const*>(peb + kPebGdiSharedHandleTable);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool CanCountGdiObjects() { return GdiHandleTable() != nullptr; }

// Objects alive in this process, stock objects included.
int LiveGdiObjects() {
  const GdiHandleEntry* table = GdiHandleTable();
  if (table == nullptr) return -1;
  int live = 0;
  for (int i = 0; i < kGdiHandleCount; ++i) live += table[i].type != 0;
  return live;
}

// True while the object behind `handle` lives: its entry is in use by this very handle.
bool IsLive(HGDIOBJ handle) {
  const auto value = reinterpret_cast<uintptr_t>(handle);
  const GdiHandleEntry& entry = GdiHandleTable()[value & 0xFFFF];
  return entry.type != 0 && entry.unique == ((value >> 16) & 0xFFFF);
}
#else
bool CanCountGdiObjects() { return true; }
int LiveGdiObjects() {
  return static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
}
bool IsLive(HGDIOBJ handle) { return GetObjectType(handle) != 0; }
#endif

// Pens until GDI refuses another: the process's handle table is then full.
std::vector<HPEN> UseUpGdiHandles() {
  std::vector<HPEN> pens;
  while (pens.size() < kGdiHandleCount) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    if (pen == nullptr) break;
    pens.push_back(pen);
  }
  return pens;
}

TEST(GdiObjectCount, SeesADeliberateLeakAndItsRelease) {
  ASSERT_TRUE(CanCountGdiObjects()) << "no GDI handle table in the PEB";
  ReleaseDC(nullptr, GetDC(nullptr));  // the screen's first DC brings objects of its own
  const int before = LiveGdiObjects();
  ASSERT_GT(before, 0);
  constexpr int kLeak = 37;
  std::vector<HPEN> pens;
  for (int i = 0; i < kLeak; ++i) pens.push_back(CreatePen(PS_SOLID, 1, RGB(i, i, i)));
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(LiveGdiObjects(), before + kLeak + 2);
  for (HPEN pen : pens) EXPECT_TRUE(IsLive(pen));
  for (HPEN pen : pens) DeleteObject(pen);
  for (HPEN pen : pens) EXPECT_FALSE(IsLive(pen));
  DeleteObject(bitmap);
  DeleteDC(memory);
  EXPECT_EQ(LiveGdiObjects(), before);
}

// The i-th input of the long run: F5 renders, zooms both ways and deep in (rings left out),
// seeds, drags, both orbit forms, resizes, and full screen on and off every hundred steps.
Message PaintStep(int i) {
  switch (i % 10) {
    case 0:
      return {WM_KEYDOWN, VK_F5, 0};
    case 1:
      return {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0};
    case 2:
      return {WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0};
    case 3:
      return {WM_MOUSEMOVE, 0, MAKELPARAM(200 + i % 97, 150 + i % 53)};
    case 4:
      return {WM_RBUTTONDOWN, 0, 0};
    case 5:
      return {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, i % 1100)};
    case 6:
      return {WM_KEYDOWN, static_cast<WPARAM>(i % 20 < 10 ? VK_OEM_PLUS : VK_OEM_MINUS), 0};
    case 7:
      return {WM_SIZE, SIZE_RESTORED, MAKELPARAM(100 + i % 500, 80 + i % 400)};
    case 8:
      return {WM_KEYDOWN, static_cast<WPARAM>(i % 100 == 8 ? VK_F11 : VK_ADD), 0};
    default:
      return {WM_PAINT, 0, 0};
  }
}

// Sends one input message and repaints at once, as a real paint would follow it.
void SendAndPaint(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  SendMessageA(hwnd, message, wParam, lParam);
  SendMessageA(hwnd, WM_PAINT, 0, 0);
  PumpMessages();
}

TEST(GdiObjectCount, StaysFlatOverAThousandPaints) {
  ASSERT_TRUE(CanCountGdiObjects());
  const int beforeWindow = LiveGdiObjects();
  HWND hwnd = OpenMainWindow(640, 480);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_NE(g_frameBitmap, nullptr);
  // The canvas: three bitmaps and the pens, made once.
  EXPECT_GE(LiveGdiObjects() - beforeWindow, 3 + kGreyPenCount);
  // One round of everything first, so that whatever Wine makes lazily for a window exists.
  for (WPARAM key : {VK_F11, VK_F11, VK_F5, VK_ADD, VK_SUBTRACT}) {
    SendAndPaint(hwnd, WM_KEYDOWN, key, 0);
  }
  SendAndPaint(hwnd, WM_RBUTTONDOWN, 0, 0);
  SendAndPaint(hwnd, WM_RBUTTONDOWN, 0, 0);
  const int baseline = LiveGdiObjects();
  std::printf("live GDI objects: %d before the window, %d with the window\n", beforeWindow,
              baseline);

  int paints = 0, highest = baseline, lowest = baseline;
  for (int i = 0; i < 1000; ++i) {
    const Message step = PaintStep(i);
    SendAndPaint(hwnd, step.id, step.wParam, step.lParam);
    ++paints;
    const int live = LiveGdiObjects();
    highest = std::max(highest, live);
    lowest = std::min(lowest, live);
  }
  if (g_fullScreen) SendAndPaint(hwnd, WM_KEYDOWN, VK_F11, 0);
  const int after = LiveGdiObjects();
  std::printf("after %d paints: %d live GDI objects (lowest %d, highest %d)\n", paints, after,
              lowest, highest);
  EXPECT_EQ(after, baseline);
  EXPECT_EQ(highest, baseline);
  EXPECT_EQ(lowest, baseline);

  const std::vector<HGDIOBJ> canvas = CanvasObjects();
  for (HGDIOBJ object : canvas) ASSERT_TRUE(IsLive(object));
  CloseMainWindow(hwnd);
  std::printf("after closing the window: %d\n", LiveGdiObjects());
  for (HGDIOBJ object : canvas) EXPECT_FALSE(IsLive(object)) << object;
}

// With GDI out of handles, or only a few free, the canvas cannot be made, or only part of it. Such
// an attempt keeps nothing, paints and input fail nothing meanwhile, and once handles are free
// again the next paint makes the whole canvas and draws.
TEST(GdiObjectCount, CanvasThatCannotBeMadeIsReleasedAndRetried) {
  ASSERT_TRUE(CanCountGdiObjects());
  for (size_t spare : {0, 1, 2, 3, 5, 30}) {
    SCOPED_TRACE(spare);
    HWND hwnd = OpenMainWindow(320, 240);
    ASSERT_NE(hwnd, nullptr);
    DestroyCanvas();
    ASSERT_EQ(g_frameBitmap, nullptr);
    const int before = LiveGdiObjects();
    std::vector<HPEN> hog = UseUpGdiHandles();
    ASSERT_LT(hog.size(), size_t{kGdiHandleCount}) << "GDI never ran out of handles";
    for (size_t i = 0; i < spare && !hog.empty(); ++i) {
      DeleteObject(hog.back());
      hog.pop_back();
    }
    for (WPARAM key : {VK_F5, VK_ADD, VK_F5}) {
      SendMessageA(hwnd, WM_KEYDOWN, key, 0);
      SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
      SendMessageA(hwnd, WM_PAINT, 0, 0);
    }
    EXPECT_EQ(g_frameBitmap, nullptr);
    EXPECT_EQ(g_fractalBitmap, nullptr);
    EXPECT_EQ(g_rasterBits, nullptr);
    EXPECT_EQ(g_greyPens[0], nullptr);
    EXPECT_EQ(LiveGdiObjects(), before + static_cast<int>(hog.size()))
        << "a failed attempt kept objects";
    for (HPEN pen : hog) DeleteObject(pen);
    ASSERT_EQ(LiveGdiObjects(), before);

    SendMessageA(hwnd, WM_PAINT, 0, 0);
    ASSERT_NE(g_frameBitmap, nullptr);
    EXPECT_NE(g_fractalBitmap, nullptr);
    EXPECT_NE(g_rasterBits, nullptr);
    EXPECT_NE(g_greyPens[223], nullptr);
    EXPECT_EQ(g_redrawFractal, 0) << "the retried paint renders the picture";
    EXPECT_EQ(LiveGdiObjects(), before + 3 + kGreyPenCount);
    EXPECT_EQ(ReadBitmap(g_fractalBitmap, 8, 8).GreyAt(0, 0),
              ExpectedGrey(0, 0, g_halfWidth, g_halfHeight, g_scale));
    const std::vector<HGDIOBJ> canvas = CanvasObjects();
    SendMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    PumpMessages();
    for (HGDIOBJ object : canvas) EXPECT_FALSE(IsLive(object)) << "left after the window closed";
  }
}

}  // namespace
