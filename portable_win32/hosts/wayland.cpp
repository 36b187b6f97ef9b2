// The layer's host on a Wayland compositor, on its own protocol: a window is a wl_surface framed
// by libdecor (by the compositor where it draws frames, with libdecor's title bar where it does
// not), its pixels shared-memory buffers in XRGB8888, which every compositor takes and which is
// the layer's own word order; input from the seat, keys read through xkbcommon. The client is
// in device pixels: the surface's buffer scale is that of the output it is on, so that one pixel
// of the picture is one pixel of the screen.
#include <libdecor.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-cursor.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "portable_win32/hosts/desktop.h"
#include "portable_win32/hosts/wayland_keys.h"
#include "portable_win32/keys.h"
#include "portable_win32/rect.h"

namespace portable_win32 {

namespace {

struct Output {
  wl_output* output;
  uint32_t name;                  // the registry's
  int32_t width = 0, height = 0;  // the current mode, in device pixels
  int32_t scale = 1;
};

struct WaylandWindow;

// A buffer the compositor reads from; busy until it releases it.
struct Buffer {
  WaylandWindow* window;
  wl_buffer* buffer = nullptr;
  uint32_t* data = nullptr;
  size_t bytes = 0;
  int32_t width = 0, height = 0;
  bool busy = false;
  RECT stale = {0, 0, 0, 0};  // drawn in the window since this buffer last took its pixels
};

struct WaylandWindow : HostWindow {
  HWND owner;
  std::string title;
  wl_surface* surface = nullptr;
  libdecor_frame* frame = nullptr;  // while shown
  bool configured = false;          // the compositor has said how to show it
  bool framed = true, resizable = true, fullScreen = false;
  int32_t width = 1, height = 1;  // the surface's size, in the compositor's (logical) pixels
  int32_t floatWidth = 1, floatHeight = 1;  // its size when neither maximized nor full screen
  int32_t scale = 1;                        // device pixels a logical pixel
  uint32_t states = 0;                      // libdecor's window states at the last configure
  std::vector<const Output*> outputs;       // those the surface is on
  std::vector<uint32_t> pixels;             // the client, device pixels, top-down
  RECT damage = {0, 0, 0, 0};               // drawn and not yet shown
  int32_t layerWidth = 0, layerHeight = 0;  // the client size the layer knows
  bool checkSize = false;  // the layer asked for a size the compositor or the scale does not give
  std::vector<std::unique_ptr<Buffer>> buffers;
};

// The states in which the compositor, not the client, sizes a window.
constexpr uint32_t kFixedStates =
    LIBDECOR_WINDOW_STATE_MAXIMIZED | LIBDECOR_WINDOW_STATE_FULLSCREEN;
// Linux's button codes (linux/input-event-codes.h).
constexpr uint32_t kButtonLeft = 0x110, kButtonRight = 0x111, kButtonMiddle = 0x112;
// A continuous scroll's distance for a notch: what compositors report for a wheel's click.
constexpr double kScrollPerNotch = 10.0;

wl_display* g_display = nullptr;
wl_compositor* g_compositor = nullptr;
uint32_t g_compositorVersion = 0;
wl_shm* g_shm = nullptr;
wl_seat* g_seat = nullptr;
wl_pointer* g_pointer = nullptr;
wl_keyboard* g_keyboard = nullptr;
libdecor* g_decor = nullptr;
std::vector<std::unique_ptr<Output>> g_outputs;
std::vector<std::unique_ptr<WaylandWindow>> g_windows;
std::string g_error;

// The pointer: the window it is over, where (device pixels), the buttons held, the wheel's
// motion in the event frame so far.
WaylandWindow* g_pointerWindow = nullptr;
int32_t g_pointerX = 0, g_pointerY = 0;
uint32_t g_buttons = 0;
uint32_t g_pointerSerial = 0;
struct {
  double distance = 0;
  int32_t discrete = 0, value120 = 0;
  bool any = false;
} g_scroll;
wl_cursor_theme* g_cursorTheme = nullptr;
int32_t g_cursorScale = 0;
wl_surface* g_cursorSurface = nullptr;

// The keyboard: its window, its layout, and the key being repeated (the client repeats keys).
WaylandWindow* g_keyboardWindow = nullptr;
xkb_context* g_xkb = nullptr;
xkb_keymap* g_keymap = nullptr;
xkb_state* g_keyState = nullptr;
int32_t g_repeatRate = 25, g_repeatDelay = 600;  // until the compositor says
struct {
  uint32_t key = 0;  // 0: none
  uint64_t due = 0;
} g_repeat;

WaylandWindow* Of(HostWindow* window) { return static_cast<WaylandWindow*>(window); }

WaylandWindow* WindowOf(wl_surface* surface) {
  for (auto& w : g_windows)
    if (w->surface == surface && surface != nullptr) return w.get();
  return nullptr;
}

int32_t DeviceWidth(const WaylandWindow* w) { return w->width * w->scale; }
int32_t DeviceHeight(const WaylandWindow* w) { return w->height * w->scale; }

// The output a window is on, or the first there is: the screen of GetSystemMetrics.
const Output* ScreenOutput() {
  for (auto& w : g_windows)
    if (!w->outputs.empty()) return w->outputs.front();
  return g_outputs.empty() ? nullptr : g_outputs.front().get();
}

[[noreturn]] void DisplayLost() {
  std::fprintf(stderr, "the Wayland display has gone: %s\n",
               std::strerror(wl_display_get_error(g_display)));
  std::exit(1);
}

// --- Pixels and their buffers.

void DestroyBuffer(Buffer* b) {
  if (b->buffer != nullptr) wl_buffer_destroy(b->buffer);
  if (b->data != nullptr) munmap(b->data, b->bytes);
}

void SendPixels(WaylandWindow* w);

void OnBufferRelease(void* data, wl_buffer*) {
  Buffer* b = static_cast<Buffer*>(data);
  b->busy = false;
  SendPixels(b->window);  // what was drawn while every buffer was busy
}

const wl_buffer_listener kBufferListener = {OnBufferRelease};

Buffer* NewBuffer(WaylandWindow* w, int32_t width, int32_t height) {
  auto b = std::make_unique<Buffer>();
  b->window = w;
  b->width = width;
  b->height = height;
  b->bytes = static_cast<size_t>(width) * height * 4;
  b->stale = {0, 0, width, height};
  const int fd = memfd_create("window-pixels", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  if (ftruncate(fd, static_cast<off_t>(b->bytes)) == 0) {
    void* data = mmap(nullptr, b->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data != MAP_FAILED) {
      b->data = static_cast<uint32_t*>(data);
      wl_shm_pool* pool = wl_shm_create_pool(g_shm, fd, static_cast<int32_t>(b->bytes));
      b->buffer =
          wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
      wl_shm_pool_destroy(pool);
      wl_buffer_add_listener(b->buffer, &kBufferListener, b.get());
    }
  }
  close(fd);
  if (b->buffer == nullptr) {
    DestroyBuffer(b.get());
    return nullptr;
  }
  w->buffers.push_back(std::move(b));
  return w->buffers.back().get();
}

// A buffer the compositor has let go of, of the window's size. A compositor holds two at most:
// the one it shows and the one committed since, until it repaints; a third is always free.
// Those of another size go once they are let go.
Buffer* IdleBuffer(WaylandWindow* w, int32_t width, int32_t height) {
  auto& list = w->buffers;
  for (auto it = list.begin(); it != list.end();) {
    if (!(*it)->busy && ((*it)->width != width || (*it)->height != height)) {
      DestroyBuffer(it->get());
      it = list.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& b : list)
    if (!b->busy) return b.get();
  return list.size() < 3 ? NewBuffer(w, width, height) : nullptr;
}

// Sends what was drawn to the compositor, once it has configured the window and a buffer is
// free; otherwise it waits for either.
void SendPixels(WaylandWindow* w) {
  if (w->frame == nullptr || !w->configured || IsEmpty(w->damage)) return;
  const int32_t width = DeviceWidth(w), height = DeviceHeight(w);
  Buffer* b = IdleBuffer(w, width, height);
  if (b == nullptr) return;
  const RECT copy = BoundingUnion(b->stale, w->damage);
  for (int32_t y = copy.top; y < copy.bottom; ++y) {
    const size_t at = static_cast<size_t>(y) * width + copy.left;
    std::memcpy(b->data + at, w->pixels.data() + at, static_cast<size_t>(Width(copy)) * 4);
  }
  for (auto& other : w->buffers) other->stale = BoundingUnion(other->stale, w->damage);
  b->stale = {0, 0, 0, 0};
  wl_surface_attach(w->surface, b->buffer, 0, 0);
  wl_surface_set_buffer_scale(w->surface, w->scale);
  if (g_compositorVersion >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    wl_surface_damage_buffer(w->surface, w->damage.left, w->damage.top, Width(w->damage),
                             Height(w->damage));
  } else {
    wl_surface_damage(w->surface, 0, 0, w->width, w->height);
  }
  wl_surface_commit(w->surface);
  b->busy = true;
  w->damage = {0, 0, 0, 0};
}

// The client's size in device pixels follows the surface's size and scale: the pixels are made
// again (the layer repaints a window whose size changes), and the layer is told the new size.
void TakeSize(WaylandWindow* w) {
  const int32_t width = DeviceWidth(w), height = DeviceHeight(w);
  if (w->pixels.size() != static_cast<size_t>(width) * height) {
    w->pixels.assign(static_cast<size_t>(width) * height, 0);
    w->damage = {0, 0, width, height};
  }
  if (width == w->layerWidth && height == w->layerHeight) return;
  w->layerWidth = width;
  w->layerHeight = height;
  w->checkSize = false;
  HostResized(w->owner, width, height);
}

// A floating window's size is the client's own: it asks the compositor for it.
void CommitSize(WaylandWindow* w) {
  if (w->frame == nullptr || !w->configured) return;
  libdecor_state* state = libdecor_state_new(w->width, w->height);
  libdecor_frame_commit(w->frame, state, nullptr);
  libdecor_state_free(state);
}

// --- Scale: the largest of the outputs the surface is on.

void SetCursor();

void TakeScale(WaylandWindow* w) {
  int32_t scale = 0;
  for (const Output* o : w->outputs) scale = std::max(scale, o->scale);
  if (scale == 0 || scale == w->scale) return;
  w->scale = scale;
  TakeSize(w);
  if (w == g_pointerWindow) SetCursor();
}

void OnSurfaceEnter(void* data, wl_surface*, wl_output* output) {
  auto* w = static_cast<WaylandWindow*>(data);
  for (auto& o : g_outputs)
    if (o->output == output) w->outputs.push_back(o.get());
  TakeScale(w);
}

void OnSurfaceLeave(void* data, wl_surface*, wl_output* output) {
  auto* w = static_cast<WaylandWindow*>(data);
  auto& on = w->outputs;
  on.erase(
      std::remove_if(on.begin(), on.end(), [&](const Output* o) { return o->output == output; }),
      on.end());
  TakeScale(w);
}

const wl_surface_listener kSurfaceListener = {OnSurfaceEnter, OnSurfaceLeave};

// --- The frame: libdecor's configure, close and commit.

// What the compositor did of its own accord (maximizing from the title bar, leaving full screen)
// the layer hears of as a desktop tells Windows.
void TakeStates(WaylandWindow* w, uint32_t states) {
  const bool was = (w->states & kFixedStates) != 0, is = (states & kFixedStates) != 0;
  w->states = states;
  if (w->fullScreen && !(states & LIBDECOR_WINDOW_STATE_FULLSCREEN)) {
    w->fullScreen = false;
    HostRestored(w->owner);
  } else if (is && !was) {
    HostMaximized(w->owner);
  } else if (was && !is) {
    HostRestored(w->owner);
  }
}

void ApplyCapabilities(WaylandWindow* w) {
  const auto resize = static_cast<libdecor_capabilities>(LIBDECOR_ACTION_RESIZE);
  if (w->resizable) {
    libdecor_frame_set_capabilities(w->frame, resize);
  } else {
    libdecor_frame_unset_capabilities(w->frame, resize);
  }
}

// What was asked of a window before the compositor first configured it, which libdecor takes
// only then (0.1 fails on a frame of no size yet).
void ApplyPendingState(WaylandWindow* w) {
  ApplyCapabilities(w);
  if (!w->framed) libdecor_frame_set_visibility(w->frame, false);
  if (w->fullScreen) libdecor_frame_set_fullscreen(w->frame, nullptr);
}

void OnConfigure(libdecor_frame* frame, libdecor_configuration* configuration, void* data) {
  auto* w = static_cast<WaylandWindow*>(data);
  libdecor_window_state states = LIBDECOR_WINDOW_STATE_NONE;
  libdecor_configuration_get_window_state(configuration, &states);
  int width = 0, height = 0;
  // Without a size from the compositor the window takes its own, as it floats.
  if (!libdecor_configuration_get_content_size(configuration, frame, &width, &height) ||
      width <= 0 || height <= 0) {
    width = w->floatWidth;
    height = w->floatHeight;
  } else if (!(states & kFixedStates)) {
    w->floatWidth = width;  // the user's resizing
    w->floatHeight = height;
  }
  libdecor_state* state = libdecor_state_new(width, height);
  libdecor_frame_commit(frame, state, configuration);
  libdecor_state_free(state);
  if (!w->configured) {
    w->configured = true;
    ApplyPendingState(w);
  }
  w->width = width;
  w->height = height;
  TakeStates(w, states);
  TakeSize(w);
  SendPixels(w);
}

void OnClose(libdecor_frame*, void* data) { HostClose(static_cast<WaylandWindow*>(data)->owner); }

void OnFrameCommit(libdecor_frame*, void* data) {
  wl_surface_commit(static_cast<WaylandWindow*>(data)->surface);
}

void OnDismissPopup(libdecor_frame*, const char*, void*) {}

// libdecor's tables have room for later events: those stay null.
libdecor_frame_interface FrameInterface() {
  libdecor_frame_interface frame = {};
  frame.configure = OnConfigure;
  frame.close = OnClose;
  frame.commit = OnFrameCommit;
  frame.dismiss_popup = OnDismissPopup;
  return frame;
}

libdecor_frame_interface g_frameInterface = FrameInterface();

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

// --- The pointer.

// The arrow of the user's cursor theme, at the window's scale.
void SetCursor() {
  if (g_pointer == nullptr || g_pointerWindow == nullptr) return;
  const int32_t scale = g_pointerWindow->scale;
  if (g_cursorTheme == nullptr || g_cursorScale != scale) {
    if (g_cursorTheme != nullptr) wl_cursor_theme_destroy(g_cursorTheme);
    const char* size = std::getenv("XCURSOR_SIZE");
    const int base = size != nullptr && std::atoi(size) > 0 ? std::atoi(size) : 24;
    g_cursorTheme = wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), base * scale, g_shm);
    g_cursorScale = scale;
  }
  wl_cursor* cursor =
      g_cursorTheme != nullptr ? wl_cursor_theme_get_cursor(g_cursorTheme, "left_ptr") : nullptr;
  if (cursor == nullptr || cursor->image_count == 0) return;
  wl_cursor_image* image = cursor->images[0];
  if (g_cursorSurface == nullptr) g_cursorSurface = wl_compositor_create_surface(g_compositor);
  wl_surface_attach(g_cursorSurface, wl_cursor_image_get_buffer(image), 0, 0);
  wl_surface_set_buffer_scale(g_cursorSurface, scale);
  wl_surface_damage(g_cursorSurface, 0, 0, static_cast<int32_t>(image->width),
                    static_cast<int32_t>(image->height));
  wl_surface_commit(g_cursorSurface);
  wl_pointer_set_cursor(g_pointer, g_pointerSerial, g_cursorSurface,
                        static_cast<int32_t>(image->hotspot_x) / scale,
                        static_cast<int32_t>(image->hotspot_y) / scale);
}

uint32_t Held() {
  uint32_t held = g_buttons;
  if (g_keyState != nullptr) {
    if (xkb_state_mod_name_is_active(g_keyState, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE) > 0)
      held |= kHostShift;
    if (xkb_state_mod_name_is_active(g_keyState, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0)
      held |= kHostControl;
  }
  return held;
}

// Surface coordinates in device pixels, as Windows counts a per-monitor aware client's. A drag
// that leaves the surface still reports to it, beyond its edges: the layer drops those.
void TakePosition(wl_fixed_t x, wl_fixed_t y) {
  const int32_t scale = g_pointerWindow->scale;
  g_pointerX = static_cast<int32_t>(std::floor(wl_fixed_to_double(x) * scale));
  g_pointerY = static_cast<int32_t>(std::floor(wl_fixed_to_double(y) * scale));
}

void OnPointerEnter(void*, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                    wl_fixed_t y) {
  g_pointerSerial = serial;
  g_pointerWindow = WindowOf(surface);  // null over a frame's own surfaces
  if (g_pointerWindow == nullptr) return;
  SetCursor();
  TakePosition(x, y);
  HostMouseMove(g_pointerWindow->owner, g_pointerX, g_pointerY, Held());
}

void OnPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {
  g_pointerWindow = nullptr;
  g_buttons = 0;
}

void OnPointerMotion(void*, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  if (g_pointerWindow == nullptr) return;
  TakePosition(x, y);
  HostMouseMove(g_pointerWindow->owner, g_pointerX, g_pointerY, Held());
}

void OnPointerButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t code, uint32_t state) {
  const uint32_t button = code == kButtonLeft     ? kHostLeft
                          : code == kButtonRight  ? kHostRight
                          : code == kButtonMiddle ? kHostMiddle
                                                  : 0;
  const bool down = state == WL_POINTER_BUTTON_STATE_PRESSED;
  if (down) {
    g_buttons |= button;
  } else {
    g_buttons &= ~button;
  }
  if (g_pointerWindow == nullptr || button == 0) return;
  HostMouseButton(g_pointerWindow->owner, button, down, g_pointerX, g_pointerY, Held());
}

// A wheel's notches: in 120ths where the compositor gives them (high-resolution wheels), in
// clicks where it counts those, else from the distance scrolled (touchpads).
void EndScroll() {
  if (!g_scroll.any) return;
  const double notches = g_scroll.value120 != 0   ? -g_scroll.value120 / 120.0
                         : g_scroll.discrete != 0 ? -g_scroll.discrete
                                                  : -g_scroll.distance / kScrollPerNotch;
  g_scroll = {};
  if (g_pointerWindow != nullptr)
    HostWheel(g_pointerWindow->owner, notches, g_pointerX, g_pointerY, Held());
}

void OnPointerAxis(void*, wl_pointer* pointer, uint32_t, uint32_t axis, wl_fixed_t value) {
  if (axis != WL_POINTER_AXIS_VERTICAL_SCROLL) return;
  g_scroll.distance += wl_fixed_to_double(value);
  g_scroll.any = true;
  if (wl_pointer_get_version(pointer) < WL_POINTER_FRAME_SINCE_VERSION) EndScroll();
}

void OnPointerFrame(void*, wl_pointer*) { EndScroll(); }

void OnPointerAxisSource(void*, wl_pointer*, uint32_t) {}

void OnPointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}

void OnPointerAxisDiscrete(void*, wl_pointer*, uint32_t axis, int32_t discrete) {
  if (axis == WL_POINTER_AXIS_VERTICAL_SCROLL) g_scroll.discrete += discrete;
}

void OnPointerAxisValue120(void*, wl_pointer*, uint32_t axis, int32_t value120) {
  if (axis == WL_POINTER_AXIS_VERTICAL_SCROLL) g_scroll.value120 += value120;
}

const wl_pointer_listener kPointerListener = {
    OnPointerEnter,        OnPointerLeave,       OnPointerMotion,     OnPointerButton,
    OnPointerAxis,         OnPointerFrame,       OnPointerAxisSource, OnPointerAxisStop,
    OnPointerAxisDiscrete, OnPointerAxisValue120};

// --- The keyboard.

void OnKeymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
  if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
    close(fd);
    return;
  }
  void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (text == MAP_FAILED) return;
  xkb_keymap* keymap = xkb_keymap_new_from_buffer(
      g_xkb, static_cast<const char*>(text), strnlen(static_cast<const char*>(text), size),
      XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  munmap(text, size);
  if (keymap == nullptr) return;
  xkb_state_unref(g_keyState);
  xkb_keymap_unref(g_keymap);
  g_keymap = keymap;
  g_keyState = xkb_state_new(keymap);
}

void OnKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
  g_keyboardWindow = WindowOf(surface);
}

void OnKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {
  g_keyboardWindow = nullptr;
  g_repeat.key = 0;
}

void SendKey(uint32_t key, bool down, bool repeat) {
  if (g_keymap == nullptr) return;
  const LayerKey named = LayerKeyOf(g_keymap, g_keyState, key);
  HostKey(g_keyboardWindow != nullptr ? g_keyboardWindow->owner : nullptr, named.usage,
          named.symbol, down, repeat);
}

void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
  const bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
  SendKey(key, down, false);
  if (down && g_keymap != nullptr && g_repeatRate > 0 &&
      xkb_keymap_key_repeats(g_keymap, key + 8)) {
    g_repeat.key = key;
    g_repeat.due = HostNow() + static_cast<uint64_t>(g_repeatDelay);
  } else if (!down && key == g_repeat.key) {
    g_repeat.key = 0;
  }
}

void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
                 uint32_t locked, uint32_t group) {
  if (g_keyState != nullptr)
    xkb_state_update_mask(g_keyState, depressed, latched, locked, 0, 0, group);
}

void OnRepeatInfo(void*, wl_keyboard*, int32_t rate, int32_t delay) {
  g_repeatRate = rate;
  g_repeatDelay = delay;
}

const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                OnKey,    OnModifiers,     OnRepeatInfo};

void RepeatKeys() {
  if (g_repeat.key == 0 || g_repeatRate <= 0) return;
  for (uint64_t now = HostNow(); g_repeat.key != 0 && g_repeat.due <= now;) {
    g_repeat.due += static_cast<uint64_t>(std::max(1, 1000 / g_repeatRate));
    SendKey(g_repeat.key, true, true);
  }
}

// Milliseconds until the next repeat, or -1.
int RepeatWait() {
  if (g_repeat.key == 0 || g_repeatRate <= 0) return -1;
  const uint64_t now = HostNow();
  return g_repeat.due <= now ? 0 : static_cast<int>(std::min<uint64_t>(g_repeat.due - now, 1000));
}

// --- The seat, the outputs and the registry.

void OnSeatCapabilities(void*, wl_seat* seat, uint32_t capabilities) {
  if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && g_pointer == nullptr) {
    g_pointer = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(g_pointer, &kPointerListener, nullptr);
  }
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && g_keyboard == nullptr) {
    g_keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(g_keyboard, &kKeyboardListener, nullptr);
  }
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {OnSeatCapabilities, OnSeatName};

void OnOutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                      const char*, int32_t) {}

void OnOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
  auto* o = static_cast<Output*>(data);
  o->width = width;
  o->height = height;
}

void OnOutputDone(void*, wl_output*) {}

void OnOutputScale(void* data, wl_output*, int32_t scale) {
  static_cast<Output*>(data)->scale = std::max(1, scale);
  for (auto& w : g_windows) TakeScale(w.get());
}

// Version 2: newer libraries' tables have events beyond it, which stay null.
wl_output_listener OutputListener() {
  wl_output_listener listener = {};
  listener.geometry = OnOutputGeometry;
  listener.mode = OnOutputMode;
  listener.done = OnOutputDone;
  listener.scale = OnOutputScale;
  return listener;
}

const wl_output_listener kOutputListener = OutputListener();

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
    g_compositorVersion = std::min(version, 4u);
    g_compositor = static_cast<wl_compositor*>(
        wl_registry_bind(registry, name, &wl_compositor_interface, g_compositorVersion));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    g_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && g_seat == nullptr) {
    g_seat = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 8u)));
    wl_seat_add_listener(g_seat, &kSeatListener, nullptr);
  } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2) {
    auto o = std::make_unique<Output>();
    o->name = name;
    o->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
    wl_output_add_listener(o->output, &kOutputListener, o.get());
    g_outputs.push_back(std::move(o));
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t name) {
  for (auto it = g_outputs.begin(); it != g_outputs.end(); ++it) {
    if ((*it)->name != name) continue;
    for (auto& w : g_windows) {
      auto& on = w->outputs;
      on.erase(std::remove(on.begin(), on.end(), it->get()), on.end());
    }
    wl_output_destroy((*it)->output);
    g_outputs.erase(it);
    return;
  }
}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// --- Events.

// Reads and handles what the compositor has sent, waiting at most `timeout` ms for it.
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
  // Sizes the layer asked for and did not get are answered with those the window has.
  for (auto& w : g_windows) {
    if (!w->checkSize) continue;
    w->checkSize = false;
    w->layerWidth = w->layerHeight = -1;
    TakeSize(w.get());
  }
}

// --- The host.

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
  g_xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (g_compositor == nullptr || g_shm == nullptr || g_outputs.empty() || g_xkb == nullptr)
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

int32_t ScreenScale() {
  const Output* o = ScreenOutput();
  return o != nullptr ? o->scale : 1;
}

HostWindow* Create(HWND owner, const char* title, RECT place, bool framed, bool resizable) {
  auto w = std::make_unique<WaylandWindow>();
  w->owner = owner;
  w->title = title;
  w->framed = framed;
  w->resizable = resizable;
  w->surface = wl_compositor_create_surface(g_compositor);
  if (w->surface == nullptr) {
    g_error = "the compositor made no surface";
    return nullptr;
  }
  wl_surface_add_listener(w->surface, &kSurfaceListener, w.get());
  // Until the surface is on an output, the screen's scale: a first buffer at the right one.
  w->scale = ScreenScale();
  w->layerWidth = Width(place);
  w->layerHeight = Height(place);
  w->width = w->floatWidth = std::max(1, Width(place) / w->scale);
  w->height = w->floatHeight = std::max(1, Height(place) / w->scale);
  w->pixels.assign(static_cast<size_t>(DeviceWidth(w.get())) * DeviceHeight(w.get()), 0);
  w->checkSize = DeviceWidth(w.get()) != w->layerWidth || DeviceHeight(w.get()) != w->layerHeight;
  g_windows.push_back(std::move(w));
  return g_windows.back().get();
}

void Unmap(WaylandWindow* w) {
  if (w->frame == nullptr) return;
  libdecor_frame_unref(w->frame);
  w->frame = nullptr;
  w->configured = false;
  wl_surface_attach(w->surface, nullptr, 0, 0);
  wl_surface_commit(w->surface);
}

void Destroy(HostWindow* window) {
  WaylandWindow* w = Of(window);
  Unmap(w);
  for (auto& b : w->buffers) DestroyBuffer(b.get());
  wl_surface_destroy(w->surface);
  if (g_pointerWindow == w) g_pointerWindow = nullptr;
  if (g_keyboardWindow == w) g_keyboardWindow = nullptr;
  wl_display_flush(g_display);
  g_windows.erase(std::find_if(g_windows.begin(), g_windows.end(),
                               [&](const auto& each) { return each.get() == w; }));
}

// A mapped window has a frame (xdg-shell's toplevel, through libdecor); the compositor's first
// configure then lets it show its pixels.
bool SetMapped(HostWindow* window, bool mapped) {
  WaylandWindow* w = Of(window);
  if (!mapped) {
    Unmap(w);
    return true;
  }
  if (w->frame != nullptr) return true;
  w->frame = libdecor_decorate(g_decor, w->surface, &g_frameInterface, w);
  if (w->frame == nullptr) {
    g_error = "libdecor made no frame for the window";
    return false;
  }
  libdecor_frame_set_app_id(w->frame, program_invocation_short_name);
  libdecor_frame_set_title(w->frame, w->title.c_str());
  libdecor_frame_map(w->frame);
  w->damage = {0, 0, DeviceWidth(w), DeviceHeight(w)};
  return true;
}

// Where a window is on the screen is the compositor's alone; its size is the client's while it
// floats, in whole logical pixels. Maximized or full screen, the compositor's configure sizes it.
void Place(HostWindow* window, RECT place) {
  WaylandWindow* w = Of(window);
  w->layerWidth = Width(place);
  w->layerHeight = Height(place);
  w->floatWidth = std::max(1, w->layerWidth / w->scale);
  w->floatHeight = std::max(1, w->layerHeight / w->scale);
  if ((w->states & kFixedStates) || w->fullScreen) return;
  if (w->floatWidth != w->width || w->floatHeight != w->height) {
    w->width = w->floatWidth;
    w->height = w->floatHeight;
    w->pixels.assign(static_cast<size_t>(DeviceWidth(w)) * DeviceHeight(w), 0);
    w->damage = {0, 0, DeviceWidth(w), DeviceHeight(w)};
    CommitSize(w);
  }
  w->checkSize = DeviceWidth(w) != w->layerWidth || DeviceHeight(w) != w->layerHeight;
}

void SetFrame(HostWindow* window, bool framed, bool resizable) {
  WaylandWindow* w = Of(window);
  w->framed = framed;
  w->resizable = resizable;
  if (!w->configured) return;
  libdecor_frame_set_visibility(w->frame, framed);
  ApplyCapabilities(w);
}

// The compositor's full screen: the size comes with its configure.
void SetFullScreen(HostWindow* window, bool on) {
  WaylandWindow* w = Of(window);
  if (on == w->fullScreen) return;
  w->fullScreen = on;
  if (!w->configured) return;
  if (on) {
    libdecor_frame_set_fullscreen(w->frame, nullptr);
  } else {
    libdecor_frame_unset_fullscreen(w->frame);
  }
}

void MinimizeWindow(HostWindow* window) {
  if (Of(window)->frame != nullptr) libdecor_frame_set_minimized(Of(window)->frame);
}

// Wayland gives clients no way to bring a minimized window back: the user does.
void RestoreWindow(HostWindow*) {}

WindowPixels Pixels(HostWindow* window) {
  WaylandWindow* w = Of(window);
  if (w->pixels.empty()) return {nullptr, 0, 0, 0};
  return {w->pixels.data(), DeviceWidth(w), DeviceHeight(w), DeviceWidth(w)};
}

void Present(HostWindow* window, RECT area) {
  WaylandWindow* w = Of(window);
  const RECT client = {0, 0, DeviceWidth(w), DeviceHeight(w)};
  area = Intersection(area, client);
  if (IsEmpty(area)) return;
  w->damage = BoundingUnion(w->damage, area);
  SendPixels(w);
}

void Pump() { Dispatch(0); }

void Wait(int milliseconds) { Dispatch(milliseconds); }

DesktopHost WaylandHost() {
  DesktopHost host = {};
  host.start = Start;
  host.error = Error;
  host.screen = Screen;
  host.workArea = WorkArea;
  host.screenScale = ScreenScale;
  host.createWindow = Create;
  host.destroyWindow = Destroy;
  host.showWindow = SetMapped;
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

// The symbol is the one the layout puts on the key unshifted, which tells where + and - are; none
// for the keypad's, whose keys are known by their place.
LayerKey LayerKeyOf(xkb_keymap* keymap, xkb_state* state, uint32_t linuxKey) {
  LayerKey named = {UsageOfLinuxKey(linuxKey), 0};
  const xkb_keycode_t code = linuxKey + 8;  // X's key codes, which xkbcommon keeps
  const xkb_layout_index_t layout = xkb_state_key_get_layout(state, code);
  const xkb_keysym_t* symbols = nullptr;
  if (layout == XKB_LAYOUT_INVALID ||
      xkb_keymap_key_get_syms_by_level(keymap, code, layout, 0, &symbols) < 1 ||
      (symbols[0] >= XKB_KEY_KP_Space && symbols[0] <= XKB_KEY_KP_Equal))
    return named;
  // A symbol with no character (a dead accent, as German puts where US has =) is still not + or -.
  const uint32_t character = xkb_keysym_to_utf32(symbols[0]);
  named.symbol = character != 0 || symbols[0] == XKB_KEY_NoSymbol ? character : 0xFFFD;
  return named;
}

const DesktopHost kWaylandHost = WaylandHost();

}  // namespace portable_win32
