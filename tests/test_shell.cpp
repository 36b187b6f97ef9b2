#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "tests/expected_picture.h"
#include "render/canvas.h"
#include "view/view_state.h"
#include "win32_fixture.h"

namespace {

class ShellTest : public testing::Test {
 protected:
  void Open(int32_t width, int32_t height) {
    hwnd_ = OpenMainWindow(width, height);
    ASSERT_NE(hwnd_, nullptr);
    RECT client;
    GetClientRect(hwnd_, &client);
    ASSERT_EQ(client.right, width);
    ASSERT_EQ(client.bottom, height);
  }
  void TearDown() override { CloseMainWindow(hwnd_); }
  HWND hwnd_ = nullptr;
};

TEST_F(ShellTest, ClassAndWindowAreMadeAsTheUserSeesThem) {
  Open(640, 480);
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "Ostrevane", &windowClass));
  EXPECT_EQ(windowClass.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(windowClass.lpfnWndProc, MainWndProc);
  EXPECT_EQ(windowClass.hCursor, LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // the arrow
  EXPECT_EQ(windowClass.hbrBackground,
            reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENUTEXT + 1)));
  EXPECT_EQ(windowClass.hIcon, nullptr);
  EXPECT_EQ(windowClass.lpszMenuName, nullptr);
  EXPECT_EQ(windowClass.cbClsExtra, 0);
  EXPECT_EQ(windowClass.cbWndExtra, 0);

  char title[256] = {};
  GetWindowTextA(hwnd_, title, sizeof title);
  EXPECT_STREQ(title,
               "F11 FullScreen, F5 Redraw; Mouse: RClick PolyLine, LMove Iterations, Wheel Zoom");
  char className[64] = {};
  GetClassNameA(hwnd_, className, sizeof className);
  EXPECT_STREQ(className, "Ostrevane");
  EXPECT_EQ(GetWindowLongA(hwnd_, GWL_STYLE) & ~kSystemStyleBits, WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_EQ(GetParent(hwnd_), nullptr);
  EXPECT_EQ(GetMenu(hwnd_), nullptr);

  // Shown and updated: the first paint made the canvas and used up the start's redraw request.
  EXPECT_NE(g_frameBitmap, nullptr);
  EXPECT_EQ(g_redrawFractal, 0);
}

TEST_F(ShellTest, BackgroundEraseIsLeftToTheDefaultWithTheClassBrush) {
  Open(640, 480);
  HDC window = GetDC(hwnd_);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, 16, 16);
  FillBitmap(bitmap, 16, 16, kMarker);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  const LRESULT erased = SendMessageA(hwnd_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(hwnd_, window);
  const Picture picture = ReadBitmap(bitmap, 16, 16);
  DeleteObject(bitmap);
  EXPECT_NE(erased, 0);
  EXPECT_EQ(picture.At(0, 0), PixelOf(GetSysColor(COLOR_MENUTEXT)));
  EXPECT_EQ(picture.At(15, 15), PixelOf(GetSysColor(COLOR_MENUTEXT)));
}

struct SizeCase {
  const char* name;
  WPARAM kind;
  LPARAM size;
  int32_t halfWidth, halfHeight;  // -1: kept
};

const SizeCase kSizes[] = {
    SizeCase{"RestoredOdd", SIZE_RESTORED, MAKELPARAM(801, 601), 400, 300},
    SizeCase{"RestoredEven", SIZE_RESTORED, MAKELPARAM(800, 600), 400, 300},
    SizeCase{"Maximized", SIZE_MAXIMIZED, MAKELPARAM(1280, 1003), 640, 501},
    // The words are unsigned: 65535 is not -1.
    SizeCase{"RestoredLargestWords", SIZE_RESTORED, static_cast<LPARAM>(0xFFFFFFFFu), 32767, 32767},
    SizeCase{"RestoredHighBitsBeyondTheWords", SIZE_RESTORED,
             static_cast<LPARAM>(0xFFFFFFFF00000000ull | MAKELPARAM(801, 601)), 400, 300},
    SizeCase{"RestoredEmpty", SIZE_RESTORED, MAKELPARAM(1, 1), 0, 0},
    SizeCase{"Minimized", SIZE_MINIMIZED, 0, -1, -1},
    SizeCase{"MinimizedWithASize", SIZE_MINIMIZED, MAKELPARAM(160, 28), -1, -1},
    SizeCase{"MaxShow", SIZE_MAXSHOW, MAKELPARAM(800, 600), -1, -1},
    SizeCase{"MaxHide", SIZE_MAXHIDE, MAKELPARAM(800, 600), -1, -1},
};

// The view follows restored and maximized sizes only, and every size message paints at once,
// even with nothing marked for a repaint: it composes a frame and leaves nothing marked.
TEST_F(ShellTest, SizeMessagesSetTheHalfSizeAndRepaintWithinTheMessage) {
  Open(640, 480);
  for (const SizeCase& c : kSizes) {
    SCOPED_TRACE(c.name);
    g_halfWidth = 320;
    g_halfHeight = 240;
    FillBitmap(g_frameBitmap, g_canvasWidth, g_canvasHeight, kMarker);
    ValidateRect(hwnd_, nullptr);

    EXPECT_EQ(SendMessageA(hwnd_, WM_SIZE, c.kind, c.size), 0);

    EXPECT_EQ(g_halfWidth, c.halfWidth < 0 ? 320 : c.halfWidth);
    EXPECT_EQ(g_halfHeight, c.halfHeight < 0 ? 240 : c.halfHeight);
    EXPECT_FALSE(GetUpdateRect(hwnd_, nullptr, FALSE));
    const Picture frame = ReadFrame();
    EXPECT_NE(frame.At(0, 0), PixelOf(kMarker));
    EXPECT_NE(frame.At(639, 479), PixelOf(kMarker));
  }
}

// A restored size marks the whole window for the paint that follows, so the new frame reaches the
// screen; a minimized one paints only what was already marked.
TEST_F(ShellTest, OnlyFollowedSizesMarkTheWindowForThePaint) {
  Open(640, 480);
  g_orbitSteps = 0;
  ValidateRect(hwnd_, nullptr);
  EXPECT_EQ(SendMessageA(hwnd_, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(640, 480)), 0);
  g_halfWidth = 100;  // draws the imaginary axis at x = 100 in the next frame
  EXPECT_EQ(SendMessageA(hwnd_, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(640, 480)), 0);
  EXPECT_EQ(ReadFrame().GreyAt(100, 10), kOverlayGrey);
  EXPECT_NE(ReadClient(hwnd_).GreyAt(100, 10), kOverlayGrey)
      << "a minimized size repainted the screen";

  EXPECT_EQ(SendMessageA(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 480)), 0);
  EXPECT_EQ(g_halfWidth, 150);
  const Picture client = ReadClient(hwnd_);
  EXPECT_EQ(client.GreyAt(150, 10), kOverlayGrey);
  EXPECT_EQ(client.GreyAt(150, 470), kOverlayGrey);
}

// An odd client width and height leave the last column and row outside the picture: they show
// the window colour the frame is filled with, not the fractal layer's pixels there.
TEST_F(ShellTest, OddClientShowsTheWindowColourBeyondThePicture) {
  Open(801, 601);
  EXPECT_EQ(g_halfWidth, 400);
  EXPECT_EQ(g_halfHeight, 300);
  FillBitmap(g_fractalBitmap, g_canvasWidth, g_canvasHeight, kMarker);
  FillBitmap(g_frameBitmap, g_canvasWidth, g_canvasHeight, RGB(0, 0, 255));
  g_orbitSteps = 0;
  InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateWindow(hwnd_);

  const uint32_t window = PixelOf(GetSysColor(COLOR_WINDOW));
  const Picture frame = ReadFrame();
  const Picture client = ReadClient(hwnd_);
  for (int32_t y = 0; y <= 600; ++y) {
    ASSERT_EQ(frame.At(800, y), window) << "row " << y;
    ASSERT_EQ(client.At(800, y), window) << "row " << y;
  }
  for (int32_t x = 0; x <= 800; ++x) {
    ASSERT_EQ(frame.At(x, 600), window) << "column " << x;
    ASSERT_EQ(client.At(x, 600), window) << "column " << x;
  }
  // Inside the picture the fractal layer (here the marker) was copied; the frame goes to the
  // window whole.
  EXPECT_EQ(frame.At(799, 1), PixelOf(kMarker));
  EXPECT_EQ(frame.At(1, 599), PixelOf(kMarker));
  for (int32_t y = 0; y < 601; y += 37) {
    for (int32_t x = 0; x < 801; x += 41)
      ASSERT_EQ(client.At(x, y), frame.At(x, y)) << x << "," << y;
  }
  // Nothing outside the client area is filled.
  EXPECT_EQ(frame.At(801, 1), PixelOf(RGB(0, 0, 255)));
  EXPECT_EQ(frame.At(1, 601), PixelOf(RGB(0, 0, 255)));
}

struct CloseCase {
  const char* name;
  UINT message;
  WPARAM wParam;
};

class CloseTest : public ShellTest, public testing::WithParamInterface<CloseCase> {};

// However the window goes, its destruction asks the loop to end with 0 and releases the canvas.
TEST_P(CloseTest, DestroyPostsQuitZeroAndReleasesTheCanvas) {
  Open(640, 480);
  const std::vector<HGDIOBJ> objects = CanvasObjects();
  for (HGDIOBJ object : objects) ASSERT_NE(GetObjectType(object), 0u);
  PumpMessages();
  RecordMessages(hwnd_);

  const CloseCase& c = GetParam();
  if (c.message == 0) {
    DestroyWindow(hwnd_);
  } else {
    EXPECT_EQ(SendMessageA(hwnd_, c.message, c.wParam, 0), 0);
  }

  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(MessagesSeen(WM_DESTROY), 1);
  EXPECT_EQ(LastResult(WM_DESTROY), 0);
  MSG quit = {};
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
  for (HGDIOBJ object : objects) EXPECT_EQ(GetObjectType(object), 0u);
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseTest,
                         testing::Values(CloseCase{"DestroyWindow", 0, 0},
                                         CloseCase{"Escape", WM_KEYDOWN, VK_ESCAPE},
                                         CloseCase{"CloseBox", WM_CLOSE, 0}),
                         [](const testing::TestParamInfo<CloseCase>& info) {
                           return std::string(info.param.name);
                         });

// Ends a loop that would otherwise wait for ever, with a code no test expects.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

TEST_F(ShellTest, MessageLoopReturnsTheQuitCode) {
  Open(640, 480);
  const UINT_PTR timer = SetTimer(nullptr, 0, 5000, GiveUp);
  PostQuitMessage(5);
  EXPECT_EQ(RunMessageLoop(), 5);
  EXPECT_TRUE(IsWindow(hwnd_));

  // Esc arrives through the queue like a real key press.
  PostMessageA(hwnd_, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_FALSE(IsWindow(hwnd_));
  KillTimer(nullptr, timer);
}

}  // namespace
