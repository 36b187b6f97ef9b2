// Input as the desktop gives it to our layer, turned into the messages Windows would send: events
// pushed into SDL's queue reach the window as they would from the X server.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "win32_fixture.h"

namespace {

class LayerInput : public testing::Test {
 protected:
  void SetUp() override {
    hwnd_ = OpenMainWindow(200, 100);
    ASSERT_NE(hwnd_, nullptr);
    char title[256] = {};
    GetWindowTextA(hwnd_, title, sizeof title);
    for (Uint32 id = 1; id < 256 && window_ == 0; ++id) {
      SDL_Window* w = SDL_GetWindowFromID(id);
      if (w != nullptr && std::strcmp(SDL_GetWindowTitle(w), title) == 0) window_ = id;
    }
    ASSERT_NE(window_, 0u);
  }
  void TearDown() override { CloseMainWindow(hwnd_); }

  // The input messages that the pushed event gave, taken from the queue.
  std::vector<MSG> Deliver(SDL_Event event) {
    SDL_PushEvent(&event);
    return Taken();
  }
  std::vector<MSG> Taken() {
    std::vector<MSG> messages;
    MSG m;
    while (PeekMessageA(&m, hwnd_, WM_KEYDOWN, WM_MOUSEHWHEEL, PM_REMOVE)) messages.push_back(m);
    return messages;
  }
  SDL_Event Motion(int x, int y, Uint32 buttons) {
    SDL_Event e = {};
    e.motion = {SDL_MOUSEMOTION, 0, window_, 0, buttons, x, y, 0, 0};
    return e;
  }
  SDL_Event Button(Uint32 type, Uint8 button, int x, int y) {
    SDL_Event e = {};
    e.button = {type, 0, window_, 0, button, SDL_PRESSED, 1, 0, x, y};
    return e;
  }
  SDL_Event Key(SDL_Scancode code, SDL_Keycode symbol) {
    SDL_Event e = {};
    e.key.type = SDL_KEYDOWN;
    e.key.windowID = window_;
    e.key.keysym.scancode = code;
    e.key.keysym.sym = symbol;
    return e;
  }
  SDL_Event Wheel(float notches) {
    SDL_Event e = {};
    e.wheel.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window_;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    e.wheel.preciseY = notches;
    return e;
  }

  HWND hwnd_ = nullptr;
  Uint32 window_ = 0;
};

// Without capture, Windows sends no mouse message from outside the client, drag or not; a button
// message carries its own button.
TEST_F(LayerInput, MouseMessagesComeOnlyFromTheClientWithTheirButtons) {
  auto moves = Deliver(Motion(50, 20, SDL_BUTTON_LMASK));
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(moves[0].wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_TRUE(Deliver(Motion(50, -60, SDL_BUTTON_LMASK)).empty());
  EXPECT_TRUE(Deliver(Motion(200, 20, 0)).empty());
  auto down = Deliver(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 10));
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(down[0].wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
  auto up = Deliver(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 10, 10));
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].wParam & MK_LBUTTON, 0u);
  EXPECT_TRUE(Deliver(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 10, 100)).empty());
}

// SDL's key events name the key by its scancode and the layout's symbol, SDL's own codes for keys
// without a character (test_keys.cpp has the layouts' cases): the message says which key it was,
// or there is none.
TEST_F(LayerInput, PlusAndMinusAreWhereTheLayoutPutsThem) {
  struct Case {
    SDL_Scancode code;
    SDL_Keycode symbol;
    WPARAM expected;  // 0: no message
  };
  const Case cases[] = {
      {SDL_SCANCODE_RIGHTBRACKET, SDLK_PLUS, VK_OEM_PLUS},  // German
      {SDL_SCANCODE_EQUALS, 0xB4, 0},                       // German: an accent key
      {SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, VK_ADD},
  };
  for (const Case& c : cases) {
    const auto keys = Deliver(Key(c.code, c.symbol));
    ASSERT_EQ(keys.size(), c.expected != 0 ? 1u : 0u) << "scancode " << c.code;
    if (c.expected != 0) {
      EXPECT_EQ(keys[0].wParam, c.expected) << "scancode " << c.code;
    }
  }
}

// One notch a message, a bounded number of them from one event, and a wheel that survives any
// value an event brings.
TEST_F(LayerInput, WheelEventsOfAnySizeGiveBoundedNotches) {
  struct Case {
    float notches;
    size_t messages;
    int sign;
  };
  const Case cases[] = {
      {1.0f, 1, 1},    {-2.0f, 2, -1},   {0.5f, 0, 0}, {0.5f, 1, 1},   {3e7f, 10, 1},
      {-3e7f, 10, -1}, {INFINITY, 0, 0}, {NAN, 0, 0},  {-1.0f, 1, -1}, {1000.0f, 10, 1},
  };
  for (const Case& c : cases) {
    const auto wheels = Deliver(Wheel(c.notches));
    ASSERT_EQ(wheels.size(), c.messages) << c.notches << " notches";
    for (const MSG& m : wheels) {
      EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(m.wParam), c.sign * WHEEL_DELTA) << c.notches;
    }
  }
}

}  // namespace
