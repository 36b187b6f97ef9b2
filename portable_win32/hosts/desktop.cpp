// Which desktop host the layer runs over. In a Wayland session (WAYLAND_DISPLAY set) our own,
// even where XWayland offers X11 too: an X11 window there is enlarged by the compositor on a
// scaled display, and its pixels are no longer the screen's. SDL_VIDEODRIVER, when it names a
// driver, decides instead: "wayland" is ours, any other SDL's.
#include "portable_win32/hosts/desktop.h"

#include <strings.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "portable_win32/rect.h"

namespace portable_win32 {

namespace {

const DesktopHost* g_host = &kSdlHost;
bool g_started = false;  // g_host's display has started

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Without WAYLAND_DISPLAY, a session with neither display variable may still have a compositor
// at the default socket in its run-time folder.
bool WaylandWanted() {
  if (Set("SDL_VIDEODRIVER")) return strcasecmp(std::getenv("SDL_VIDEODRIVER"), "wayland") == 0;
  return Set("WAYLAND_DISPLAY") || (!Set("DISPLAY") && Set("XDG_RUNTIME_DIR"));
}

bool StartChosenHost() {
#if defined(OSTREVANE_WAYLAND)
  if (WaylandWanted()) {
    g_host = &kWaylandHost;
    if (g_host->start()) return true;
    // A compositor named by the user, or one without X11 beside it, is the display or none is;
    // anywhere else SDL says what it finds.
    if (Set("SDL_VIDEODRIVER") || (Set("WAYLAND_DISPLAY") && !Set("DISPLAY"))) return false;
  }
#endif
  g_host = &kSdlHost;
  return g_host->start();
}

}  // namespace

bool HostStart() {
  g_started = StartChosenHost();
  return g_started;
}

const char* HostError() { return g_host->error(); }

uint64_t HostNow() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

RECT HostScreen() { return g_host->screen(); }
RECT HostWorkArea(HostWindow* window) { return g_host->workArea(window); }

// The desktop's default for an overlapped window: three quarters of the screen. A host that
// sizes windows in logical pixels makes it the nearest size that comes out whole.
RECT HostDefaultPlace() {
  const RECT screen = g_host->screen();
  return {screen.left, screen.top, screen.left + Width(screen) * 3 / 4,
          screen.top + Height(screen) * 3 / 4};
}

HostWindow* HostCreateWindow(HWND owner, const char* title, RECT place, bool framed,
                             bool resizable) {
  return g_host->createWindow(owner, title, place, framed, resizable);
}

void HostDestroyWindow(HostWindow* window) { g_host->destroyWindow(window); }
bool HostShowWindow(HostWindow* window, bool shown) { return g_host->showWindow(window, shown); }
void HostPlaceWindow(HostWindow* window, RECT place) { g_host->placeWindow(window, place); }

void HostSetFrame(HostWindow* window, bool framed, bool resizable) {
  g_host->setFrame(window, framed, resizable);
}

void HostSetFullScreen(HostWindow* window, bool on) { g_host->setFullScreen(window, on); }
void HostMinimize(HostWindow* window) { g_host->minimize(window); }
void HostRestore(HostWindow* window) { g_host->restore(window); }
WindowPixels HostPixels(HostWindow* window) { return g_host->pixels(window); }
void HostPresent(HostWindow* window, RECT area) { g_host->present(window, area); }

void HostPumpEvents() {
  if (g_started) g_host->pumpEvents();
}

void HostWaitForEvents(int milliseconds) {
  if (g_started) {
    g_host->waitForEvents(milliseconds);
  } else {
    // No events can come: only a timer ends the wait, as on a desktop with no input.
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds < 0 ? 100 : milliseconds));
  }
}

}  // namespace portable_win32
