// The layer's host on desktops other than Wayland's, over SDL2: a window is an SDL window drawn in
// software, its pixels SDL's window surface, its input SDL's events.
#include <SDL.h>
#include <SDL_syswm.h>  // the X server's own pointer events, which SDL clamps to the window

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "portable_win32/hosts/desktop.h"
#include "portable_win32/rect.h"

namespace portable_win32 {

namespace {

struct SdlWindow : HostWindow {
  HWND owner;
  SDL_Window* sdl;
  uint32_t id;
  RECT place;                            // the client, where the layer last put it
  std::deque<SDL_Point> requestedSizes;  // sizes asked of SDL whose events are still to come
  int frameTop = 0, frameLeft = 0;       // the desktop's frame when it was last taken away
  int placements = 0;                    // moves still to undo that missed where it was placed
  std::vector<uint32_t> pixels;  // drawn here where the surface is not 32-bit RGB, converted
  unsigned long x11Window = 0;   // on X11
  void* x11Display = nullptr;
  bool pointerOut = false;  // the X server last put the pointer outside the client
};

std::vector<std::unique_ptr<SdlWindow>> g_windows;
bool g_openGlSurfaces = false;  // window surfaces are OpenGL textures (ChooseSurfaces)

SdlWindow* Of(HostWindow* window) { return static_cast<SdlWindow*>(window); }

SdlWindow* FindSdl(uint32_t id) {
  for (auto& w : g_windows)
    if (w->id == id) return w.get();
  return nullptr;
}

HWND OwnerOf(uint32_t id) {
  SdlWindow* w = FindSdl(id);
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

// 32 bits with red above green above blue, which is the byte order of GDI's 32-bit bitmaps: the
// layer draws on such a surface itself. On any other (a display of 16 bits, say) it draws in the
// window's own pixels, converted as they are shown.
bool LayerFormat(const SDL_Surface* s) {
  return s->format->BytesPerPixel == 4 && s->format->Rmask == 0xFF0000 &&
         s->format->Gmask == 0xFF00 && s->format->Bmask == 0xFF && s->pitch % 4 == 0;
}

void Convert(SdlWindow* w, SDL_Surface* s, const SDL_Rect& r) {
  const int bytes = s->format->BytesPerPixel;
  const uint32_t* from = w->pixels.data() + static_cast<size_t>(r.y) * s->w + r.x;
  uint8_t* to =
      static_cast<uint8_t*>(s->pixels) + static_cast<size_t>(r.y) * s->pitch + r.x * bytes;
  SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, from, s->w * 4, s->format->format, to,
                    s->pitch);
}

void PresentAll(SdlWindow* w) {
  if (!(SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN)) return;
  SDL_Surface* s = SDL_GetWindowSurface(w->sdl);
  if (s == nullptr) return;
  if (!LayerFormat(s) && w->pixels.size() == static_cast<size_t>(s->w) * s->h)
    Convert(w, s, {0, 0, s->w, s->h});
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

// SDL puts a pointer outside the window on its edge, which the X server's own event before it
// tells; a window without capture gets no mouse messages from outside its client, on Windows.
bool PointerOut(uint32_t id, int x, int y) {
  SdlWindow* w = FindSdl(id);
  if (w == nullptr || !w->pointerOut) return false;
  int width = 0, height = 0;
  SDL_GetWindowSize(w->sdl, &width, &height);
  return x <= 0 || y <= 0 || x >= width - 1 || y >= height - 1;
}

void OnMouseButton(const SDL_MouseButtonEvent& button) {
  if (PointerOut(button.windowID, button.x, button.y)) return;
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

// The size the desktop gave, which the layer hears of and does not ask again.
void TakeSize(SdlWindow* w, int width, int height) {
  w->place.right = w->place.left + width;
  w->place.bottom = w->place.top + height;
}

// A size the layer asked for arrives as an event too: that one is not news.
void OnSizeChanged(SdlWindow* w, int width, int height) {
  auto& asked = w->requestedSizes;
  const auto mine = std::find_if(asked.begin(), asked.end(),
                                 [&](const SDL_Point& p) { return p.x == width && p.y == height; });
  if (mine != asked.end()) {
    asked.erase(asked.begin(), mine + 1);
    PresentAll(w);
    return;
  }
  asked.clear();
  TakeSize(w, width, height);
  HostResized(w->owner, width, height);
}

// SDL places a framed window by the frame it last knew of, which lags behind a frame just added
// or taken away: such a move is made again, a few times at most.
void OnMoved(SdlWindow* w, int x, int y) {
  if (w->placements > 0 && (x != w->place.left || y != w->place.top)) {
    --w->placements;
    SDL_SetWindowPosition(w->sdl, w->place.left, w->place.top);
    return;
  }
  w->placements = 0;
  w->place = {x, y, x + Width(w->place), y + Height(w->place)};
  HostMoved(w->owner, x, y);
}

void OnWindowEvent(const SDL_WindowEvent& event) {
  SdlWindow* w = FindSdl(event.windowID);
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
    case SDL_WINDOWEVENT_RESTORED: {
      int width = 0, height = 0;
      SDL_GetWindowSize(w->sdl, &width, &height);
      TakeSize(w, width, height);
      if (event.event == SDL_WINDOWEVENT_MAXIMIZED) {
        HostMaximized(w->owner, width, height);
      } else {
        HostRestored(w->owner, width, height);
      }
      return;
    }
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

// The X server's pointer positions, which come before SDL's events made of them.
void OnSystemEvent(const SDL_SysWMmsg& message) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (message.subsystem != SDL_SYSWM_X11) return;
  const XEvent& e = message.msg.x11.event;
  unsigned long window = 0;
  int x = 0, y = 0;
  switch (e.type) {
    case MotionNotify:
      window = e.xmotion.window, x = e.xmotion.x, y = e.xmotion.y;
      break;
    case ButtonPress:
    case ButtonRelease:
      window = e.xbutton.window, x = e.xbutton.x, y = e.xbutton.y;
      break;
    case EnterNotify:
    case LeaveNotify:
      window = e.xcrossing.window, x = e.xcrossing.x, y = e.xcrossing.y;
      break;
    default:
      return;
  }
  for (auto& w : g_windows) {
    if (w->x11Window != window) continue;
    int width = 0, height = 0;
    SDL_GetWindowSize(w->sdl, &width, &height);
    w->pointerOut = x < 0 || y < 0 || x >= width || y >= height;
  }
#else
  (void)message;
#endif
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
      if (PointerOut(event.motion.windowID, event.motion.x, event.motion.y)) break;
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
    case SDL_SYSWMEVENT:
      OnSystemEvent(*event.syswm.msg);
      break;
    default:
      break;  // SDL_QUIT too: each window's close box comes as its own event
  }
}

// SDL's own window surface is plain memory sent to the display (X11: shared-memory images), but
// only for a display SDL knows the pixel format of; for any other (X's depth 30) SDL's surface is
// a texture drawn by OpenGL, which converts it for the display.
void ChooseSurfaces() {
  SDL_DisplayMode mode;
  const bool known =
      SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.format != SDL_PIXELFORMAT_UNKNOWN;
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, known ? "0" : "1");
  g_openGlSurfaces = SDL_GetHintBoolean(SDL_HINT_FRAMEBUFFER_ACCELERATION, SDL_FALSE) == SDL_TRUE;
}

bool Start() {
  // Signals keep their usual effect: a viewer killed by a test or by Ctrl+C just ends.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A window that has not captured the mouse gets no moves from outside its client area.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
  if (ShowsNothing(SDL_GetCurrentVideoDriver())) {
    SDL_Quit();
    SDL_SetError("no display to show a window on (is DISPLAY or WAYLAND_DISPLAY set?)");
    return false;
  }
  ChooseSurfaces();
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  std::atexit(SDL_Quit);
  return true;
}

const char* Error() { return SDL_GetError(); }

RECT Screen() {
  SDL_Rect bounds = {0, 0, 0, 0};
  SDL_GetDisplayBounds(0, &bounds);
  return RectOf(bounds);
}

RECT WorkArea(HostWindow* window) {
  SDL_Rect area = {0, 0, 0, 0};
  SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(Of(window)->sdl), &area);
  return RectOf(area);
}

// SDL's windows are in the screen's pixels.
HostWindow* Create(HWND owner, const char* title, RECT place, bool framed, bool resizable) {
  Uint32 flags = SDL_WINDOW_HIDDEN;
  // Made for OpenGL at once where its surface will be a texture: SDL would otherwise make the
  // window again, a second X window, as its surface is first asked for.
  if (g_openGlSurfaces) flags |= SDL_WINDOW_OPENGL;
  if (resizable) flags |= SDL_WINDOW_RESIZABLE;
  if (!framed) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window* sdl = SDL_CreateWindow(title, place.left, place.top, std::max(1, Width(place)),
                                     std::max(1, Height(place)), flags);
  if (sdl == nullptr) return nullptr;
  g_windows.push_back(std::make_unique<SdlWindow>());
  SdlWindow* w = g_windows.back().get();
  w->owner = owner;
  w->sdl = sdl;
  w->id = SDL_GetWindowID(sdl);
  w->place = place;
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(sdl, &info) && info.subsystem == SDL_SYSWM_X11) {
    w->x11Window = info.info.x11.window;
    w->x11Display = info.info.x11.display;
  }
#endif
  return w;
}

void Destroy(HostWindow* window) {
  SDL_DestroyWindow(Of(window)->sdl);
  g_windows.erase(std::find_if(g_windows.begin(), g_windows.end(),
                               [&](const auto& w) { return w.get() == window; }));
}

void Pump();

// A window is shown only where it has pixels to show: SDL has no surface for some displays (a
// Wayland compositor's, without OpenGL; an X visual without it).
bool SetShown(HostWindow* window, bool shown) {
  SdlWindow* w = Of(window);
  if (!shown) {
    SDL_HideWindow(w->sdl);
    return true;
  }
  SDL_ShowWindow(w->sdl);
  // A window manager that sizes windows itself (a tiling one) has done so as it mapped this one:
  // the layer hears of that size before the window's first WM_SIZE.
  Pump();
  if (SDL_GetWindowSurface(w->sdl) != nullptr) return true;
  const std::string why = SDL_GetError();
  SDL_SetError("SDL gives the window no surface on this display (%s)", why.c_str());
  return false;
}

// Moves and sizes the window where it is not there yet; the size change's event that follows is
// then not news.
void Place(HostWindow* window, RECT place) {
  SdlWindow* w = Of(window);
  w->place = place;
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(w->sdl, &x, &y);
  if (x != place.left || y != place.top) {
    SDL_SetWindowPosition(w->sdl, place.left, place.top);
    w->placements = 3;
  }
  SDL_GetWindowSize(w->sdl, &width, &height);
  const int wanted = std::max(1, Width(place));
  const int wantedHeight = std::max(1, Height(place));
  if (width != wanted || height != wantedHeight) {
    w->requestedSizes.push_back({wanted, wantedHeight});
    if (w->requestedSizes.size() > 8) w->requestedSizes.pop_front();
    SDL_SetWindowSize(w->sdl, wanted, wantedHeight);
  }
}

// A window manager puts a frame it adds where the client was, which moves the client by the
// frame's size: a client getting its frame back is moved up and left by the frame it had.
void SetFrame(HostWindow* window, bool framed, bool resizable) {
  SdlWindow* w = Of(window);
  const bool wasFramed = !(SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_BORDERLESS);
  if (wasFramed && !framed) {
    SDL_GetWindowBordersSize(w->sdl, &w->frameTop, &w->frameLeft, nullptr, nullptr);
  } else if (framed && !wasFramed) {
    SDL_SetWindowPosition(w->sdl, w->place.left - w->frameLeft, w->place.top - w->frameTop);
  }
  SDL_SetWindowBordered(w->sdl, framed ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowResizable(w->sdl, resizable ? SDL_TRUE : SDL_FALSE);
}

// Full screen is a window without a frame the size of the display, which the layer's placing
// makes where no window manager runs. A window manager is asked for its full-screen state too
// (_NET_WM_STATE_FULLSCREEN): a tiling one ignores a managed window's own placing.
void SetFullScreen(HostWindow* window, bool on) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SdlWindow* w = Of(window);
  if (w->x11Display == nullptr) return;
  Display* display = static_cast<Display*>(w->x11Display);
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = w->x11Window;
  e.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = on ? 1 : 0;  // add, remove
  e.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False));
  e.xclient.data.l[3] = 1;  // asked by the application
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(display);
#else
  (void)window, (void)on;
#endif
}

void MinimizeWindow(HostWindow* window) { SDL_MinimizeWindow(Of(window)->sdl); }

void RestoreWindow(HostWindow* window) { SDL_RestoreWindow(Of(window)->sdl); }

WindowPixels Pixels(HostWindow* window) {
  SdlWindow* w = Of(window);
  SDL_Surface* s = SDL_GetWindowSurface(w->sdl);
  if (s == nullptr) return {nullptr, 0, 0, 0};
  if (LayerFormat(s)) return {static_cast<uint32_t*>(s->pixels), s->w, s->h, s->pitch / 4};
  // A new surface (a new size) comes with new pixels, which the layer paints whole.
  w->pixels.resize(static_cast<size_t>(s->w) * s->h);
  return {w->pixels.data(), s->w, s->h, s->w};
}

void Present(HostWindow* window, RECT area) {
  SdlWindow* w = Of(window);
  SDL_Surface* s = SDL_GetWindowSurface(w->sdl);
  if (s == nullptr) return;
  SDL_Rect rect = {area.left, area.top, Width(area), Height(area)};
  if (!LayerFormat(s)) {
    const SDL_Rect surface = {0, 0, s->w, s->h};
    if (w->pixels.size() != static_cast<size_t>(s->w) * s->h ||
        !SDL_IntersectRect(&rect, &surface, &rect))
      return;
    Convert(w, s, rect);
  }
  SDL_UpdateWindowSurfaceRects(w->sdl, &rect, 1);
}

void Pump() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) OnEvent(event);
}

void Wait(int milliseconds) {
  SDL_Event event;
  if (SDL_WaitEventTimeout(&event, milliseconds)) OnEvent(event);
}

DesktopHost SdlHost() {
  DesktopHost host = {};
  host.start = Start;
  host.error = Error;
  host.screen = Screen;
  host.workArea = WorkArea;
  host.createWindow = Create;
  host.destroyWindow = Destroy;
  host.showWindow = SetShown;
  host.placeWindow = Place;
  host.setFrame = SetFrame;
  host.setFullScreen = SetFullScreen;
  host.minimize = MinimizeWindow;
  host.restore = RestoreWindow;
  host.pixels = Pixels;
  host.present = Present;
  host.pumpEvents = Pump;
  host.waitForEvents = Wait;
  return host;
}

}  // namespace

const DesktopHost kSdlHost = SdlHost();

}  // namespace portable_win32
