// The seat: its pointer and keyboard, which come and go with their devices (a mouse unplugged, a
// virtual keyboard's single call): each is released when the seat loses it and made afresh when
// it comes back. Keys are named by the compositor's keymap, which a new keyboard brings.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-cursor.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "portable_win32/hosts/wayland/keymap.h"
#include "portable_win32/hosts/wayland/wayland.h"
#include "portable_win32/keys.h"

namespace portable_win32::wayland {

namespace {

// Linux's button codes (linux/input-event-codes.h).
constexpr uint32_t kButtonLeft = 0x110, kButtonRight = 0x111, kButtonMiddle = 0x112;
// A continuous scroll's distance for a notch: what compositors report for a wheel's click.
constexpr double kScrollPerNotch = 10.0;

wl_seat* g_seat = nullptr;
wl_pointer* g_pointer = nullptr;
wl_keyboard* g_keyboard = nullptr;

// The pointer: the window it is over, where (device pixels), the buttons held, the wheel's
// motion in the event frame so far, and the cursor shown over the window.
WaylandWindow* g_pointerWindow = nullptr;
int32_t g_pointerX = 0, g_pointerY = 0;
uint32_t g_buttons = 0;
uint32_t g_pointerSerial = 0;
struct {
  double distance = 0;
  int32_t discrete = 0, value120 = 0;
  bool any = false;
} g_scroll;
wp_cursor_shape_device_v1* g_cursorShape = nullptr;
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

// --- The pointer.

// The arrow, drawn by the compositor where it can; else the user's cursor theme's, at the
// window's scale rounded up.
void SetCursor() {
  if (g_pointer == nullptr || g_pointerWindow == nullptr) return;
  if (g_cursorShape != nullptr) {
    SetCursorShape(g_cursorShape, g_pointerSerial, kCursorShapeDefault);
    return;
  }
  const int32_t scale = (g_pointerWindow->scale120 + 119) / 120;
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

// A drag that leaves the surface still reports to it, beyond its edges: the layer drops those.
void TakePosition(wl_fixed_t x, wl_fixed_t y) {
  g_pointerX = DevicePosition(g_pointerWindow, wl_fixed_to_double(x));
  g_pointerY = DevicePosition(g_pointerWindow, wl_fixed_to_double(y));
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

// A wheel's notches: in 120ths where the compositor gives them (high-resolution wheels, and every
// wheel on seats of version 8), in clicks where it counts those, else from the distance scrolled
// (touchpads).
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

// Filled by name: the discrete and value120 events have the same type. Events of newer libraries'
// tables, which the seat's version does not send, stay null.
wl_pointer_listener PointerListener() {
  wl_pointer_listener listener = {};
  listener.enter = OnPointerEnter;
  listener.leave = OnPointerLeave;
  listener.motion = OnPointerMotion;
  listener.button = OnPointerButton;
  listener.axis = OnPointerAxis;
  listener.frame = OnPointerFrame;
  listener.axis_source = OnPointerAxisSource;
  listener.axis_stop = OnPointerAxisStop;
  listener.axis_discrete = OnPointerAxisDiscrete;
  listener.axis_value120 = OnPointerAxisValue120;
  return listener;
}

const wl_pointer_listener kPointerListener = PointerListener();

// --- The keyboard.

void ForgetKeymap() {
  xkb_state_unref(g_keyState);
  xkb_keymap_unref(g_keymap);
  g_keyState = nullptr;
  g_keymap = nullptr;
}

// Taken at once, whenever it comes: a new device, or a layout switched.
void OnKeymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
  if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
    close(fd);
    return;
  }
  void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (text == MAP_FAILED) return;
  if (g_xkb == nullptr) g_xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap =
      g_xkb == nullptr
          ? nullptr
          : xkb_keymap_new_from_buffer(g_xkb, static_cast<const char*>(text),
                                       strnlen(static_cast<const char*>(text), size),
                                       XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  munmap(text, size);
  if (keymap == nullptr) return;
  ForgetKeymap();
  g_keymap = keymap;
  g_keyState = xkb_state_new(keymap);
}

void SendKey(uint32_t key, bool down, bool repeat) {
  if (g_keymap == nullptr) return;
  const LayerKey named = LayerKeyOf(g_keymap, g_keyState, key);
  HostKey(g_keyboardWindow != nullptr ? g_keyboardWindow->owner : nullptr, named.usage,
          named.symbol, down, repeat);
}

// Keys already down as the keyboard comes to the window are pressed for it: a virtual keyboard's
// first key can come before this client has the keyboard it came on.
void OnKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface* surface, wl_array* keys) {
  g_keyboardWindow = WindowOf(surface);
  const uint32_t* held = static_cast<const uint32_t*>(keys->data);
  for (size_t i = 0; i < keys->size / sizeof *held; ++i) SendKey(held[i], true, false);
}

void OnKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {
  g_keyboardWindow = nullptr;
  g_repeat.key = 0;
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

wl_keyboard_listener KeyboardListener() {
  wl_keyboard_listener listener = {};
  listener.keymap = OnKeymap;
  listener.enter = OnKeyboardEnter;
  listener.leave = OnKeyboardLeave;
  listener.key = OnKey;
  listener.modifiers = OnModifiers;
  listener.repeat_info = OnRepeatInfo;
  return listener;
}

const wl_keyboard_listener kKeyboardListener = KeyboardListener();

// --- The seat's devices as they come and go.

void TakePointer() {
  g_pointer = wl_seat_get_pointer(g_seat);
  wl_pointer_add_listener(g_pointer, &kPointerListener, nullptr);
  if (g_cursorShapes != nullptr) g_cursorShape = GetCursorShapeDevice(g_cursorShapes, g_pointer);
}

// The compositor has made the old one inert: it is released, and every button let go.
void ReleasePointer() {
  if (g_cursorShape != nullptr) DestroyCursorShapeDevice(g_cursorShape);
  g_cursorShape = nullptr;
  if (wl_pointer_get_version(g_pointer) >= WL_POINTER_RELEASE_SINCE_VERSION) {
    wl_pointer_release(g_pointer);
  } else {
    wl_pointer_destroy(g_pointer);
  }
  g_pointer = nullptr;
  g_pointerWindow = nullptr;
  g_buttons = 0;
  g_scroll = {};
}

void TakeKeyboard() {
  g_keyboard = wl_seat_get_keyboard(g_seat);
  wl_keyboard_add_listener(g_keyboard, &kKeyboardListener, nullptr);
}

void ReleaseKeyboard() {
  if (wl_keyboard_get_version(g_keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
    wl_keyboard_release(g_keyboard);
  } else {
    wl_keyboard_destroy(g_keyboard);
  }
  g_keyboard = nullptr;
  g_keyboardWindow = nullptr;
  g_repeat.key = 0;
  ForgetKeymap();
}

void OnCapabilities(void*, wl_seat*, uint32_t capabilities) {
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (pointer && g_pointer == nullptr) TakePointer();
  if (!pointer && g_pointer != nullptr) ReleasePointer();
  if (keyboard && g_keyboard == nullptr) TakeKeyboard();
  if (!keyboard && g_keyboard != nullptr) ReleaseKeyboard();
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

}  // namespace

// Version 8 at most: the pointer's table above ends with its axis_value120.
void BindSeat(wl_registry* registry, uint32_t name, uint32_t version) {
  if (g_seat != nullptr) return;
  g_seat = static_cast<wl_seat*>(
      wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 8u)));
  wl_seat_add_listener(g_seat, &kSeatListener, nullptr);
}

void ForgetWindow(const WaylandWindow* w) {
  if (g_pointerWindow == w) g_pointerWindow = nullptr;
  if (g_keyboardWindow == w) g_keyboardWindow = nullptr;
}

void ScaleCursor(const WaylandWindow* w) {
  if (w == g_pointerWindow) SetCursor();
}

// The compositor sends logical positions in 256ths: a device pixel's own position can come a
// 256th short, which at 1.5 is 436.998 for 437. That much is added back before the floor.
int32_t DevicePosition(const WaylandWindow* w, double logical) {
  return static_cast<int32_t>(std::floor((logical + 1.0 / 256) * w->scale120 / 120.0));
}

void RepeatKeys() {
  if (g_repeat.key == 0 || g_repeatRate <= 0) return;
  for (uint64_t now = HostNow(); g_repeat.key != 0 && g_repeat.due <= now;) {
    g_repeat.due += static_cast<uint64_t>(std::max(1, 1000 / g_repeatRate));
    SendKey(g_repeat.key, true, true);
  }
}

int RepeatWait() {
  if (g_repeat.key == 0 || g_repeatRate <= 0) return -1;
  const uint64_t now = HostNow();
  return g_repeat.due <= now ? 0 : static_cast<int>(std::min<uint64_t>(g_repeat.due - now, 1000));
}

}  // namespace portable_win32::wayland

namespace portable_win32 {

// What a key means is its keymap's symbol: F5, Escape and the keypad's keys wherever a keymap puts
// them (a virtual keyboard's own keymap puts them at codes of its choosing), letters as the layout
// has them, and the layout's unshifted character, which tells where + and - are. The code's own
// meaning, by its place, serves only where the keymap names no symbol.
LayerKey LayerKeyOf(xkb_keymap* keymap, xkb_state* state, uint32_t linuxKey) {
  LayerKey named = {UsageOfLinuxKey(linuxKey), 0};
  const xkb_keycode_t code = linuxKey + 8;  // X's key codes, which xkbcommon keeps
  const xkb_layout_index_t layout = xkb_state_key_get_layout(state, code);
  const xkb_keysym_t* symbols = nullptr;
  if (layout == XKB_LAYOUT_INVALID ||
      xkb_keymap_key_get_syms_by_level(keymap, code, layout, 0, &symbols) < 1 ||
      symbols[0] == XKB_KEY_NoSymbol)
    return named;
  if (const uint32_t usage = UsageOfKeysym(symbols[0])) return {usage, 0};
  // The keypad's other keys keep their place; a symbol with no character (a dead accent, as German
  // puts where US has =) is still not + or -.
  if (symbols[0] >= XKB_KEY_KP_Space && symbols[0] <= XKB_KEY_KP_Equal) return named;
  const uint32_t character = xkb_keysym_to_utf32(symbols[0]);
  named.symbol = character != 0 ? character : 0xFFFD;
  return named;
}

}  // namespace portable_win32
