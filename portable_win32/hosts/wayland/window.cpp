// A window is a wl_surface framed by libdecor (by the compositor where it draws frames, with
// libdecor's title bar where it does not), its pixels shared-memory buffers in XRGB8888, which
// every compositor takes and which is the layer's own word order. The client is in device pixels
// at any scale: at a whole one the surface's buffer scale is that scale; where the compositor
// tells fractions, the buffer is round(logical size x scale) pixels, shown at the logical size
// through a viewport.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>  // program_invocation_short_name, the app id
#include <cstring>

#include "portable_win32/hosts/wayland/wayland.h"
#include "portable_win32/rect.h"

namespace portable_win32::wayland {

std::vector<std::unique_ptr<WaylandWindow>> g_windows;

namespace {

std::vector<std::unique_ptr<WaylandWindow>> g_retired;  // destroyed, kept for libdecor's sake

// Where the compositor sizes the window. Maximized and full screen are maximized for the layer;
// tiled is restored at the size given, as Windows treats a snapped window.
constexpr uint32_t kMaximizedStates =
    LIBDECOR_WINDOW_STATE_MAXIMIZED | LIBDECOR_WINDOW_STATE_FULLSCREEN;
constexpr uint32_t kTiledStates =
    LIBDECOR_WINDOW_STATE_TILED_LEFT | LIBDECOR_WINDOW_STATE_TILED_RIGHT |
    LIBDECOR_WINDOW_STATE_TILED_TOP | LIBDECOR_WINDOW_STATE_TILED_BOTTOM;
// The layer's largest client, and the largest scale taken: a compositor's larger ones are
// taken as these.
constexpr int32_t kLargestClient = 16384;
constexpr int32_t kLargestScale120 = 10 * 120;
// How long a window being mapped waits for its first configure and its scale.
constexpr uint64_t kMapWait = 2000;

WaylandWindow* Of(HostWindow* window) { return static_cast<WaylandWindow*>(window); }

bool Fractional(const WaylandWindow* w) { return w->viewport != nullptr; }

// Device pixels of a logical length: round(length x scale), halves away from zero, as the
// fractional scale's protocol asks; at a whole scale the product itself.
int32_t DeviceOf(const WaylandWindow* w, int32_t logical) {
  const int64_t device = (int64_t{logical} * w->scale120 + 60) / 120;
  return static_cast<int32_t>(std::clamp<int64_t>(device, 1, kLargestClient));
}

// The logical length for a device length the layer asks, chosen so that its device length comes
// out whole (at 1.5, an even one), the nearest such below it.
int32_t LogicalOf(const WaylandWindow* w, int32_t device) {
  const int64_t most =
      std::max<int64_t>(1, int64_t{std::clamp(device, 1, kLargestClient)} * 120 / w->scale120);
  for (int64_t logical = most; logical > 0 && logical > most - 120; --logical)
    if (logical * w->scale120 % 120 == 0) return static_cast<int32_t>(logical);
  return static_cast<int32_t>(most);
}

// --- Pixels and their buffers.

void DestroyBuffer(Buffer* b) {
  if (b->buffer != nullptr) wl_buffer_destroy(b->buffer);
  if (b->data != nullptr) munmap(b->data, b->bytes);
}

bool SendPixels(WaylandWindow* w);

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

// Sends what was drawn to the compositor once it has configured the window and a buffer is free,
// and not within a configure, which commits once at its end. False when nothing went.
bool SendPixels(WaylandWindow* w) {
  if (w->frame == nullptr || !w->configured || w->configuring || IsEmpty(w->damage)) return false;
  const int32_t width = w->pixelsWidth, height = w->pixelsHeight;
  Buffer* b = IdleBuffer(w, width, height);
  if (b == nullptr) return false;
  const RECT copy = BoundingUnion(b->stale, w->damage);
  for (int32_t y = copy.top; y < copy.bottom; ++y) {
    const size_t at = static_cast<size_t>(y) * width + copy.left;
    std::memcpy(b->data + at, w->pixels.data() + at, static_cast<size_t>(Width(copy)) * 4);
  }
  for (auto& other : w->buffers) other->stale = BoundingUnion(other->stale, w->damage);
  b->stale = {0, 0, 0, 0};
  wl_surface_attach(w->surface, b->buffer, 0, 0);
  if (Fractional(w)) {
    SetViewportDestination(w->viewport, w->width, w->height);
  } else {
    wl_surface_set_buffer_scale(w->surface, w->scale120 / 120);
  }
  if (g_compositorVersion >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    wl_surface_damage_buffer(w->surface, w->damage.left, w->damage.top, Width(w->damage),
                             Height(w->damage));
  } else {
    wl_surface_damage(w->surface, 0, 0, w->width, w->height);
  }
  wl_surface_commit(w->surface);
  b->busy = true;
  w->damage = {0, 0, 0, 0};
  return true;
}

// The end of a configure: the new pixels if there are any, else the surface alone, which applies
// what the configure acked.
void Commit(WaylandWindow* w) {
  if (!SendPixels(w)) wl_surface_commit(w->surface);
}

// The pixels take the device size of the surface; a new size makes them afresh, to be painted
// whole. False when the size is the same.
bool SizePixels(WaylandWindow* w) {
  const int32_t width = DeviceOf(w, w->width), height = DeviceOf(w, w->height);
  if (width == w->pixelsWidth && height == w->pixelsHeight) return false;
  w->pixels.assign(static_cast<size_t>(width) * height, 0);
  w->pixelsWidth = width;
  w->pixelsHeight = height;
  w->damage = {0, 0, width, height};
  return true;
}

// The layer hears of the client's size and state once they are taken whole, in one message, with
// pixels of that size ready for the paint it brings. `before` is the states it last heard of.
void TellLayer(WaylandWindow* w, uint32_t before) {
  const bool was = (before & kMaximizedStates) != 0, is = (w->states & kMaximizedStates) != 0;
  w->layerWidth = w->pixelsWidth;
  w->layerHeight = w->pixelsHeight;
  w->checkSize = false;
  if (is && !was) {
    HostMaximized(w->owner, w->pixelsWidth, w->pixelsHeight);
  } else if (was && !is) {
    HostRestored(w->owner, w->pixelsWidth, w->pixelsHeight);
  } else {
    HostResized(w->owner, w->pixelsWidth, w->pixelsHeight);
  }
}

// A floating window's size is the client's own: it asks the compositor for it.
void CommitSize(WaylandWindow* w) {
  if (w->frame == nullptr || !w->configured) return;
  libdecor_state* state = libdecor_state_new(w->width, w->height);
  libdecor_frame_commit(w->frame, state, nullptr);
  libdecor_state_free(state);
}

// --- Scale: the compositor's fraction for the surface where it tells one, else the largest whole
// scale of the outputs the surface is on.

// The window takes its size in device pixels at once, and shows a frame of that size.
void TakeScale(WaylandWindow* w, int32_t scale120) {
  scale120 = std::min(scale120, kLargestScale120);
  const bool guessed = !w->scaleKnown;
  w->scaleKnown = true;
  if (scale120 == w->scale120) return;
  w->scale120 = scale120;
  ScaleCursor(w);
  // Until now a floating window's logical size came from a guessed scale (the output's whole
  // one, 2 at 150 %): the device size asked for holds, as it does on Windows.
  if (guessed && !(w->states & (kMaximizedStates | kTiledStates)) && !w->fullScreen) {
    w->width = w->floatWidth = LogicalOf(w, w->layerWidth);
    w->height = w->floatHeight = LogicalOf(w, w->layerHeight);
    CommitSize(w);
  }
  if (!w->configured || !SizePixels(w)) return;
  TellLayer(w, w->states);
  SendPixels(w);
}

void TakeOutputScale(WaylandWindow* w) {
  if (Fractional(w) || w->outputs.empty()) return;
  int32_t scale = 1;
  for (const Output* o : w->outputs) scale = std::max(scale, o->scale);
  TakeScale(w, scale * 120);
}

// A scale of nothing is no scale: the window keeps the one it has.
void OnPreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale120) {
  if (scale120 == 0) return;
  TakeScale(static_cast<WaylandWindow*>(data),
            static_cast<int32_t>(std::min<uint32_t>(scale120, kLargestScale120)));
}

const FractionalScaleListener kFractionListener = {OnPreferredScale};

void OnSurfaceEnter(void* data, wl_surface*, wl_output* output) {
  auto* w = static_cast<WaylandWindow*>(data);
  if (const Output* o = OutputOf(output)) w->outputs.push_back(o);
  TakeOutputScale(w);
}

void OnSurfaceLeave(void* data, wl_surface*, wl_output* output) {
  auto* w = static_cast<WaylandWindow*>(data);
  auto& on = w->outputs;
  on.erase(
      std::remove_if(on.begin(), on.end(), [&](const Output* o) { return o->output == output; }),
      on.end());
  TakeOutputScale(w);
}

// Filled by name: enter and leave have the same type.
wl_surface_listener SurfaceListener() {
  wl_surface_listener listener = {};
  listener.enter = OnSurfaceEnter;
  listener.leave = OnSurfaceLeave;
  return listener;
}

const wl_surface_listener kSurfaceListener = SurfaceListener();

// --- The frame: libdecor's configure, close and commit.

void OnFirstFrameShown(void* data, wl_callback* callback, uint32_t) {
  wl_callback_destroy(callback);
  static_cast<WaylandWindow*>(data)->frameShown = true;
}

const wl_callback_listener kFirstFrameListener = {OnFirstFrameShown};

// The compositor says when it has shown the frame the next commit brings.
void AskFirstFrameShown(WaylandWindow* w) {
  wl_callback_add_listener(wl_surface_frame(w->surface), &kFirstFrameListener, w);
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

// One configure is one step: its size, the scale and its states taken together, the pixels made
// of the new size, and only then the layer told, whose WM_SIZE paints. The surface is committed
// once, after the configure is acked, with those pixels.
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
  } else if (!(states & (kMaximizedStates | kTiledStates))) {
    w->floatWidth = width;  // the user's resizing
    w->floatHeight = height;
  }
  const uint32_t before = w->states;
  w->width = std::clamp(width, 1, kLargestClient);
  w->height = std::clamp(height, 1, kLargestClient);
  w->states = states;
  // Full screen left by the compositor itself (its own key), not on the layer's asking.
  if (w->fullScreen && (before & LIBDECOR_WINDOW_STATE_FULLSCREEN) &&
      !(states & LIBDECOR_WINDOW_STATE_FULLSCREEN))
    w->fullScreen = false;
  w->configuring = true;
  libdecor_state* state = libdecor_state_new(w->width, w->height);
  libdecor_frame_commit(frame, state, configuration);
  libdecor_state_free(state);
  if (!w->configured) {
    w->configured = true;
    ApplyPendingState(w);
    AskFirstFrameShown(w);
  }
  SizePixels(w);
  TellLayer(w, before);
  w->configuring = false;
  Commit(w);
}

void OnClose(libdecor_frame*, void* data) { HostClose(static_cast<WaylandWindow*>(data)->owner); }

// Within a configure the surface is committed at its end, with the new pixels.
void OnFrameCommit(libdecor_frame*, void* data) {
  auto* w = static_cast<WaylandWindow*>(data);
  if (!w->configuring) wl_surface_commit(w->surface);
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

// A window without a buffer is off the screen; its frame stays, to be mapped again.
void Unmap(WaylandWindow* w) {
  if (w->frame == nullptr || w->hidden) return;
  w->hidden = true;
  w->configured = false;
  w->frameShown = false;
  wl_surface_attach(w->surface, nullptr, 0, 0);
  wl_surface_commit(w->surface);
}

void Free(WaylandWindow* w) {
  if (w->frame != nullptr) libdecor_frame_unref(w->frame);
  for (auto& b : w->buffers) DestroyBuffer(b.get());
  if (w->fraction != nullptr) DestroyFractionalScale(w->fraction);
  if (w->viewport != nullptr) DestroyViewport(w->viewport);
  wl_surface_destroy(w->surface);
}

// The layer's first WM_SIZE is of what the compositor makes of the window once it has shown it,
// as its first frame (the pixels it has: black) went up: the size it tiles or maximizes it to
// (sway tiles only a window that has a buffer), and the scale of the output it put it on.
void AwaitFirstFrame(WaylandWindow* w) {
  const uint64_t end = HostNow() + kMapWait;
  for (uint64_t now = HostNow(); now < end && !(w->frameShown && w->scaleKnown); now = HostNow())
    Dispatch(static_cast<int>(end - now));
}

}  // namespace

WaylandWindow* WindowOf(wl_surface* surface) {
  for (auto& w : g_windows)
    if (w->surface == surface && surface != nullptr) return w.get();
  return nullptr;
}

void OutputScaleChanged() {
  for (auto& w : g_windows) TakeOutputScale(w.get());
}

void OutputGone(const Output* o) {
  for (auto& w : g_windows) {
    auto& on = w->outputs;
    on.erase(std::remove(on.begin(), on.end(), o), on.end());
    TakeOutputScale(w.get());
  }
}

// Sizes the layer asked for and did not get are answered with those the window has.
void CheckSizes() {
  for (auto& w : g_windows) {
    if (!w->checkSize) continue;
    w->checkSize = false;
    if (w->pixelsWidth != w->layerWidth || w->pixelsHeight != w->layerHeight)
      TellLayer(w.get(), w->states);
  }
}

HostWindow* CreateWaylandWindow(HWND owner, const char* title, RECT place, bool framed,
                                bool resizable) {
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
  if (g_viewporter != nullptr && g_fractionalScales != nullptr) {
    w->viewport = GetViewport(g_viewporter, w->surface);
    w->fraction = GetFractionalScale(g_fractionalScales, w->surface, &kFractionListener, w.get());
  }
  // Until the compositor says, the screen's scale.
  const Output* screen = ScreenOutput();
  w->scale120 = (screen != nullptr ? screen->scale : 1) * 120;
  w->layerWidth = Width(place);
  w->layerHeight = Height(place);
  w->width = w->floatWidth = LogicalOf(w.get(), w->layerWidth);
  w->height = w->floatHeight = LogicalOf(w.get(), w->layerHeight);
  SizePixels(w.get());
  w->checkSize = w->pixelsWidth != w->layerWidth || w->pixelsHeight != w->layerHeight;
  g_windows.push_back(std::move(w));
  return g_windows.back().get();
}

// libdecor 0.1 destroys a toplevel before its server-side decoration (sway's, KDE's), which the
// compositor takes for a protocol error and ends the connection: where it decorates, a
// destroyed window is only unmapped, and its objects go with the connection.
void DestroyWaylandWindow(HostWindow* window) {
  WaylandWindow* w = Of(window);
  Unmap(w);
  ForgetWindow(w);
  const auto entry = std::find_if(g_windows.begin(), g_windows.end(),
                                  [&](const auto& each) { return each.get() == w; });
  w->owner = nullptr;  // what the compositor still tells of it reaches no window
  if (g_serverDecorations) {
    g_retired.push_back(std::move(*entry));
  } else {
    Free(w);
  }
  g_windows.erase(entry);
  wl_display_flush(g_display);
}

// A mapped window has a frame (xdg-shell's toplevel, through libdecor).
bool SetMapped(HostWindow* window, bool mapped) {
  WaylandWindow* w = Of(window);
  if (!mapped) {
    Unmap(w);
    return true;
  }
  if (w->frame != nullptr && !w->hidden) return true;
  if (w->frame != nullptr) {
    w->hidden = false;
    libdecor_frame_map(w->frame);  // a commit without a buffer, which the compositor configures
    w->damage = {0, 0, w->pixelsWidth, w->pixelsHeight};
    AwaitFirstFrame(w);
    return true;
  }
  w->frame = libdecor_decorate(g_decor, w->surface, &g_frameInterface, w);
  if (w->frame == nullptr) {
    g_error = "libdecor made no frame for the window";
    return false;
  }
  libdecor_frame_set_app_id(w->frame, program_invocation_short_name);
  libdecor_frame_set_title(w->frame, w->title.c_str());
  libdecor_frame_map(w->frame);
  w->damage = {0, 0, w->pixelsWidth, w->pixelsHeight};
  AwaitFirstFrame(w);
  return true;
}

// Where a window is on the screen is the compositor's alone; its size is the client's while it
// floats, in whole logical pixels. Maximized or full screen, the compositor's configure sizes it;
// tiled, it keeps the size it has, which the layer then hears of.
void PlaceWaylandWindow(HostWindow* window, RECT place) {
  WaylandWindow* w = Of(window);
  w->layerWidth = Width(place);
  w->layerHeight = Height(place);
  w->floatWidth = LogicalOf(w, w->layerWidth);
  w->floatHeight = LogicalOf(w, w->layerHeight);
  if ((w->states & kMaximizedStates) || w->fullScreen) return;
  if (!(w->states & kTiledStates) && (w->floatWidth != w->width || w->floatHeight != w->height)) {
    w->width = w->floatWidth;
    w->height = w->floatHeight;
    SizePixels(w);
    CommitSize(w);
  }
  w->checkSize = w->pixelsWidth != w->layerWidth || w->pixelsHeight != w->layerHeight;
}

void SetWaylandFrame(HostWindow* window, bool framed, bool resizable) {
  WaylandWindow* w = Of(window);
  w->framed = framed;
  w->resizable = resizable;
  if (!w->configured) return;
  libdecor_frame_set_visibility(w->frame, framed);
  ApplyCapabilities(w);
}

// The compositor's full screen: the size comes with its configure.
void SetWaylandFullScreen(HostWindow* window, bool on) {
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

void MinimizeWaylandWindow(HostWindow* window) {
  if (Of(window)->frame != nullptr) libdecor_frame_set_minimized(Of(window)->frame);
}

// Wayland gives clients no way to bring a minimized window back: the user does.
void RestoreWaylandWindow(HostWindow*) {}

WindowPixels WaylandPixels(HostWindow* window) {
  WaylandWindow* w = Of(window);
  if (w->pixels.empty()) return {nullptr, 0, 0, 0};
  return {w->pixels.data(), w->pixelsWidth, w->pixelsHeight, w->pixelsWidth};
}

void PresentWaylandWindow(HostWindow* window, RECT area) {
  WaylandWindow* w = Of(window);
  area = Intersection(area, {0, 0, w->pixelsWidth, w->pixelsHeight});
  if (IsEmpty(area)) return;
  w->damage = BoundingUnion(w->damage, area);
  SendPixels(w);
}

}  // namespace portable_win32::wayland
