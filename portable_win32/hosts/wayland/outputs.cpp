// The compositor's outputs: each one's mode, the screen the program reads, and its whole scale,
// which a window takes where the compositor tells no fraction.
#include <algorithm>

#include "portable_win32/hosts/wayland/wayland.h"

namespace portable_win32::wayland {

std::vector<std::unique_ptr<Output>> g_outputs;

namespace {

void OnGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                const char*, int32_t) {}

void OnMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
  auto* o = static_cast<Output*>(data);
  o->width = width;
  o->height = height;
}

void OnDone(void*, wl_output*) {}

void OnScale(void* data, wl_output*, int32_t scale) {
  static_cast<Output*>(data)->scale = std::max(1, scale);
  OutputScaleChanged();
}

// Version 2: newer libraries' tables have events beyond it, which stay null.
wl_output_listener OutputListener() {
  wl_output_listener listener = {};
  listener.geometry = OnGeometry;
  listener.mode = OnMode;
  listener.done = OnDone;
  listener.scale = OnScale;
  return listener;
}

const wl_output_listener kOutputListener = OutputListener();

}  // namespace

void BindOutput(wl_registry* registry, uint32_t name) {
  auto o = std::make_unique<Output>();
  o->name = name;
  o->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
  wl_output_add_listener(o->output, &kOutputListener, o.get());
  g_outputs.push_back(std::move(o));
}

void ForgetOutput(uint32_t name) {
  const auto found = std::find_if(g_outputs.begin(), g_outputs.end(),
                                  [&](const auto& o) { return o->name == name; });
  if (found == g_outputs.end()) return;
  OutputGone(found->get());
  wl_output_destroy((*found)->output);
  g_outputs.erase(found);
}

const Output* OutputOf(wl_output* output) {
  for (auto& o : g_outputs)
    if (o->output == output) return o.get();
  return nullptr;
}

const Output* ScreenOutput() {
  for (auto& w : g_windows)
    if (!w->outputs.empty()) return w->outputs.front();
  return g_outputs.empty() ? nullptr : g_outputs.front().get();
}

}  // namespace portable_win32::wayland
