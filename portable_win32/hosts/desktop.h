// A desktop runs the layer over one of two hosts, chosen when the display starts: our own on a
// Wayland compositor (wayland/), SDL2 everywhere else (sdl.cpp, X11 above all). Each fills
// this table; desktop.cpp chooses one, hands it the layer's calls of host.h, and does for both
// what they share: a new window's default place, and the wait before a display has started.
#pragma once

#include "portable_win32/hosts/host.h"

namespace portable_win32 {

// Each desktop host's record of a window extends this one.
struct HostWindow {};

struct DesktopHost {
  bool (*start)();
  const char* (*error)();
  RECT (*screen)();
  RECT (*workArea)(HostWindow* window);
  HostWindow* (*createWindow)(HWND owner, const char* title, RECT place, bool framed,
                              bool resizable);
  void (*destroyWindow)(HostWindow* window);
  bool (*showWindow)(HostWindow* window, bool shown);
  void (*placeWindow)(HostWindow* window, RECT place);
  void (*setFrame)(HostWindow* window, bool framed, bool resizable);
  void (*setFullScreen)(HostWindow* window, bool on);
  void (*minimize)(HostWindow* window);
  void (*restore)(HostWindow* window);
  WindowPixels (*pixels)(HostWindow* window);
  void (*present)(HostWindow* window, RECT area);
  // Called once the display has started.
  void (*pumpEvents)();
  void (*waitForEvents)(int milliseconds);
};

extern const DesktopHost kSdlHost;
extern const DesktopHost kWaylandHost;

}  // namespace portable_win32
