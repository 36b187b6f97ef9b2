// The client side of three small protocols the host uses where a compositor offers them:
// viewporter and fractional-scale-v1 (a window drawn in device pixels at a fractional scale) and
// cursor-shape-v1 (the compositor draws the arrow). Written from their XML here, as
// wayland-scanner would make it, since Debian 12's wayland-protocols lacks cursor-shape-v1.
#pragma once

#include <wayland-client.h>

#include <cstdint>

struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct wp_cursor_shape_manager_v1;
struct wp_cursor_shape_device_v1;

namespace portable_win32::wayland {

extern const wl_interface kViewporterInterface;
extern const wl_interface kFractionalScaleManagerInterface;
extern const wl_interface kCursorShapeManagerInterface;

wp_viewport* GetViewport(wp_viewporter* viewporter, wl_surface* surface);
void SetViewportDestination(wp_viewport* viewport, int32_t width, int32_t height);
void DestroyViewport(wp_viewport* viewport);

// The scale the compositor would have the surface drawn at, in 120ths of one, as it changes.
struct FractionalScaleListener {
  void (*preferredScale)(void* data, wp_fractional_scale_v1* scale, uint32_t scale120);
};
wp_fractional_scale_v1* GetFractionalScale(wp_fractional_scale_manager_v1* manager,
                                           wl_surface* surface,
                                           const FractionalScaleListener* listener, void* data);
void DestroyFractionalScale(wp_fractional_scale_v1* scale);

// The shape every client shows over its window, the arrow.
constexpr uint32_t kCursorShapeDefault = 1;
wp_cursor_shape_device_v1* GetCursorShapeDevice(wp_cursor_shape_manager_v1* manager,
                                                wl_pointer* pointer);
void SetCursorShape(wp_cursor_shape_device_v1* device, uint32_t serial, uint32_t shape);
void DestroyCursorShapeDevice(wp_cursor_shape_device_v1* device);

}  // namespace portable_win32::wayland
