// The layer's host in a browser page (web/ostrevane.js is its other half): the one window is the
// page's canvas, sized in device pixels, its pixels a block of this module's memory copied to the
// canvas when shown; input comes as the page's DOM events, which the page queues and hands over
// one at a time. The one import that waits, ostrevane.wait, is where the program's stack is put
// aside (binaryen's asyncify) until the page has an event or a timer for it.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "portable_win32/hosts/host.h"
#include "portable_win32/keys.h"
#include "portable_win32/rect.h"

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#define OSTREVANE_IMPORT(name) __attribute__((import_module("ostrevane"), import_name(#name)))

namespace portable_win32 {

namespace {

// One event of the page, as the page writes it.
struct PageEvent {
  int32_t kind;
  int32_t x, y;    // client pixels; the screen for a wheel; a size for kResized
  int32_t held;    // buttons and keys (kHost...), or for keys 1 when repeated
  int32_t detail;  // the button (+256 when pressed); key down; kFullScreen's state; page shown
  int32_t symbol;  // the key's unshifted symbol, 0 when unknown
  double notches;  // the wheel's, away from the user positive
  char code[32];   // KeyboardEvent.code
};
enum PageEventKind : int32_t {
  kKey = 1,
  kMove = 2,
  kButton = 3,
  kWheel = 4,
  kResized = 5,     // the canvas, in device pixels
  kScreen = 6,      // the screen, in device pixels
  kFullScreen = 7,  // the browser entered or left full screen, or refused it
  kVisibility = 8,
};
enum FullScreenState : int32_t { kLeft = 0, kEntered = 1, kRefused = 2 };

}  // namespace

}  // namespace portable_win32

extern "C" {
// Puts the program aside until an event comes or `milliseconds` pass (-1: no limit), its stack
// kept in `data` (asyncify's, `size` bytes).
OSTREVANE_IMPORT(wait) void JsWait(int32_t milliseconds, uint8_t* data, int32_t size);
// Writes the oldest queued event; 0 when there is none.
OSTREVANE_IMPORT(next_event) int32_t JsNextEvent(portable_win32::PageEvent* event);
// Draws RGBA pixels, `width` a row, at (x, y) of the canvas.
OSTREVANE_IMPORT(present)
void JsPresent(const uint8_t* rgba, int32_t x, int32_t y, int32_t width, int32_t height);
OSTREVANE_IMPORT(set_title) void JsSetTitle(const char* text, int32_t length);
OSTREVANE_IMPORT(set_full_screen) void JsSetFullScreen(int32_t on);
// The canvas and the screen in device pixels: four numbers.
OSTREVANE_IMPORT(sizes) void JsSizes(int32_t* sizes);
OSTREVANE_IMPORT(now) double JsNow();
}

namespace portable_win32 {

struct HostWindow {
  HWND owner;
  RECT place;                    // the client as the layer has it: where it put it, or as told
  bool fullScreen = false;       // asked of the browser
  bool pageIsScreen = false;     // full screen refused: the window covers the page instead
  bool checkSize = false;        // the page may not give the size the layer asked for
  std::vector<uint32_t> pixels;  // the canvas's size
  int32_t width = 0, height = 0;
  std::vector<uint32_t> rgba;  // the rectangle being shown, in the canvas's byte order
};

namespace {

std::unique_ptr<HostWindow> g_window;  // a page shows one window
int32_t g_page[2] = {0, 0}, g_screen[2] = {0, 0};
const char* g_error = "";
// Where asyncify keeps the program's stack while it waits: the wait's few frames.
alignas(16) uint8_t g_waitingStack[16384];

void ReadSizes() {
  int32_t sizes[4] = {0, 0, 0, 0};
  JsSizes(sizes);
  g_page[0] = sizes[0], g_page[1] = sizes[1], g_screen[0] = sizes[2], g_screen[1] = sizes[3];
}

// The layer's pixels are 0x00RRGGBB words, bytes B, G, R, 0 in memory; the canvas wants R, G, B
// and an opaque alpha.
void ToCanvasOrder(const uint32_t* from, uint32_t* to, int32_t count) {
  int32_t i = 0;
#if defined(__wasm_simd128__)
  const v128_t opaque = wasm_i32x4_splat(static_cast<int32_t>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    const v128_t bgrx = wasm_v128_load(from + i);
    const v128_t rgbx =
        wasm_i8x16_shuffle(bgrx, bgrx, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    wasm_v128_store(to + i, wasm_v128_or(rgbx, opaque));
  }
#endif
  for (; i < count; ++i) {
    const uint32_t p = from[i];
    to[i] = ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16) | 0xFF000000u;
  }
}

// The layer's client takes the canvas's size.
void TellSize(HostWindow* w) {
  w->place = {0, 0, w->width, w->height};
  HostResized(w->owner, w->width, w->height);
}

// The canvas has a new size: so do the window's pixels, whose old content is lost, and the
// window is painted again.
void TakeCanvasSize(HostWindow* w) {
  if (w->width == g_page[0] && w->height == g_page[1]) return;
  w->width = g_page[0];
  w->height = g_page[1];
  w->pixels.assign(static_cast<size_t>(w->width) * w->height, 0);
  if (Width(w->place) == w->width && Height(w->place) == w->height) {
    HostPixelsLost(w->owner);
  } else {
    TellSize(w);
  }
}

void OnFullScreen(HostWindow* w, int32_t state) {
  if (state == kEntered || !w->fullScreen) return;
  if (state == kRefused) {
    // No full screen in this browser (an iPhone's), or not now: the page is all the screen the
    // program gets, and its full screen covers the page until F11 again, as on a desktop.
    w->pageIsScreen = true;
    TellSize(w);
    return;
  }
  // Left by the browser itself (its own Esc, which the page is not sent): as a desktop that
  // restores a window, and then gives it the page's size.
  w->fullScreen = false;
  w->place = {0, 0, w->width, w->height};
  HostRestored(w->owner, w->width, w->height);
}

void OnPageEvent(const PageEvent& e) {
  HostWindow* w = g_window.get();
  const HWND owner = w != nullptr ? w->owner : nullptr;
  switch (e.kind) {
    case kKey:
      HostKey(owner, UsageOfKeyCode(e.code), static_cast<uint32_t>(e.symbol), e.detail != 0,
              e.held != 0);
      return;
    case kMove:
      HostMouseMove(owner, e.x, e.y, static_cast<uint32_t>(e.held));
      return;
    case kButton:
      HostMouseButton(owner, static_cast<uint32_t>(e.detail) & 0xFF, (e.detail >> 8) != 0, e.x, e.y,
                      static_cast<uint32_t>(e.held));
      return;
    case kWheel:
      HostWheel(owner, e.notches, e.x, e.y, static_cast<uint32_t>(e.held));
      return;
    case kResized:
    case kScreen:
      ReadSizes();
      if (w != nullptr) TakeCanvasSize(w);
      return;
    case kFullScreen:
      if (w != nullptr) OnFullScreen(w, e.detail);
      return;
    case kVisibility:
      if (w != nullptr && e.detail != 0) HostPixelsLost(owner);
      return;
    default:
      return;
  }
}

// A size the page did not give is answered with the one it has.
void CheckSize(HostWindow* w) {
  if (!w->checkSize) return;
  w->checkSize = false;
  if ((!w->fullScreen || w->pageIsScreen) &&
      (Width(w->place) != w->width || Height(w->place) != w->height))
    TellSize(w);
}

bool PumpPageEvents() {
  bool any = false;
  PageEvent event;
  while (JsNextEvent(&event) != 0) {
    event.code[sizeof event.code - 1] = '\0';
    OnPageEvent(event);
    any = true;
  }
  if (g_window != nullptr) CheckSize(g_window.get());
  return any;
}

}  // namespace

bool HostStart() {
  ReadSizes();
  return true;
}

const char* HostError() { return g_error; }

uint64_t HostNow() { return static_cast<uint64_t>(JsNow()); }

RECT HostScreen() { return {0, 0, g_screen[0], g_screen[1]}; }

RECT HostWorkArea(HostWindow*) { return {0, 0, g_page[0], g_page[1]}; }

RECT HostDefaultPlace() { return {0, 0, g_page[0], g_page[1]}; }

HostWindow* HostCreateWindow(HWND owner, const char* title, RECT place, bool, bool) {
  if (g_window != nullptr) {
    g_error = "a page shows one window";
    return nullptr;
  }
  g_window = std::make_unique<HostWindow>();
  HostWindow* w = g_window.get();
  w->owner = owner;
  w->place = place;
  w->width = g_page[0];
  w->height = g_page[1];
  w->pixels.assign(static_cast<size_t>(w->width) * w->height, 0);
  w->checkSize = true;
  JsSetTitle(title, static_cast<int32_t>(std::strlen(title)));
  return w;
}

void HostDestroyWindow(HostWindow* window) {
  if (window->fullScreen) JsSetFullScreen(0);
  if (window == g_window.get()) g_window.reset();
}

bool HostShowWindow(HostWindow*, bool) { return true; }

void HostPlaceWindow(HostWindow* window, RECT place) {
  window->place = place;
  window->checkSize = true;
}

void HostSetFrame(HostWindow*, bool, bool) {}

// The canvas in the browser's full screen; its size comes as the page's resize.
void HostSetFullScreen(HostWindow* window, bool on) {
  if (on == window->fullScreen) return;
  window->fullScreen = on;
  window->pageIsScreen = false;
  JsSetFullScreen(on ? 1 : 0);
}

// A page is neither minimized nor restored by its program.
void HostMinimize(HostWindow*) {}

void HostRestore(HostWindow*) {}

WindowPixels HostPixels(HostWindow* window) {
  if (window->pixels.empty()) return {nullptr, 0, 0, 0};
  return {window->pixels.data(), window->width, window->height, window->width};
}

void HostPresent(HostWindow* w, RECT area) {
  area = Intersection(area, {0, 0, w->width, w->height});
  if (IsEmpty(area)) return;
  const int32_t width = Width(area), height = Height(area);
  w->rgba.resize(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* row = w->pixels.data() + static_cast<size_t>(area.top + y) * w->width;
    ToCanvasOrder(row + area.left, w->rgba.data() + static_cast<size_t>(y) * width, width);
  }
  JsPresent(reinterpret_cast<const uint8_t*>(w->rgba.data()), area.left, area.top, width, height);
}

void HostPumpEvents() { PumpPageEvents(); }

void HostWaitForEvents(int milliseconds) {
  if (PumpPageEvents()) return;
  JsWait(milliseconds, g_waitingStack, sizeof g_waitingStack);
  PumpPageEvents();
}

}  // namespace portable_win32
