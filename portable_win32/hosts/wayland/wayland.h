// The Wayland host's own header, shared by its parts: the display and its globals (wayland.cpp),
// the outputs (outputs.cpp), the seat's pointer and keyboard (seat.cpp), and the windows with
// their frames, scales and buffers (window.cpp).
#pragma once

#include <libdecor.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "portable_win32/hosts/desktop.h"
#include "portable_win32/hosts/wayland/protocols.h"

namespace portable_win32::wayland {

struct Output {
  wl_output* output;
  uint32_t name;                  // the registry's
  int32_t width = 0, height = 0;  // the current mode, in device pixels
  int32_t scale = 1;              // whole: a fractional one comes to each surface on its own
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
  wp_viewport* viewport = nullptr;  // where the compositor scales by fractions
  wp_fractional_scale_v1* fraction = nullptr;
  libdecor_frame* frame = nullptr;  // while mapped
  bool configured = false;          // the compositor has said how to show it
  bool frameShown = false;          // it has shown the window's first frame since it mapped
  bool hidden = false;              // unmapped, its frame kept
  bool configuring = false;         // within a configure, which commits once at its end
  bool framed = true, resizable = true, fullScreen = false;
  int32_t width = 1, height = 1;  // the surface's size, in the compositor's (logical) pixels
  int32_t floatWidth = 1, floatHeight = 1;  // its size when the compositor leaves it to the client
  int32_t scale120 = 120;                   // device pixels a logical pixel, in 120ths
  bool scaleKnown = false;                  // told by the compositor, not guessed
  uint32_t states = 0;                      // libdecor's window states at the last configure
  std::vector<const Output*> outputs;       // those the surface is on
  std::vector<uint32_t> pixels;             // the client, device pixels, top-down
  int32_t pixelsWidth = 0, pixelsHeight = 0;
  RECT damage = {0, 0, 0, 0};               // drawn and not yet shown
  int32_t layerWidth = 0, layerHeight = 0;  // the client size the layer knows
  bool checkSize = false;  // the layer asked for a size the compositor or the scale does not give
  std::vector<std::unique_ptr<Buffer>> buffers;
};

// The display and its globals (wayland.cpp).
extern wl_display* g_display;
extern wl_compositor* g_compositor;
extern uint32_t g_compositorVersion;
extern wl_shm* g_shm;
extern libdecor* g_decor;
extern wp_viewporter* g_viewporter;
extern wp_fractional_scale_manager_v1* g_fractionalScales;
extern wp_cursor_shape_manager_v1* g_cursorShapes;
extern bool g_serverDecorations;  // the compositor decorates windows (xdg-decoration)
extern std::string g_error;
[[noreturn]] void DisplayLost();
// Handles what the compositor has sent, waiting at most `timeout` ms (-1: no limit) for it.
void Dispatch(int timeout);

// The outputs (outputs.cpp).
extern std::vector<std::unique_ptr<Output>> g_outputs;
void BindOutput(wl_registry* registry, uint32_t name);
void ForgetOutput(uint32_t name);
const Output* OutputOf(wl_output* output);
// The output a window is on, or the first there is: the screen of GetSystemMetrics.
const Output* ScreenOutput();

// The seat (seat.cpp).
void BindSeat(wl_registry* registry, uint32_t name, uint32_t version);
// The window the pointer or the keyboard is in has gone.
void ForgetWindow(const WaylandWindow* w);
// The pointer's window has a new scale: the cursor follows it.
void ScaleCursor(const WaylandWindow* w);
// Milliseconds until a held key repeats, or -1; the repeats that are due.
int RepeatWait();
void RepeatKeys();
// Surface coordinates in the window's device pixels.
int32_t DevicePosition(const WaylandWindow* w, double logical);

// The windows (window.cpp).
extern std::vector<std::unique_ptr<WaylandWindow>> g_windows;
WaylandWindow* WindowOf(wl_surface* surface);
void OutputScaleChanged();
void OutputGone(const Output* o);
void CheckSizes();
HostWindow* CreateWaylandWindow(HWND owner, const char* title, RECT place, bool framed,
                                bool resizable);
void DestroyWaylandWindow(HostWindow* window);
bool SetMapped(HostWindow* window, bool mapped);
void PlaceWaylandWindow(HostWindow* window, RECT place);
void SetWaylandFrame(HostWindow* window, bool framed, bool resizable);
void SetWaylandFullScreen(HostWindow* window, bool on);
void MinimizeWaylandWindow(HostWindow* window);
void RestoreWaylandWindow(HostWindow* window);
WindowPixels WaylandPixels(HostWindow* window);
void PresentWaylandWindow(HostWindow* window, RECT area);

}  // namespace portable_win32::wayland
