#include "portable_win32/hosts/wayland/protocols.h"

namespace portable_win32::wayland {

namespace {

// Each request's argument types, as wayland-scanner lays them out: an interface for every new
// object or object argument, null for the others. Requests' numbers are their places below.
extern const wl_interface kViewportInterface;
extern const wl_interface kFractionalScaleInterface;
extern const wl_interface kCursorShapeDeviceInterface;

const wl_interface* kNoTypes[] = {nullptr, nullptr, nullptr, nullptr};
const wl_interface* kGetViewportTypes[] = {&kViewportInterface, &wl_surface_interface};
const wl_interface* kGetFractionalScaleTypes[] = {&kFractionalScaleInterface,
                                                  &wl_surface_interface};
// get_tablet_tool_v2's tablet tool is never sent from here: its type stays unnamed.
const wl_interface* kGetCursorDeviceTypes[] = {&kCursorShapeDeviceInterface, &wl_pointer_interface,
                                               &kCursorShapeDeviceInterface, nullptr};

const wl_message kViewporterRequests[] = {{"destroy", "", kNoTypes},
                                          {"get_viewport", "no", kGetViewportTypes}};
const wl_message kViewportRequests[] = {{"destroy", "", kNoTypes},
                                        {"set_source", "ffff", kNoTypes},
                                        {"set_destination", "ii", kNoTypes}};
const wl_message kFractionalScaleManagerRequests[] = {
    {"destroy", "", kNoTypes}, {"get_fractional_scale", "no", kGetFractionalScaleTypes}};
const wl_message kFractionalScaleRequests[] = {{"destroy", "", kNoTypes}};
const wl_message kFractionalScaleEvents[] = {{"preferred_scale", "u", kNoTypes}};
const wl_message kCursorShapeManagerRequests[] = {
    {"destroy", "", kNoTypes},
    {"get_pointer", "no", kGetCursorDeviceTypes},
    {"get_tablet_tool_v2", "no", kGetCursorDeviceTypes + 2}};
const wl_message kCursorShapeDeviceRequests[] = {{"destroy", "", kNoTypes},
                                                 {"set_shape", "uu", kNoTypes}};

const wl_interface kViewportInterface = {"wp_viewport", 1, 3, kViewportRequests, 0, nullptr};
const wl_interface kFractionalScaleInterface = {
    "wp_fractional_scale_v1", 1, 1, kFractionalScaleRequests, 1, kFractionalScaleEvents};
const wl_interface kCursorShapeDeviceInterface = {"wp_cursor_shape_device_v1", 1, 2,
                                                  kCursorShapeDeviceRequests,  0, nullptr};

constexpr uint32_t kDestroy = 0, kGetObject = 1, kSetDestination = 2, kSetShape = 1;

wl_proxy* Proxy(void* object) { return static_cast<wl_proxy*>(object); }

void Destroy(void* object) {
  wl_proxy_marshal_flags(Proxy(object), kDestroy, nullptr, wl_proxy_get_version(Proxy(object)),
                         WL_MARSHAL_FLAG_DESTROY);
}

// A request that makes an object of `made` for `about`.
wl_proxy* GetObject(void* factory, const wl_interface* made, void* about) {
  return wl_proxy_marshal_flags(Proxy(factory), kGetObject, made,
                                wl_proxy_get_version(Proxy(factory)), 0, nullptr, about);
}

}  // namespace

const wl_interface kViewporterInterface = {"wp_viewporter", 1, 2, kViewporterRequests, 0, nullptr};
const wl_interface kFractionalScaleManagerInterface = {
    "wp_fractional_scale_manager_v1", 1, 2, kFractionalScaleManagerRequests, 0, nullptr};
const wl_interface kCursorShapeManagerInterface = {"wp_cursor_shape_manager_v1", 1, 3,
                                                   kCursorShapeManagerRequests,  0, nullptr};

wp_viewport* GetViewport(wp_viewporter* viewporter, wl_surface* surface) {
  return reinterpret_cast<wp_viewport*>(GetObject(viewporter, &kViewportInterface, surface));
}

void SetViewportDestination(wp_viewport* viewport, int32_t width, int32_t height) {
  wl_proxy_marshal_flags(Proxy(viewport), kSetDestination, nullptr,
                         wl_proxy_get_version(Proxy(viewport)), 0, width, height);
}

void DestroyViewport(wp_viewport* viewport) { Destroy(viewport); }

wp_fractional_scale_v1* GetFractionalScale(wp_fractional_scale_manager_v1* manager,
                                           wl_surface* surface,
                                           const FractionalScaleListener* listener, void* data) {
  wl_proxy* scale = GetObject(manager, &kFractionalScaleInterface, surface);
  if (scale == nullptr) return nullptr;
  wl_proxy_add_listener(
      scale, reinterpret_cast<void (**)(void)>(const_cast<FractionalScaleListener*>(listener)),
      data);
  return reinterpret_cast<wp_fractional_scale_v1*>(scale);
}

void DestroyFractionalScale(wp_fractional_scale_v1* scale) { Destroy(scale); }

wp_cursor_shape_device_v1* GetCursorShapeDevice(wp_cursor_shape_manager_v1* manager,
                                                wl_pointer* pointer) {
  return reinterpret_cast<wp_cursor_shape_device_v1*>(
      GetObject(manager, &kCursorShapeDeviceInterface, pointer));
}

void SetCursorShape(wp_cursor_shape_device_v1* device, uint32_t serial, uint32_t shape) {
  wl_proxy_marshal_flags(Proxy(device), kSetShape, nullptr, wl_proxy_get_version(Proxy(device)), 0,
                         serial, shape);
}

void DestroyCursorShapeDevice(wp_cursor_shape_device_v1* device) { Destroy(device); }

}  // namespace portable_win32::wayland
