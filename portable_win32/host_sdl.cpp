// The layer's host on desktops, over SDL2: a window is an SDL window drawn in software, its
// pixels SDL's window surface, its input SDL's events.
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

#include "portable_win32/host.h"

namespace portable_win32 {

struct HostWindow {
  HWND owner;
  SDL_Window* sdl;
  uint32_t id;
  RECT place;                            // the client, where the layer last put it
  std::deque<SDL_Point> requestedSizes;  // sizes asked of SDL whose events are still to come
  int frameTop = 0, frameLeft = 0;       // the desktop's frame when it was last taken away
  int placements = 0;                    // moves still to undo that missed where it was placed
};

namespace {

std::vector<std::unique_ptr<HostWindow>> g_windows;
bool g_started = false;

HostWindow* FindSdl(uint32_t id) {
  for (auto& w : g_windows)
    if (w->id == id) return w.get();
  return nullptr;
}

HWND OwnerOf(uint32_t id) {
  HostWindow* w = FindSdl(id);
  return w != nullptr ? w->owner : nullptr;
}

RECT RectOf(const SDL_Rect& r) { return {r.x, r.y, r.x + r.w, r.y + r.h}; }

// SDL falls back on drivers that show nothing (offscreen, dummy) when there is no display: a
// viewer there would run unseen for ever. They are taken only when asked for by name.
bool ShowsNothing(const char* driver) {
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  const bool unseen = SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
  return unseen && (asked == nullptr || SDL_strcasecmp(asked, driver) != 0);
}

// 32 bits with red above green above blue, which is the byte order of GDI's 32-bit bitmaps. A
// surface of another format (a display of fewer colours) is not drawn on.
SDL_Surface* WindowSurface(HostWindow* w) {
  SDL_Surface* s = SDL_GetWindowSurface(w->sdl);
  if (s == nullptr || s->format->BytesPerPixel != 4 || s->format->Rmask != 0xFF0000 ||
      s->format->Gmask != 0xFF00 || s->format->Bmask != 0xFF || s->pitch % 4 != 0)
    return nullptr;
  return s;
}

void PresentAll(HostWindow* w) {
  if ((SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN) && WindowSurface(w) != nullptr)
    SDL_UpdateWindowSurface(w->sdl);
}

uint32_t Held(uint32_t buttons) {
  const SDL_Keymod mods = SDL_GetModState();
  uint32_t held = 0;
  if (buttons & SDL_BUTTON_LMASK) held |= kHostLeft;
  if (buttons & SDL_BUTTON_RMASK) held |= kHostRight;
  if (buttons & SDL_BUTTON_MMASK) held |= kHostMiddle;
  if (mods & KMOD_SHIFT) held |= kHostShift;
  if (mods & KMOD_CTRL) held |= kHostControl;
  return held;
}

uint32_t ButtonOf(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return kHostLeft;
    case SDL_BUTTON_RIGHT:
      return kHostRight;
    case SDL_BUTTON_MIDDLE:
      return kHostMiddle;
    default:
      return 0;
  }
}

void OnKey(const SDL_KeyboardEvent& key) {
  // keysym.sym is the layout's unshifted symbol for a key that types one.
  const SDL_Keycode sym = key.keysym.sym;
  const uint32_t symbol = (sym & SDLK_SCANCODE_MASK) ? 0 : static_cast<uint32_t>(sym);
  HostKey(OwnerOf(key.windowID), key.keysym.scancode, symbol, key.type == SDL_KEYDOWN,
          key.repeat != 0);
}

void OnMouseButton(const SDL_MouseButtonEvent& button) {
  const bool down = button.type == SDL_MOUSEBUTTONDOWN;
  // The other buttons as they are now; this one as the event leaves it.
  uint32_t buttons = SDL_GetMouseState(nullptr, nullptr) & ~SDL_BUTTON(button.button);
  if (down) buttons |= SDL_BUTTON(button.button);
  HostMouseButton(OwnerOf(button.windowID), ButtonOf(button.button), down, button.x, button.y,
                  Held(buttons));
}

void OnMouseWheel(const SDL_MouseWheelEvent& wheel) {
  const double sign = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0 : 1.0;
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  HostWheel(OwnerOf(wheel.windowID), sign * wheel.preciseY, x, y,
            Held(SDL_GetMouseState(nullptr, nullptr)));
}

// A size the layer asked for arrives as an event too: that one is not news.
void OnSizeChanged(HostWindow* w, int width, int height) {
  auto& asked = w->requestedSizes;
  const auto mine = std::find_if(asked.begin(), asked.end(),
                                 [&](const SDL_Point& p) { return p.x == width && p.y == height; });
  if (mine != asked.end()) {
    asked.erase(asked.begin(), mine + 1);
    PresentAll(w);
    return;
  }
  asked.clear();
  HostResized(w->owner, width, height);
}

// SDL places a framed window by the frame it last knew of, which lags behind a frame just added
// or taken away: such a move is made again, a few times at most.
void OnMoved(HostWindow* w, int x, int y) {
  if (w->placements > 0 && (x != w->place.left || y != w->place.top)) {
    --w->placements;
    SDL_SetWindowPosition(w->sdl, w->place.left, w->place.top);
    return;
  }
  w->placements = 0;
  w->place = {x, y, x + (w->place.right - w->place.left), y + (w->place.bottom - w->place.top)};
  HostMoved(w->owner, x, y);
}

void OnWindowEvent(const SDL_WindowEvent& event) {
  HostWindow* w = FindSdl(event.windowID);
  if (w == nullptr) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      OnSizeChanged(w, event.data1, event.data2);
      return;
    case SDL_WINDOWEVENT_MOVED:
      OnMoved(w, event.data1, event.data2);
      return;
    case SDL_WINDOWEVENT_MINIMIZED:
      HostMinimized(w->owner);
      return;
    case SDL_WINDOWEVENT_MAXIMIZED:
      HostMaximized(w->owner);
      return;
    case SDL_WINDOWEVENT_RESTORED:
      HostRestored(w->owner);
      return;
    case SDL_WINDOWEVENT_EXPOSED:
      PresentAll(w);  // SDL keeps the surface's pixels: no repaint needed
      return;
    case SDL_WINDOWEVENT_CLOSE:
      HostClose(w->owner);
      return;
    default:
      return;
  }
}

void OnEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      OnWindowEvent(event.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      OnKey(event.key);
      break;
    case SDL_MOUSEMOTION:
      HostMouseMove(OwnerOf(event.motion.windowID), event.motion.x, event.motion.y,
                    Held(event.motion.state));
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

}  // namespace

bool HostStart() {
  // Signals keep their usual effect: a viewer killed by a test or by Ctrl+C just ends.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The window surface is plain memory sent to the display (X11: shared-memory images), not a
  // texture drawn by OpenGL, which without a GPU is Mesa's software renderer, many times slower.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // A window that has not captured the mouse gets no moves from outside its client area.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
  if (ShowsNothing(SDL_GetCurrentVideoDriver())) {
    SDL_Quit();
    SDL_SetError("no display to show a window on (is DISPLAY or WAYLAND_DISPLAY set?)");
    return false;
  }
  g_started = true;
  std::atexit(SDL_Quit);
  return true;
}

const char* HostError() { return SDL_GetError(); }

uint64_t HostNow() { return SDL_GetTicks64(); }

RECT HostScreen() {
  SDL_Rect bounds = {0, 0, 0, 0};
  SDL_GetDisplayBounds(0, &bounds);
  return RectOf(bounds);
}

RECT HostWorkArea(HostWindow* window) {
  SDL_Rect area = {0, 0, 0, 0};
  SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window->sdl), &area);
  return RectOf(area);
}

// The desktop's default for an overlapped window: three quarters of the screen.
RECT HostDefaultPlace() {
  const RECT screen = HostScreen();
  const int32_t width = (screen.right - screen.left) * 3 / 4;
  const int32_t height = (screen.bottom - screen.top) * 3 / 4;
  return {screen.left, screen.top, screen.left + width, screen.top + height};
}

HostWindow* HostCreateWindow(HWND owner, const char* title, RECT place, bool framed,
                             bool resizable) {
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (resizable) flags |= SDL_WINDOW_RESIZABLE;
  if (!framed) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window* sdl =
      SDL_CreateWindow(title, place.left, place.top, std::max(1, place.right - place.left),
                       std::max(1, place.bottom - place.top), flags);
  if (sdl == nullptr) return nullptr;
  g_windows.push_back(std::make_unique<HostWindow>());
  HostWindow* w = g_windows.back().get();
  w->owner = owner;
  w->sdl = sdl;
  w->id = SDL_GetWindowID(sdl);
  w->place = place;
  return w;
}

void HostDestroyWindow(HostWindow* window) {
  SDL_DestroyWindow(window->sdl);
  g_windows.erase(std::find_if(g_windows.begin(), g_windows.end(),
                               [&](const auto& w) { return w.get() == window; }));
}

void HostShowWindow(HostWindow* window, bool shown) {
  if (shown) {
    SDL_ShowWindow(window->sdl);
  } else {
    SDL_HideWindow(window->sdl);
  }
}

// Moves and sizes the window where it is not there yet; the size change's event that follows is
// then not news.
void HostPlaceWindow(HostWindow* w, RECT place) {
  w->place = place;
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(w->sdl, &x, &y);
  if (x != place.left || y != place.top) {
    SDL_SetWindowPosition(w->sdl, place.left, place.top);
    w->placements = 3;
  }
  SDL_GetWindowSize(w->sdl, &width, &height);
  const int wanted = std::max(1, place.right - place.left);
  const int wantedHeight = std::max(1, place.bottom - place.top);
  if (width != wanted || height != wantedHeight) {
    w->requestedSizes.push_back({wanted, wantedHeight});
    if (w->requestedSizes.size() > 8) w->requestedSizes.pop_front();
    SDL_SetWindowSize(w->sdl, wanted, wantedHeight);
  }
}

// A window manager puts a frame it adds where the client was, which moves the client by the
// frame's size: a client getting its frame back is moved up and left by the frame it had.
void HostSetFrame(HostWindow* w, bool framed, bool resizable) {
  const bool wasFramed = !(SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_BORDERLESS);
  if (wasFramed && !framed) {
    SDL_GetWindowBordersSize(w->sdl, &w->frameTop, &w->frameLeft, nullptr, nullptr);
  } else if (framed && !wasFramed) {
    SDL_SetWindowPosition(w->sdl, w->place.left - w->frameLeft, w->place.top - w->frameTop);
  }
  SDL_SetWindowBordered(w->sdl, framed ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowResizable(w->sdl, resizable ? SDL_TRUE : SDL_FALSE);
}

// Full screen is a window without a frame the size of the display, which works with or without a
// window manager: the layer's placing makes it.
void HostSetFullScreen(HostWindow*, bool) {}

void HostMinimize(HostWindow* window) { SDL_MinimizeWindow(window->sdl); }

void HostRestore(HostWindow* window) { SDL_RestoreWindow(window->sdl); }

WindowPixels HostPixels(HostWindow* window) {
  SDL_Surface* s = WindowSurface(window);
  if (s == nullptr) return {nullptr, 0, 0, 0};
  return {static_cast<uint32_t*>(s->pixels), s->w, s->h, s->pitch / 4};
}

void HostPresent(HostWindow* window, RECT area) {
  SDL_Surface* s = WindowSurface(window);
  if (s == nullptr) return;
  const SDL_Rect rect = {area.left, area.top, area.right - area.left, area.bottom - area.top};
  SDL_UpdateWindowSurfaceRects(window->sdl, &rect, 1);
}

void HostPumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) OnEvent(event);
}

void HostWaitForEvents(int milliseconds) {
  if (!g_started) {
    // No events can come: only a timer ends the wait, as it would on a desktop with no input.
    SDL_Delay(static_cast<Uint32>(milliseconds < 0 ? 100 : milliseconds));
    return;
  }
  SDL_Event event;
  if (SDL_WaitEventTimeout(&event, milliseconds)) OnEvent(event);
}

}  // namespace portable_win32
