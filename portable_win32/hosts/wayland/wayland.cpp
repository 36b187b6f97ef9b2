// The layer's host on a Wayland compositor, on its own protocol: the connection and the
// compositor's globals here, with the outputs, the seat and the windows each in a file of their
// own. Needs surfaces, shared memory, an output and libdecor; takes the viewporter with the
// fractional scale, and the cursor's shapes, where the compositor offers them.
#include "portable_win32/hosts/wayland/wayland.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace portable_win32::wayland {

wl_display* g_display = nullptr;
wl_compositor* g_compositor = nullptr;
uint32_t g_compositorVersion = 0;
wl_shm* g_shm = nullptr;
libdecor* g_decor = nullptr;
wp_viewporter* g_viewporter = nullptr;
wp_fractional_scale_manager_v1* g_fractionalScales = nullptr;
wp_cursor_shape_manager_v1* g_cursorShapes = nullptr;
bool g_serverDecorations = false;
std::string g_error;

[[noreturn]] void DisplayLost() {
  std::fprintf(stderr, "the Wayland display has gone: %s\n",
               std::strerror(wl_display_get_error(g_display)));
  std::exit(1);
}

void Dispatch(int timeout) {
  while (wl_display_prepare_read(g_display) != 0)
    if (wl_display_dispatch_pending(g_display) < 0) DisplayLost();
  if (wl_display_flush(g_display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(g_display);
    DisplayLost();
  }
  const int repeat = RepeatWait();
  if (repeat >= 0 && (timeout < 0 || repeat < timeout)) timeout = repeat;
  pollfd connection = {wl_display_get_fd(g_display), POLLIN, 0};
  if (poll(&connection, 1, timeout) > 0 && (connection.revents & POLLIN)) {
    if (wl_display_read_events(g_display) < 0) DisplayLost();
  } else {
    wl_display_cancel_read(g_display);
    if (connection.revents & (POLLERR | POLLHUP)) DisplayLost();
  }
  if (wl_display_dispatch_pending(g_display) < 0) DisplayLost();
  RepeatKeys();
  CheckSizes();
}

namespace {

template <typename Global>
Global* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface,
             uint32_t version) {
  return static_cast<Global*>(wl_registry_bind(registry, name, interface, version));
}

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  const auto is = [&](const wl_interface& known) {
    return std::strcmp(interface, known.name) == 0;
  };
  if (is(wl_compositor_interface)) {
    g_compositorVersion = std::min(version, 4u);
    g_compositor =
        Bind<wl_compositor>(registry, name, &wl_compositor_interface, g_compositorVersion);
  } else if (is(wl_shm_interface)) {
    g_shm = Bind<wl_shm>(registry, name, &wl_shm_interface, 1);
  } else if (is(wl_seat_interface)) {
    BindSeat(registry, name, version);
  } else if (is(wl_output_interface) && version >= 2) {
    BindOutput(registry, name);
  } else if (is(kViewporterInterface)) {
    g_viewporter = Bind<wp_viewporter>(registry, name, &kViewporterInterface, 1);
  } else if (is(kFractionalScaleManagerInterface)) {
    g_fractionalScales =
        Bind<wp_fractional_scale_manager_v1>(registry, name, &kFractionalScaleManagerInterface, 1);
  } else if (std::strcmp(interface, "zxdg_decoration_manager_v1") == 0) {
    g_serverDecorations = true;  // libdecor binds it itself
  } else if (is(kCursorShapeManagerInterface)) {
    g_cursorShapes =
        Bind<wp_cursor_shape_manager_v1>(registry, name, &kCursorShapeManagerInterface, 1);
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t name) { ForgetOutput(name); }

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnDecorError(libdecor*, libdecor_error, const char* message) {
  std::fprintf(stderr, "the window's frame failed: %s\n", message);
  std::exit(1);
}

libdecor_interface DecorInterface() {
  libdecor_interface decor = {};
  decor.error = OnDecorError;
  return decor;
}

libdecor_interface g_decorInterface = DecorInterface();

// A compositor without what the host needs is left at once.
bool Refuse(const char* why) {
  g_error = why;
  if (g_display != nullptr) wl_display_disconnect(g_display);
  g_display = nullptr;
  return false;
}

bool Start() {
  g_display = wl_display_connect(nullptr);
  if (g_display == nullptr) return Refuse("cannot connect to a Wayland compositor");
  wl_registry* registry = wl_display_get_registry(g_display);
  wl_registry_add_listener(registry, &kRegistryListener, nullptr);
  // The globals, then what each tells of itself: the outputs' modes and scales, the seat's
  // devices.
  wl_display_roundtrip(g_display);
  wl_display_roundtrip(g_display);
  if (g_compositor == nullptr || g_shm == nullptr || g_outputs.empty())
    return Refuse("the Wayland compositor offers no surfaces, shared memory or outputs");
  g_decor = libdecor_new(g_display, &g_decorInterface);
  if (g_decor == nullptr) return Refuse("libdecor cannot frame windows on this compositor");
  return true;
}

const char* Error() { return g_error.c_str(); }

RECT Screen() {
  const Output* o = ScreenOutput();
  return o != nullptr ? RECT{0, 0, o->width, o->height} : RECT{0, 0, 0, 0};
}

RECT WorkArea(HostWindow*) { return Screen(); }

void Pump() { Dispatch(0); }

void Wait(int milliseconds) { Dispatch(milliseconds); }

DesktopHost WaylandHost() {
  DesktopHost host = {};
  host.start = Start;
  host.error = Error;
  host.screen = Screen;
  host.workArea = WorkArea;
  host.createWindow = CreateWaylandWindow;
  host.destroyWindow = DestroyWaylandWindow;
  host.showWindow = SetMapped;
  host.placeWindow = PlaceWaylandWindow;
  host.setFrame = SetWaylandFrame;
  host.setFullScreen = SetWaylandFullScreen;
  host.minimize = MinimizeWaylandWindow;
  host.restore = RestoreWaylandWindow;
  host.pixels = WaylandPixels;
  host.present = PresentWaylandWindow;
  host.pumpEvents = Pump;
  host.waitForEvents = Wait;
  return host;
}

}  // namespace

}  // namespace portable_win32::wayland

namespace portable_win32 {

const DesktopHost kWaylandHost = wayland::WaylandHost();

}  // namespace portable_win32
