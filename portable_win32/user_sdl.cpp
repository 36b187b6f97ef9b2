#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "portable_win32/win32_names.h"

namespace portable_win32 {

namespace {

struct WindowClass {
  WNDCLASSEXA info;
  std::string name, menuName;
};

struct Window {
  HWND handle;
  const WindowClass* windowClass;
  std::string title;
  WNDPROC procedure;
  DWORD style, exStyle;
  RECT rect;                   // the client area on the screen
  RECT restoredRect;           // where a maximized or minimized window goes back to
  RECT update = {0, 0, 0, 0};  // the part to paint, as a bounding rectangle
  bool erase = false;          // the update region wants its background erased first
  bool drawn = false;          // drawn on since it was last shown on the screen
  bool onScreen = false;       // shown by SDL; WS_VISIBLE may be cleared by a new style alone
  SDL_Window* sdl = nullptr;
  uint32_t sdlId = 0;
  std::deque<SDL_Point> requestedSizes;  // sizes asked of SDL whose events are still to come
  int32_t wheel = 0;                     // a smooth wheel's motion short of a notch, 1/120ths
  int frameTop = 0, frameLeft = 0;       // the desktop's frame when it was last taken away
  int placements = 0;                    // moves still to undo that missed where it was placed
  bool destroyed = false;
  uint32_t paints = 0;  // BeginPaint calls, which validate the update region
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT interval;
  TIMERPROC procedure;
  uint64_t due;
};

// Clients larger than this are not made: no display is so large, and the pixels must fit memory.
constexpr int kLargestClient = 16384;
constexpr uintptr_t kFirstWindow = 0x10010;
const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(uintptr_t{0x400000});
const HCURSOR kArrowCursor = reinterpret_cast<HCURSOR>(uintptr_t{0x10003});

std::vector<std::unique_ptr<WindowClass>> g_classes;
std::map<uintptr_t, std::unique_ptr<Window>> g_windows;
// Destroyed windows are kept, emptied, for the life of the process: a caller up the stack (a
// WM_SIZE handler's sender, say) may still hold one when its procedure destroys it.
std::vector<std::unique_ptr<Window>> g_destroyed;
uintptr_t g_nextWindow = kFirstWindow;
std::deque<MSG> g_queue;  // posted and input messages, in order
bool g_quitPosted = false;
int g_quitCode = 0;
std::vector<Timer> g_timers;
UINT_PTR g_nextTimerId = 1;
enum class Video { kUntried, kReady, kFailed } g_video = Video::kUntried;

Window* Find(HWND hwnd) {
  const auto found = g_windows.find(reinterpret_cast<uintptr_t>(hwnd));
  return found == g_windows.end() ? nullptr : found->second.get();
}

Window* FindSdl(uint32_t sdlId) {
  for (auto& entry : g_windows)
    if (entry.second->sdlId == sdlId) return entry.second.get();
  return nullptr;
}

uint64_t Now() { return SDL_GetTicks64(); }

int32_t Width(const RECT& r) { return r.right - r.left; }
int32_t Height(const RECT& r) { return r.bottom - r.top; }
bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

// SDL falls back on drivers that show nothing (offscreen, dummy) when there is no display: a
// viewer there would run unseen for ever. They are taken only when asked for by name.
bool ShowsNothing(const char* driver) {
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  const bool unseen = SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
  return unseen && (asked == nullptr || SDL_strcasecmp(asked, driver) != 0);
}

bool StartVideo() {
  if (g_video == Video::kUntried) {
    // Signals keep their usual effect: a viewer killed by a test or by Ctrl+C just ends.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The window surface is plain memory sent to the display (X11: shared-memory images), not a
    // texture drawn by OpenGL, which without a GPU is Mesa's software renderer, many times slower.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A window that has not captured the mouse gets no moves from outside its client area.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      g_video = Video::kFailed;
    } else if (ShowsNothing(SDL_GetCurrentVideoDriver())) {
      SDL_Quit();
      SDL_SetError("no display to show a window on (is DISPLAY or WAYLAND_DISPLAY set?)");
      g_video = Video::kFailed;
    } else {
      g_video = Video::kReady;
      std::atexit(SDL_Quit);
    }
  }
  return g_video == Video::kReady;
}

const WindowClass* FindClass(LPCSTR name) {
  if (name == nullptr) return nullptr;
  for (const auto& c : g_classes)
    if (SDL_strcasecmp(c->name.c_str(), name) == 0) return c.get();
  return nullptr;
}

// The built-in class the tests make plain windows of.
void RegisterSystemClasses() {
  if (!g_classes.empty()) return;
  WNDCLASSEXA staticClass = {};
  staticClass.cbSize = sizeof staticClass;
  staticClass.lpfnWndProc = DefWindowProcA;
  staticClass.lpszClassName = "STATIC";
  g_classes.push_back(std::make_unique<WindowClass>(WindowClass{staticClass, "STATIC", ""}));
}

SDL_Rect ScreenBounds() {
  SDL_Rect bounds = {0, 0, 0, 0};
  if (StartVideo()) SDL_GetDisplayBounds(0, &bounds);
  return bounds;
}

// Windows paint again, erased, whenever their size changes when the class asks for it.
void InvalidateAll(Window* w, bool erase) {
  w->update = {0, 0, Width(w->rect), Height(w->rect)};
  w->erase = w->erase || erase;
}

// The client's pixels are SDL's window surface itself, so drawing needs no copy of its own: 32
// bits with red above green above blue, which is the byte order of GDI's 32-bit bitmaps. A
// surface of another format (a display of fewer colours) is not drawn on.
SDL_Surface* WindowSurface(Window* w) {
  if (w->sdl == nullptr) return nullptr;
  SDL_Surface* s = SDL_GetWindowSurface(w->sdl);
  if (s == nullptr || s->format->BytesPerPixel != 4 || s->format->Rmask != 0xFF0000 ||
      s->format->Gmask != 0xFF00 || s->format->Bmask != 0xFF || s->pitch % 4 != 0)
    return nullptr;
  return s;
}

// Shows what was drawn on the screen.
void Present(Window* w) {
  w->drawn = false;
  if (w->onScreen && WindowSurface(w) != nullptr) SDL_UpdateWindowSurface(w->sdl);
}

void PresentDrawnWindows() {
  for (auto& entry : g_windows)
    if (entry.second->drawn) Present(entry.second.get());
}

// The client area, or as much of it as SDL's surface holds while a new size is on its way.
WindowPixels PixelsOf(void* owner, bool writing) {
  Window* w = Find(static_cast<HWND>(owner));
  SDL_Surface* s = w != nullptr ? WindowSurface(w) : nullptr;
  if (s == nullptr) return {nullptr, 0, 0, 0};
  w->drawn = w->drawn || writing;
  return {static_cast<uint32_t*>(s->pixels), std::min(s->w, Width(w->rect)),
          std::min(s->h, Height(w->rect)), s->pitch / 4};
}

WindowPixels NoPixels(void*, bool) { return {nullptr, 0, 0, 0}; }

LRESULT Send(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  return w->procedure(w->handle, message, wParam, lParam);
}

// Moves and sizes the window on the screen where it is not there yet. The size change's event
// that follows is then not news.
void PlaceSdlWindow(Window* w) {
  if (w->sdl == nullptr) return;
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(w->sdl, &x, &y);
  if (x != w->rect.left || y != w->rect.top) {
    SDL_SetWindowPosition(w->sdl, w->rect.left, w->rect.top);
    w->placements = 3;
  }
  SDL_GetWindowSize(w->sdl, &width, &height);
  const int wanted = std::max(1, Width(w->rect)), wantedHeight = std::max(1, Height(w->rect));
  if (width != wanted || height != wantedHeight) {
    w->requestedSizes.push_back({wanted, wantedHeight});
    if (w->requestedSizes.size() > 8) w->requestedSizes.pop_front();
    SDL_SetWindowSize(w->sdl, wanted, wantedHeight);
  }
}

// The client takes a new size: the window on the screen resized (and with it SDL's surface), a
// full repaint when the class asks for one, and a WM_SIZE of the given kind.
void Resize(Window* w, int32_t width, int32_t height, WPARAM kind) {
  width = std::clamp(width, 0, kLargestClient);
  height = std::clamp(height, 0, kLargestClient);
  const bool changed = width != Width(w->rect) || height != Height(w->rect);
  w->rect.right = w->rect.left + width;
  w->rect.bottom = w->rect.top + height;
  PlaceSdlWindow(w);
  if (changed && (w->windowClass->info.style & (CS_HREDRAW | CS_VREDRAW))) InvalidateAll(w, true);
  Send(w, WM_SIZE, kind, MAKELPARAM(width, height));
}

// A window manager puts a frame it adds where the client was, which moves the client by the
// frame's size: a client getting its frame back is moved up and left by the frame it had.
void ApplyFrame(Window* w) {
  if (w->sdl == nullptr) return;
  const bool framed = (w->style & WS_CAPTION) != 0;
  const bool wasFramed = !(SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_BORDERLESS);
  if (wasFramed && !framed) {
    SDL_GetWindowBordersSize(w->sdl, &w->frameTop, &w->frameLeft, nullptr, nullptr);
  } else if (framed && !wasFramed) {
    SDL_SetWindowPosition(w->sdl, w->rect.left - w->frameLeft, w->rect.top - w->frameTop);
  }
  SDL_SetWindowBordered(w->sdl, framed ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowResizable(w->sdl, (w->style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
}

// A window that comes onto the screen must be painted; one that never left it need not be.
void SetVisible(Window* w, bool visible) {
  if (visible) {
    w->style |= WS_VISIBLE;
  } else {
    w->style &= ~WS_VISIBLE;
  }
  if (w->sdl == nullptr || w->onScreen == visible) return;
  w->onScreen = visible;
  if (visible) {
    SDL_ShowWindow(w->sdl);
    InvalidateAll(w, true);
  } else {
    SDL_HideWindow(w->sdl);
  }
}

void Maximize(Window* w) {
  if (!(w->style & (WS_MAXIMIZE | WS_MINIMIZE))) w->restoredRect = w->rect;
  w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
  // A popup covers the whole display; a framed window what the desktop leaves free.
  SDL_Rect area = ScreenBounds();
  if (!(w->style & WS_POPUP) && w->sdl != nullptr)
    SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(w->sdl), &area);
  w->rect = {area.x, area.y, area.x + Width(w->rect), area.y + Height(w->rect)};
  Resize(w, area.w, area.h, SIZE_MAXIMIZED);
}

void Minimize(Window* w) {
  if (!(w->style & (WS_MAXIMIZE | WS_MINIMIZE))) w->restoredRect = w->rect;
  w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
  if (w->sdl != nullptr) SDL_MinimizeWindow(w->sdl);
  Send(w, WM_SIZE, SIZE_MINIMIZED, 0);
}

void Restore(Window* w) {
  if (!(w->style & (WS_MAXIMIZE | WS_MINIMIZE))) return;
  const bool wasMinimized = (w->style & WS_MINIMIZE) != 0;
  w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
  if (wasMinimized && w->sdl != nullptr) SDL_RestoreWindow(w->sdl);
  const RECT target = w->restoredRect;
  w->rect = {target.left, target.top, target.left + Width(w->rect), target.top + Height(w->rect)};
  Resize(w, Width(target), Height(target), SIZE_RESTORED);
}

// The message's point is left at 0, 0: nothing here reads it.
void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_queue.push_back(MSG{hwnd, message, wParam, lParam, static_cast<DWORD>(Now()), {0, 0}});
}

// The buttons are those the event reports, not those held when it is handled.
WPARAM KeyState(uint32_t buttons) {
  const SDL_Keymod mods = SDL_GetModState();
  WPARAM state = 0;
  if (buttons & SDL_BUTTON_LMASK) state |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) state |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) state |= MK_MBUTTON;
  if (mods & KMOD_SHIFT) state |= MK_SHIFT;
  if (mods & KMOD_CTRL) state |= MK_CONTROL;
  return state;
}

// Virtual-key codes of physical keys, whatever the keyboard layout and the shift state.
struct KeyCode {
  SDL_Scancode scancode;
  WPARAM virtualKey;
};
constexpr KeyCode kKeyCodes[] = {
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE},
    {SDL_SCANCODE_RETURN, VK_RETURN},
    {SDL_SCANCODE_BACKSPACE, VK_BACK},
    {SDL_SCANCODE_TAB, VK_TAB},
    {SDL_SCANCODE_SPACE, VK_SPACE},
    {SDL_SCANCODE_0, '0'},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7},
    {SDL_SCANCODE_GRAVE, VK_OEM_3},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD},
    {SDL_SCANCODE_SLASH, VK_OEM_2},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0},
    {SDL_SCANCODE_KP_PLUS, VK_ADD},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN},
    {SDL_SCANCODE_LEFT, VK_LEFT},
    {SDL_SCANCODE_RIGHT, VK_RIGHT},
    {SDL_SCANCODE_UP, VK_UP},
    {SDL_SCANCODE_DOWN, VK_DOWN},
    {SDL_SCANCODE_HOME, VK_HOME},
    {SDL_SCANCODE_END, VK_END},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT},
    {SDL_SCANCODE_INSERT, VK_INSERT},
    {SDL_SCANCODE_DELETE, VK_DELETE},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT},
    {SDL_SCANCODE_LCTRL, VK_CONTROL},
    {SDL_SCANCODE_RCTRL, VK_CONTROL},
    {SDL_SCANCODE_LALT, VK_MENU},
    {SDL_SCANCODE_RALT, VK_MENU},
};

// The key's virtual-key code; 0 for keys without one here. The main keyboard's plus and minus
// keys are wherever the layout puts '+' or '=' and '-', as Windows finds them for any country;
// a key at their place on a US keyboard that the layout gives another symbol has no code here.
WPARAM VirtualKey(SDL_Scancode code, SDL_Keycode symbol) {
  if (symbol == SDLK_PLUS || symbol == SDLK_EQUALS) return VK_OEM_PLUS;
  if (symbol == SDLK_MINUS) return VK_OEM_MINUS;
  if (code == SDL_SCANCODE_EQUALS || code == SDL_SCANCODE_MINUS) return 0;
  if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) return 'A' + (code - SDL_SCANCODE_A);
  if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) return '1' + (code - SDL_SCANCODE_1);
  if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12) return VK_F1 + (code - SDL_SCANCODE_F1);
  if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9)
    return VK_NUMPAD0 + 1 + (code - SDL_SCANCODE_KP_1);
  for (const KeyCode& k : kKeyCodes)
    if (k.scancode == code) return k.virtualKey;
  return 0;
}

// Keys go to the window that has the keyboard, or else to the newest window on the screen.
Window* KeyWindow(uint32_t sdlId) {
  if (Window* w = FindSdl(sdlId)) return w;
  for (auto it = g_windows.rbegin(); it != g_windows.rend(); ++it)
    if (it->second->style & WS_VISIBLE) return it->second.get();
  return nullptr;
}

void OnKey(const SDL_KeyboardEvent& key) {
  Window* w = KeyWindow(key.windowID);
  // keysym.sym is the layout's unshifted symbol of the key.
  const WPARAM code = VirtualKey(key.keysym.scancode, key.keysym.sym);
  if (w == nullptr || code == 0) return;
  // lParam: a repeat count of one, bit 30 for a key already down, bit 31 for a release.
  LPARAM lParam = 1;
  if (key.type == SDL_KEYUP) lParam |= LPARAM{3} << 30;
  if (key.type == SDL_KEYDOWN && key.repeat) lParam |= LPARAM{1} << 30;
  Post(w->handle, key.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, code, lParam);
}

// Windows sends mouse messages to the window under the pointer, and only there, unless the window
// has captured the mouse (the program never does); an X server keeps sending a window the moves
// of a drag that began in it.
bool InClient(const Window* w, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < Width(w->rect) && y < Height(w->rect);
}

void OnMouseMotion(const SDL_MouseMotionEvent& motion) {
  Window* w = FindSdl(motion.windowID);
  if (w == nullptr || !InClient(w, motion.x, motion.y)) return;
  const WPARAM state = KeyState(motion.state);
  const LPARAM where = MAKELPARAM(motion.x, motion.y);
  // Like the system's, a move still queued is replaced by a newer one.
  if (!g_queue.empty() && g_queue.back().message == WM_MOUSEMOVE &&
      g_queue.back().hwnd == w->handle && g_queue.back().wParam == state) {
    g_queue.back().lParam = where;
    return;
  }
  Post(w->handle, WM_MOUSEMOVE, state, where);
}

void OnMouseButton(const SDL_MouseButtonEvent& button) {
  Window* w = FindSdl(button.windowID);
  if (w == nullptr || !InClient(w, button.x, button.y)) return;
  const bool down = button.type == SDL_MOUSEBUTTONDOWN;
  // The other buttons as they are now; this one as the event leaves it.
  uint32_t buttons = SDL_GetMouseState(nullptr, nullptr) & ~SDL_BUTTON(button.button);
  if (down) buttons |= SDL_BUTTON(button.button);
  UINT message;
  switch (button.button) {
    case SDL_BUTTON_LEFT:
      message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      break;
    case SDL_BUTTON_RIGHT:
      message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      break;
    case SDL_BUTTON_MIDDLE:
      message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      break;
    default:
      return;
  }
  Post(w->handle, message, KeyState(buttons), MAKELPARAM(button.x, button.y));
}

// Most messages one wheel event gives: a notch each, and a hostile or broken device's thousands
// would take that many frames to work through.
constexpr int32_t kMostWheelMessages = 10;

// One WM_MOUSEWHEEL of 120 a notch, away from the user positive; a smooth wheel's small motions
// are summed, in 120ths of a notch, until they make a notch. Motion beyond what one event may
// post is dropped, as is motion that is not a number.
void OnMouseWheel(const SDL_MouseWheelEvent& wheel) {
  Window* w = FindSdl(wheel.windowID);
  if (w == nullptr || !std::isfinite(wheel.preciseY)) return;
  const double sign = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0 : 1.0;
  const double limit = (kMostWheelMessages + 1) * WHEEL_DELTA;
  const double motion = std::clamp(sign * wheel.preciseY * WHEEL_DELTA, -limit, limit);
  const int32_t total = w->wheel + static_cast<int32_t>(std::lround(motion));
  const int32_t notches = std::clamp(total / WHEEL_DELTA, -kMostWheelMessages, kMostWheelMessages);
  w->wheel = total % WHEEL_DELTA;
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  const WPARAM keys = KeyState(SDL_GetMouseState(nullptr, nullptr));
  const int16_t delta = notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
  for (int32_t n = 0; n < std::abs(notches); ++n)
    Post(w->handle, WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), MAKELPARAM(x, y));
}

// The desktop changed the window: a new size (unless it is one asked for), place, or state.
void OnWindowEvent(const SDL_WindowEvent& event) {
  Window* w = FindSdl(event.windowID);
  if (w == nullptr) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      auto& asked = w->requestedSizes;
      const auto mine = std::find_if(asked.begin(), asked.end(), [&](const SDL_Point& p) {
        return p.x == event.data1 && p.y == event.data2;
      });
      if (mine != asked.end()) {
        asked.erase(asked.begin(), mine + 1);
        Present(w);
        return;
      }
      asked.clear();
      if (event.data1 == Width(w->rect) && event.data2 == Height(w->rect)) return;
      Resize(w, event.data1, event.data2,
             (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED);
      return;
    }
    case SDL_WINDOWEVENT_MOVED: {
      // SDL places a framed window by the frame it last knew of, which lags behind a frame just
      // added or taken away: such a move is made again, a few times at most.
      if (w->placements > 0 && (event.data1 != w->rect.left || event.data2 != w->rect.top)) {
        --w->placements;
        SDL_SetWindowPosition(w->sdl, w->rect.left, w->rect.top);
        return;
      }
      w->placements = 0;
      const int32_t width = Width(w->rect), height = Height(w->rect);
      w->rect = {event.data1, event.data2, event.data1 + width, event.data2 + height};
      Send(w, WM_MOVE, 0, MAKELPARAM(event.data1, event.data2));
      return;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
      if (!(w->style & WS_MINIMIZE)) Minimize(w);
      return;
    case SDL_WINDOWEVENT_MAXIMIZED:
      if (!(w->style & WS_MAXIMIZE)) {
        w->restoredRect = w->rect;
        w->style |= WS_MAXIMIZE;
        Send(w, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(Width(w->rect), Height(w->rect)));
      }
      return;
    case SDL_WINDOWEVENT_RESTORED:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        Send(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(Width(w->rect), Height(w->rect)));
      }
      return;
    case SDL_WINDOWEVENT_EXPOSED:
      Present(w);  // SDL keeps the surface's pixels: no repaint needed
      return;
    case SDL_WINDOWEVENT_CLOSE:
      Post(w->handle, WM_CLOSE, 0, 0);
      return;
    default:
      return;
  }
}

void OnSdlEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      OnWindowEvent(event.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      OnKey(event.key);
      break;
    case SDL_MOUSEMOTION:
      OnMouseMotion(event.motion);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      OnMouseButton(event.button);
      break;
    case SDL_MOUSEWHEEL:
      OnMouseWheel(event.wheel);
      break;
    default:
      break;  // SDL_QUIT too: each window's close box comes as its own event
  }
}

void PumpSdlEvents() {
  if (g_video != Video::kReady) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) OnSdlEvent(event);
}

bool InRange(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool ForWindow(HWND filter, HWND hwnd) { return filter == nullptr || filter == hwnd; }

// The next message in the system's order: posted and input messages, the quit request, then a
// paint for a window that needs one, then a timer that is due.
bool NextMessage(MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
  PumpSdlEvents();
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    if (!InRange(it->message, first, last) || !ForWindow(hwnd, it->hwnd)) continue;
    *out = *it;
    if (remove) g_queue.erase(it);
    return true;
  }
  // Whatever the filter, as GetMessageA and PeekMessageA document.
  if (g_quitPosted) {
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, 0, {0, 0}};
    if (remove) g_quitPosted = false;
    return true;
  }
  if (InRange(WM_PAINT, first, last)) {
    for (auto& entry : g_windows) {
      Window* w = entry.second.get();
      if ((w->style & WS_VISIBLE) && !IsEmpty(w->update) && ForWindow(hwnd, w->handle)) {
        *out = MSG{w->handle, WM_PAINT, 0, 0, static_cast<DWORD>(Now()), {0, 0}};
        return true;
      }
    }
  }
  if (InRange(WM_TIMER, first, last)) {
    for (Timer& t : g_timers) {
      if (t.due > Now() || !ForWindow(hwnd, t.hwnd)) continue;
      *out = MSG{
          t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.procedure), static_cast<DWORD>(Now()),
          {0, 0}};
      if (remove) t.due = Now() + t.interval;
      return true;
    }
  }
  return false;
}

// How long GetMessageA may sleep before a timer falls due; -1: until an event comes.
int WaitLimit() {
  int limit = -1;
  for (const Timer& t : g_timers) {
    const uint64_t now = Now();
    const int ms = t.due <= now ? 0 : static_cast<int>(std::min<uint64_t>(t.due - now, 1 << 30));
    limit = limit < 0 ? ms : std::min(limit, ms);
  }
  return limit;
}

}  // namespace

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  RegisterSystemClasses();
  if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXA) ||
      windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
      FindClass(windowClass->lpszClassName) != nullptr)
    return 0;
  auto c = std::make_unique<WindowClass>();
  c->info = *windowClass;
  c->name = windowClass->lpszClassName;
  if (windowClass->lpszMenuName != nullptr) c->menuName = windowClass->lpszMenuName;
  c->info.lpszClassName = c->name.c_str();
  c->info.lpszMenuName = windowClass->lpszMenuName != nullptr ? c->menuName.c_str() : nullptr;
  g_classes.push_back(std::move(c));
  return static_cast<ATOM>(0xC000 + g_classes.size());
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR name, WNDCLASSEXA* windowClass) {
  RegisterSystemClasses();
  const WindowClass* c = FindClass(name);
  if (c == nullptr || windowClass == nullptr) return FALSE;
  *windowClass = c->info;
  return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  // The arrow is SDL's own default cursor; no other cursor is provided.
  const bool arrow = instance == nullptr && reinterpret_cast<uintptr_t>(name) == 32512;
  return arrow ? kArrowCursor : nullptr;
}

HMODULE GetModuleHandleA(LPCSTR name) { return name == nullptr ? kModule : nullptr; }

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
  RegisterSystemClasses();
  const WindowClass* windowClass = FindClass(className);
  // Top-level windows only.
  if (windowClass == nullptr || parent != nullptr || (style & WS_CHILD)) return nullptr;
  if (!StartVideo()) {
    std::fprintf(stderr, "cannot open the window \"%s\": %s\n", title != nullptr ? title : "",
                 SDL_GetError());
    return nullptr;
  }
  // The desktop's default for an overlapped window: three quarters of the screen.
  const SDL_Rect screen = ScreenBounds();
  if (width == CW_USEDEFAULT) width = screen.w * 3 / 4, height = screen.h * 3 / 4;
  if (x == CW_USEDEFAULT) x = screen.x, y = screen.y;
  width = std::clamp(width, 0, kLargestClient);
  height = std::clamp(height, 0, kLargestClient);

  auto w = std::make_unique<Window>();
  w->handle = reinterpret_cast<HWND>(g_nextWindow);
  w->windowClass = windowClass;
  w->title = title != nullptr ? title : "";
  w->procedure = windowClass->info.lpfnWndProc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->rect = {x, y, x + width, y + height};
  w->restoredRect = w->rect;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  if (!(style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
  w->sdl = SDL_CreateWindow(w->title.c_str(), x, y, std::max(1, width), std::max(1, height), flags);
  if (w->sdl == nullptr) {
    std::fprintf(stderr, "cannot open the window \"%s\": %s\n", w->title.c_str(), SDL_GetError());
    return nullptr;
  }
  w->sdlId = SDL_GetWindowID(w->sdl);
  g_nextWindow += 4;
  Window* window = w.get();
  g_windows.emplace(reinterpret_cast<uintptr_t>(w->handle), std::move(w));

  if (!Send(window, WM_NCCREATE, 0, 0) || Send(window, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(window->handle);
    return nullptr;
  }
  Send(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
  Send(window, WM_MOVE, 0, MAKELPARAM(x, y));
  if (Find(window->handle) != nullptr && (style & WS_VISIBLE)) ShowWindow(window->handle, SW_SHOW);
  return Find(window->handle) != nullptr ? window->handle : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (w->destroyed) return TRUE;  // again, from within its own WM_DESTROY
  w->destroyed = true;
  Send(w, WM_DESTROY, 0, 0);
  Send(w, WM_NCDESTROY, 0, 0);
  SDL_DestroyWindow(w->sdl);
  w->sdl = nullptr;
  g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                [&](const Timer& t) { return t.hwnd == hwnd; }),
                 g_timers.end());
  g_queue.erase(
      std::remove_if(g_queue.begin(), g_queue.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
      g_queue.end());
  const auto entry = g_windows.find(reinterpret_cast<uintptr_t>(hwnd));
  g_destroyed.push_back(std::move(entry->second));
  g_windows.erase(entry);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Find(hwnd) != nullptr; }

BOOL ShowWindow(HWND hwnd, int command) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  const BOOL wasVisible = (w->style & WS_VISIBLE) != 0;
  switch (command) {
    case SW_HIDE:
      SetVisible(w, false);
      break;
    case SW_SHOWMAXIMIZED:
      SetVisible(w, true);
      Maximize(w);
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      SetVisible(w, true);
      Minimize(w);
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      SetVisible(w, true);
      Restore(w);
      break;
    default:  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE: shown as it is
      SetVisible(w, true);
      break;
  }
  return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (!IsEmpty(w->update)) Send(w, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = Find(hwnd);
  return w != nullptr && (w->style & WS_VISIBLE) != 0;
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = Find(hwnd);
  return w != nullptr && (w->style & WS_MAXIMIZE) != 0;
}

LONG GetWindowLongA(HWND hwnd, int index) {
  return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->procedure);
    default:
      return 0;
  }
}

// A new style takes effect on the screen with the next SetWindowPos carrying SWP_FRAMECHANGED,
// and a style without WS_VISIBLE leaves the window on the screen until it is shown or hidden.
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  const LONG_PTR previous = GetWindowLongPtrA(hwnd, index);
  switch (index) {
    case GWL_STYLE:
      w->style = static_cast<DWORD>(value);
      break;
    case GWL_EXSTYLE:
      w->exStyle = static_cast<DWORD>(value);
      break;
    case GWLP_WNDPROC:
      if (value != 0) w->procedure = reinterpret_cast<WNDPROC>(value);
      break;
    default:
      return 0;
  }
  return previous;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int width, int height, UINT flags) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (flags & SWP_FRAMECHANGED) ApplyFrame(w);
  const bool moves = !(flags & SWP_NOMOVE) && (x != w->rect.left || y != w->rect.top);
  if (moves) w->rect = {x, y, x + Width(w->rect), y + Height(w->rect)};
  if (!(flags & SWP_NOSIZE)) {
    Resize(w, width, height, (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED);
  } else {
    PlaceSdlWindow(w);
  }
  if (moves && !w->destroyed) Send(w, WM_MOVE, 0, MAKELPARAM(x, y));
  if (flags & SWP_SHOWWINDOW) SetVisible(w, true);
  if (flags & SWP_HIDEWINDOW) SetVisible(w, false);
  return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) { return rect != nullptr; }

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = Find(hwnd);
  if (w == nullptr || rect == nullptr) return FALSE;
  *rect = {0, 0, Width(w->rect), Height(w->rect)};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  Window* w = Find(hwnd);
  if (w == nullptr || point == nullptr) return FALSE;
  point->x += w->rect.left;
  point->y += w->rect.top;
  return TRUE;
}

namespace {

int CopyText(const std::string& text, LPSTR out, int size) {
  if (out == nullptr || size <= 0) return 0;
  const int length = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(out, text.data(), static_cast<size_t>(length));
  out[length] = '\0';
  return length;
}

}  // namespace

int GetWindowTextA(HWND hwnd, LPSTR text, int size) {
  Window* w = Find(hwnd);
  return w != nullptr ? CopyText(w->title, text, size) : 0;
}

int GetClassNameA(HWND hwnd, LPSTR name, int size) {
  Window* w = Find(hwnd);
  return w != nullptr ? CopyText(w->windowClass->name, name, size) : 0;
}

HWND GetParent(HWND) { return nullptr; }

HMENU GetMenu(HWND) { return nullptr; }

HWND FindWindowA(LPCSTR className, LPCSTR title) {
  for (auto& entry : g_windows) {
    const Window* w = entry.second.get();
    if (className != nullptr && SDL_strcasecmp(w->windowClass->name.c_str(), className) != 0)
      continue;
    if (title != nullptr && w->title != title) continue;
    return w->handle;
  }
  return nullptr;
}

int GetSystemMetrics(int index) {
  const SDL_Rect screen = ScreenBounds();
  return index == SM_CXSCREEN ? screen.w : index == SM_CYSCREEN ? screen.h : 0;
}

BOOL GetMessageA(MSG* message, HWND hwnd, UINT first, UINT last) {
  if (message == nullptr) return -1;
  while (!NextMessage(message, hwnd, first, last, true)) {
    PresentDrawnWindows();
    if (g_video != Video::kReady) {
      // No events can come: only a timer ends the wait, as it would on a desktop with no input.
      const int limit = WaitLimit();
      SDL_Delay(static_cast<Uint32>(limit < 0 ? 100 : limit));
      continue;
    }
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, WaitLimit())) OnSdlEvent(event);
  }
  return message->message != WM_QUIT;
}

BOOL PeekMessageA(MSG* message, HWND hwnd, UINT first, UINT last, UINT remove) {
  if (message == nullptr) return FALSE;
  return NextMessage(message, hwnd, first, last, (remove & PM_REMOVE) != 0);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* message) {
  if (message == nullptr) return 0;
  if (message->message == WM_TIMER && message->lParam != 0) {
    reinterpret_cast<TIMERPROC>(message->lParam)(message->hwnd, WM_TIMER, message->wParam,
                                                 static_cast<DWORD>(Now()));
    return 0;
  }
  Window* w = Find(message->hwnd);
  if (w == nullptr) return 0;
  const uint32_t paints = w->paints;
  const LRESULT result = Send(w, message->message, message->wParam, message->lParam);
  // A paint handler that never began painting would get its paint again at once, for ever: its
  // region is validated. One that did keeps what it invalidated since.
  if (message->message == WM_PAINT && (w = Find(message->hwnd)) != nullptr && w->paints == paints)
    w->update = {};
  return result;
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd != nullptr && Find(hwnd) == nullptr) return FALSE;
  Post(hwnd, message, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int code) {
  g_quitPosted = true;
  g_quitCode = code;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  return w != nullptr ? Send(w, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) Send(w, WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hwnd, &paint);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = w->windowClass->info.hbrBackground;
      if (brush == nullptr) return 0;
      const RECT client = {0, 0, Width(w->rect), Height(w->rect)};
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    default:
      (void)lParam;
      return 0;
  }
}

LRESULT CallWindowProcA(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure != nullptr ? procedure(hwnd, message, wParam, lParam) : 0;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC procedure) {
  if (hwnd != nullptr && Find(hwnd) == nullptr) return 0;
  if (hwnd == nullptr) id = g_nextTimerId++;
  KillTimer(hwnd, id);
  g_timers.push_back(Timer{hwnd, id, milliseconds, procedure, Now() + milliseconds});
  return hwnd == nullptr ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  const auto found = std::find_if(g_timers.begin(), g_timers.end(),
                                  [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (found == g_timers.end()) return FALSE;
  g_timers.erase(found);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  Window* w = Find(hwnd);
  if (w == nullptr || paint == nullptr) return nullptr;
  *paint = PAINTSTRUCT{};
  // The paint draws within what was to be painted; with nothing to paint, it draws nothing.
  paint->rcPaint = IsEmpty(w->update) ? RECT{0, 0, 0, 0} : w->update;
  paint->hdc = CreateWindowContext(PixelsOf, hwnd, &paint->rcPaint);
  const bool erase = w->erase;
  ++w->paints;
  w->update = {0, 0, 0, 0};
  w->erase = false;
  if (erase) paint->fErase = Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) == 0;
  return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (paint == nullptr) return FALSE;
  ReleaseDC(hwnd, paint->hdc);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (hwnd == nullptr) {
    for (auto& entry : g_windows) InvalidateRect(entry.second->handle, rect, erase);
    return TRUE;
  }
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  RECT area = {0, 0, Width(w->rect), Height(w->rect)};
  if (rect != nullptr) {
    area = {std::max(area.left, rect->left), std::max(area.top, rect->top),
            std::min(area.right, rect->right), std::min(area.bottom, rect->bottom)};
  }
  if (IsEmpty(area)) return TRUE;
  if (IsEmpty(w->update)) {
    w->update = area;
  } else {
    w->update = {std::min(w->update.left, area.left), std::min(w->update.top, area.top),
                 std::max(w->update.right, area.right), std::max(w->update.bottom, area.bottom)};
  }
  w->erase = w->erase || erase;
  return TRUE;
}

// The update region is kept as its bounding rectangle: a rectangle covering it validates it all,
// one that does not leaves it all to paint.
BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (rect == nullptr || (rect->left <= w->update.left && rect->top <= w->update.top &&
                          rect->right >= w->update.right && rect->bottom >= w->update.bottom)) {
    w->update = {0, 0, 0, 0};
    w->erase = false;
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  const bool pending = !IsEmpty(w->update);
  if (rect != nullptr) *rect = pending ? w->update : RECT{0, 0, 0, 0};
  return pending;
}

HDC GetDC(HWND hwnd) {
  if (hwnd == nullptr) return CreateWindowContext(NoPixels, nullptr, nullptr);  // the screen
  if (Find(hwnd) == nullptr) return nullptr;
  return CreateWindowContext(PixelsOf, hwnd, nullptr);
}

int ReleaseDC(HWND hwnd, HDC dc) {
  if (!DeleteDC(dc)) return 0;
  Window* w = Find(hwnd);
  if (w != nullptr && w->drawn) Present(w);
  return 1;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a != nullptr && b != nullptr && a->left == b->left && a->top == b->top &&
         a->right == b->right && a->bottom == b->bottom;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(intptr_t{-1}); }

DWORD GetGuiResources(HANDLE, DWORD kind) { return kind == GR_GDIOBJECTS ? LiveGdiObjects() : 0; }

}  // namespace portable_win32
