#include <gtest/gtest.h>

#include "tests/expected_picture.h"
#include "view/view_state.h"
#include "tests/view_snapshot.h"
#include "win32_fixture.h"

namespace {

// From a scale of 1, one zoom step gives the factor itself.
constexpr uint32_t kOneBits = 0x3F800000;

class InputTest : public testing::Test {
 protected:
  void SetUp() override {
    hwnd_ = OpenMainWindow(640, 480);
    ASSERT_NE(hwnd_, nullptr);
    StartView();
  }
  // A start every command can visibly change: the seed away from (0, 0), no redraw pending,
  // nothing marked for a repaint.
  void StartView() {
    g_scale = 1.0f;
    g_mouseX = 11;
    g_mouseY = 13;
    g_orbitSteps = 200;
    g_redrawFractal = 0;
    g_fullScreen = 0;
    g_showSquares = 0;
    ValidateRect(hwnd_, nullptr);
  }
  void TearDown() override { CloseMainWindow(hwnd_); }
  HWND hwnd_ = nullptr;
};

struct Command {
  const char* name;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  void (*prepare)();              // changes the start view, or null
  void (*expect)(ViewSnapshot&);  // the change the command makes to the start view
};

WPARAM Wheel(int16_t delta, WORD keys = 0) { return MAKEWPARAM(keys, static_cast<WORD>(delta)); }

const Command kCommands[] = {
    {"KeypadPlus", WM_KEYDOWN, VK_ADD, 0x004E0001, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomInBits; }},
    {"MainPlus", WM_KEYDOWN, VK_OEM_PLUS, 0x000D0001, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomInBits; }},
    {"KeypadMinus", WM_KEYDOWN, VK_SUBTRACT, 0x004A0001, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomOutBits; }},
    {"MainMinus", WM_KEYDOWN, VK_OEM_MINUS, 0x000C0001, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomOutBits; }},
    // One step per message, whatever the repeat count the message carries.
    {"PlusRepeated", WM_KEYDOWN, VK_ADD, 0x404E0005, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomInBits; }},
    // The product is rounded to float after every step: 0x3F71826B x 0x3F71826B.
    {"PlusTwice", WM_KEYDOWN, VK_OEM_PLUS, 0x000D0001, [] { g_scale = FloatOf(kZoomInBits); },
     [](ViewSnapshot& v) { v.scaleBits = 0x3F63D6D0; }},
    {"MinusFromZoomedIn", WM_KEYDOWN, VK_SUBTRACT, 0x004A0001,
     [] { g_scale = FloatOf(kZoomInBits); }, [](ViewSnapshot& v) { v.scaleBits = kOneBits; }},
    {"F5", WM_KEYDOWN, VK_F5, 0x003F0001, nullptr, [](ViewSnapshot& v) { v.redraw = 1; }},
    {"F5AlreadySet", WM_KEYDOWN, VK_F5, 0x003F0001, [] { g_redrawFractal = 1; },
     [](ViewSnapshot& v) { v.redraw = 1; }},

    {"WheelAway", WM_MOUSEWHEEL, Wheel(120), MAKELPARAM(300, 200), nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomOutBits; }},
    {"WheelAwaySixNotches", WM_MOUSEWHEEL, Wheel(720), 0, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomOutBits; }},
    {"WheelAwayFine", WM_MOUSEWHEEL, Wheel(1), 0, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomOutBits; }},
    {"WheelAwayLargest", WM_MOUSEWHEEL, Wheel(32767), 0, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomOutBits; }},
    {"WheelToward", WM_MOUSEWHEEL, Wheel(-120), 0, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomInBits; }},
    {"WheelTowardFine", WM_MOUSEWHEEL, Wheel(-1), 0, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomInBits; }},
    {"WheelTowardLargest", WM_MOUSEWHEEL, Wheel(-32768), 0, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomInBits; }},
    {"WheelZero", WM_MOUSEWHEEL, Wheel(0), 0, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomInBits; }},
    // Buttons held while turning the wheel change nothing else.
    {"WheelWithButtons", WM_MOUSEWHEEL, Wheel(120, MK_LBUTTON | MK_CONTROL), MAKELPARAM(5, 900),
     nullptr, [](ViewSnapshot& v) { v.scaleBits = kZoomOutBits; }},
    // The delta is the high word of the low 32 bits, whatever lies above them.
    {"WheelAwayUpperBitsSet", WM_MOUSEWHEEL,
     static_cast<WPARAM>(0xFFFFFFFF00000000ull) | Wheel(120), 0, nullptr,
     [](ViewSnapshot& v) { v.scaleBits = kZoomOutBits; }},

    {"Move", WM_MOUSEMOVE, 0, MAKELPARAM(123, 45), nullptr,
     [](ViewSnapshot& v) { v.mouseX = 123, v.mouseY = 45; }},
    {"MoveToOrigin", WM_MOUSEMOVE, 0, 0, nullptr,
     [](ViewSnapshot& v) { v.mouseX = 0, v.mouseY = 0; }},
    // Words are unsigned: 65535, not -1.
    {"MoveUnsignedRow", WM_MOUSEMOVE, 0, static_cast<LPARAM>(0xFFFF0010u), nullptr,
     [](ViewSnapshot& v) { v.mouseX = 16, v.mouseY = 65535; }},
    {"MoveUnsignedColumn", WM_MOUSEMOVE, 0, static_cast<LPARAM>(0x0005FFFFu), nullptr,
     [](ViewSnapshot& v) { v.mouseX = 65535, v.mouseY = 5; }},
    {"MoveSignExtended", WM_MOUSEMOVE, 0, static_cast<LPARAM>(static_cast<int32_t>(0xFFFF0010u)),
     nullptr, [](ViewSnapshot& v) { v.mouseX = 16, v.mouseY = 65535; }},
    {"MoveWithOtherButtons", WM_MOUSEMOVE, MK_RBUTTON | MK_MBUTTON | MK_SHIFT, MAKELPARAM(200, 100),
     nullptr, [](ViewSnapshot& v) { v.mouseX = 200, v.mouseY = 100; }},
    // Dragging sets the orbit length from the row and leaves the seed where it was.
    {"DragAtRow50", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 50), [] { g_orbitSteps = 7; },
     [](ViewSnapshot& v) { v.orbitSteps = 200; }},
    {"DragAtRow0", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 0), nullptr,
     [](ViewSnapshot& v) { v.orbitSteps = 0; }},
    {"DragAtRow1", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 1), nullptr,
     [](ViewSnapshot& v) { v.orbitSteps = 4; }},
    {"DragAtRow1023", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(9, 1023), nullptr,
     [](ViewSnapshot& v) { v.orbitSteps = 4092; }},
    {"DragAtRow1024", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(9, 1024), nullptr,
     [](ViewSnapshot& v) { v.orbitSteps = 4095; }},
    {"DragAtRow65535", WM_MOUSEMOVE, MK_LBUTTON, static_cast<LPARAM>(0xFFFF0010u), nullptr,
     [](ViewSnapshot& v) { v.orbitSteps = 4095; }},
    {"DragWithShift", WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT | MK_RBUTTON, MAKELPARAM(700, 10),
     nullptr, [](ViewSnapshot& v) { v.orbitSteps = 40; }},

    {"RightButtonToDetailed", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(400, 300), nullptr,
     [](ViewSnapshot& v) { v.squares = 1; }},
    {"RightButtonToPlain", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(400, 300),
     [] { g_showSquares = 1; }, [](ViewSnapshot& v) { v.squares = 0; }},
};

// Each command changes exactly its part of the view, returns 0 and marks the whole client area
// for a repaint that does not erase the background.
TEST_F(InputTest, CommandsChangeTheViewAndMarkTheWindow) {
  RecordMessages(hwnd_);
  for (const Command& c : kCommands) {
    SCOPED_TRACE(c.name);
    StartView();
    if (c.prepare != nullptr) c.prepare();
    ViewSnapshot expected = CurrentView();
    c.expect(expected);

    EXPECT_EQ(SendMessageA(hwnd_, c.message, c.wParam, c.lParam), 0);

    EXPECT_EQ(CurrentView(), expected);
    RECT marked = {}, client = {};
    GetClientRect(hwnd_, &client);
    EXPECT_TRUE(GetUpdateRect(hwnd_, &marked, FALSE)) << "the window was not marked for a repaint";
    EXPECT_TRUE(EqualRect(&marked, &client));

    ForgetMessages();
    UpdateWindow(hwnd_);
    EXPECT_EQ(MessagesSeen(WM_PAINT), 1);
    EXPECT_EQ(MessagesSeen(WM_ERASEBKGND), 0) << "the repaint erased the background";
    EXPECT_FALSE(GetUpdateRect(hwnd_, nullptr, FALSE));
  }
}

struct Unhandled {
  const char* name;
  UINT message;
  WPARAM wParam;
};

const Unhandled kUnhandled[] = {
    {"KeyA", WM_KEYDOWN, 'A'},
    {"KeySpace", WM_KEYDOWN, VK_SPACE},
    {"KeyReturn", WM_KEYDOWN, VK_RETURN},
    {"KeyLeft", WM_KEYDOWN, VK_LEFT},
    {"KeyF1", WM_KEYDOWN, VK_F1},
    {"KeyF4", WM_KEYDOWN, VK_F4},
    {"KeyF6", WM_KEYDOWN, VK_F6},
    {"KeyF10", WM_KEYDOWN, VK_F10},
    {"KeyF12", WM_KEYDOWN, VK_F12},
    {"Key26", WM_KEYDOWN, 26},
    {"Key28", WM_KEYDOWN, 28},
    {"KeyMultiply", WM_KEYDOWN, VK_MULTIPLY},
    {"KeySeparator", WM_KEYDOWN, VK_SEPARATOR},
    {"KeyDecimal", WM_KEYDOWN, VK_DECIMAL},
    {"KeyComma", WM_KEYDOWN, VK_OEM_COMMA},
    {"KeyPeriod", WM_KEYDOWN, VK_OEM_PERIOD},
    {"KeyShift", WM_KEYDOWN, VK_SHIFT},
    {"KeyUpPlus", WM_KEYUP, VK_ADD},
    {"KeyUpEscape", WM_KEYUP, VK_ESCAPE},
    {"CharPlus", WM_CHAR, '+'},
    {"LeftButtonDown", WM_LBUTTONDOWN, MK_LBUTTON},
    {"LeftButtonUp", WM_LBUTTONUP, 0},
    {"RightButtonUp", WM_RBUTTONUP, 0},
    {"MiddleButtonDown", WM_MBUTTONDOWN, MK_MBUTTON},
    {"HorizontalWheel", WM_MOUSEHWHEEL, MAKEWPARAM(0, 120)},
};

// Keys and buttons without a command get the default handling and leave the view alone:
// neighbours of the command keys' codes, and the messages next to the handled ones.
TEST_F(InputTest, OtherKeysAndButtonsGetTheDefaultAndChangeNothing) {
  for (const Unhandled& u : kUnhandled) {
    SCOPED_TRACE(u.name);
    const ViewSnapshot before = CurrentView();
    const LPARAM lParam = MAKELPARAM(100, 100);
    const LRESULT expected = DefWindowProcA(hwnd_, u.message, u.wParam, lParam);
    ASSERT_EQ(CurrentView(), before);
    ValidateRect(hwnd_, nullptr);

    EXPECT_EQ(SendMessageA(hwnd_, u.message, u.wParam, lParam), expected);

    EXPECT_EQ(CurrentView(), before);
    ASSERT_TRUE(IsWindow(hwnd_));
    EXPECT_FALSE(GetUpdateRect(hwnd_, nullptr, FALSE)) << "the window was marked for a repaint";
  }
}

TEST_F(InputTest, ZoomStepsCompoundOnePerMessage) {
  for (int i = 0; i < 10; ++i) SendMessageA(hwnd_, WM_MOUSEWHEEL, Wheel(120), 0);
  EXPECT_EQ(BitsOf(g_scale), 0x3FE53A77u);  // 1.7908467: 1.06f ten times, rounded every step
  for (int i = 0; i < 10; ++i) SendMessageA(hwnd_, WM_KEYDOWN, VK_ADD, 0);
  EXPECT_EQ(BitsOf(g_scale), kOneBits);
  EXPECT_EQ(g_redrawFractal, 0) << "zooming must not re-render the fractal layer";
}

TEST_F(InputTest, EscapeDestroysTheWindowAndNothingElse) {
  const ViewSnapshot before = CurrentView();
  EXPECT_EQ(SendMessageA(hwnd_, WM_KEYDOWN, VK_ESCAPE, 0x00010001), 0);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(CurrentView(), before);
}

TEST_F(InputTest, F11SwitchesToABorderlessScreenAndBack) {
  const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_EQ(g_halfWidth, 320);
  ASSERT_EQ(g_halfHeight, 240);
  ViewSnapshot expected = CurrentView();

  EXPECT_EQ(SendMessageA(hwnd_, WM_KEYDOWN, VK_F11, 0x00570001), 0);
  EXPECT_EQ(GetWindowLongA(hwnd_, GWL_STYLE) & ~kSystemStyleBits, WS_POPUP);
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_TRUE(IsZoomed(hwnd_));
  RECT client;
  GetClientRect(hwnd_, &client);
  POINT origin = {0, 0};
  ClientToScreen(hwnd_, &origin);
  EXPECT_EQ(client.right, screenWidth);
  EXPECT_EQ(client.bottom, screenHeight);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  // The new size came as a size message and was painted at once: the imaginary axis now runs
  // down the middle of the screen.
  expected.fullScreen = 1;
  expected.halfWidth = screenWidth / 2;
  expected.halfHeight = screenHeight / 2;
  EXPECT_EQ(CurrentView(), expected);
  const Picture frame = ReadFrame();
  EXPECT_EQ(frame.GreyAt(screenWidth / 2, 3), kOverlayGrey);
  EXPECT_EQ(frame.GreyAt(screenWidth / 2, screenHeight - 3), kOverlayGrey);
  EXPECT_FALSE(GetUpdateRect(hwnd_, nullptr, FALSE)) << "F11 marked the window for a repaint";

  EXPECT_EQ(SendMessageA(hwnd_, WM_KEYDOWN, VK_F11, 0x00570001), 0);
  EXPECT_EQ(GetWindowLongA(hwnd_, GWL_STYLE) & ~kSystemStyleBits, WS_OVERLAPPEDWINDOW);
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_FALSE(IsZoomed(hwnd_));
  GetClientRect(hwnd_, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  expected.fullScreen = 0;
  expected.halfWidth = 320;
  expected.halfHeight = 240;
  EXPECT_EQ(CurrentView(), expected);
  EXPECT_FALSE(GetUpdateRect(hwnd_, nullptr, FALSE)) << "F11 marked the window for a repaint";
}

}  // namespace
