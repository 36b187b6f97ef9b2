// What the window half of the layer (user.cpp) needs of the system it runs on, and what that
// system tells it. A host is one file of this folder behind this header: web.cpp in a browser
// page; on desktops wayland/ or sdl.cpp, whichever suits the display (desktop.cpp). The
// windows, the message queue and its order, the update regions, timers and paint contexts are the
// layer's own, written once; a host only shows pixels, places windows and turns its input into the
// calls at the end of this file.
#pragma once

#include <cstdint>

#include "portable_win32/user.h"

namespace portable_win32 {

struct HostWindow;  // the host's own record of a window

// Starts the host's display; false when there is none to show a window on (HostError says why).
bool HostStart();
const char* HostError();
// Milliseconds from some fixed moment.
uint64_t HostNow();

// The display, and what a maximized framed window covers of the window's display (without the
// desktop's panels).
RECT HostScreen();
RECT HostWorkArea(HostWindow* window);
// Where and how large a new window is when its creator leaves both to the system.
RECT HostDefaultPlace();

// A hidden window whose client is `place` on the screen; null, with HostError set, on failure.
// The host hands `owner` back with everything it tells of the window.
HostWindow* HostCreateWindow(HWND owner, const char* title, RECT place, bool framed,
                             bool resizable);
void HostDestroyWindow(HostWindow* window);
// False when the window cannot be shown after all (no surface for the display's pixels, say),
// with HostError set.
bool HostShowWindow(HostWindow* window, bool shown);
// Moves and sizes the client to `place`. A host that cannot give that size (a browser's page)
// tells the size it has with HostResized later.
void HostPlaceWindow(HostWindow* window, RECT place);
// With or without the desktop's frame.
void HostSetFrame(HostWindow* window, bool framed, bool resizable);
// A window without a frame, maximized, covers the whole screen: a host that has a mode for that
// (a browser's full screen) enters it, and leaves it when the window is restored or framed.
void HostSetFullScreen(HostWindow* window, bool on);
void HostMinimize(HostWindow* window);
void HostRestore(HostWindow* window);

// The client's pixels as they are now (32-bit, top-down); none while the window cannot be drawn.
WindowPixels HostPixels(HostWindow* window);
// Shows the pixels of `area` (client coordinates) that were drawn since they were last shown.
void HostPresent(HostWindow* window, RECT area);

// Hands over the input that has come, without waiting; or waits for some, at most `milliseconds`
// (-1: as long as it takes), and hands it over.
// Before HostStart, or after it failed, waiting only waits.
void HostPumpEvents();
void HostWaitForEvents(int milliseconds);

// What a host tells, from within HostPumpEvents and HostWaitForEvents. Buttons and modifier keys
// held are a mask of these bits.
constexpr uint32_t kHostLeft = 1, kHostRight = 2, kHostMiddle = 4, kHostShift = 8,
                   kHostControl = 16;

// A key by its USB usage (its place on the keyboard: keys.h) and the symbol the layout gives it
// unshifted (a Unicode code point, 0 when unknown). `window` may be null: the key then goes to
// the newest window on the screen.
void HostKey(HWND window, uint32_t usage, uint32_t symbol, bool down, bool repeat);
// The pointer at (x, y) of the client; `held` the buttons and keys held as the event leaves them.
void HostMouseMove(HWND window, int32_t x, int32_t y, uint32_t held);
void HostMouseButton(HWND window, uint32_t button, bool down, int32_t x, int32_t y, uint32_t held);
// Notches of a wheel turned away from the user (negative: towards), fractions of one included;
// (x, y) is the pointer on the screen.
void HostWheel(HWND window, double notches, int32_t x, int32_t y, uint32_t held);
// The desktop gave the client a new size or place, or minimized it, or maximized or restored it
// at the size given (each one WM_SIZE, sent once the host's pixels have that size), or the user
// asked to close it. What a host tells while a window is being shown for the first time only
// sets what the window's first WM_SIZE carries. A size told is not placed back through
// HostPlaceWindow: the host's own record of the client follows what it tells.
void HostResized(HWND window, int32_t width, int32_t height);
void HostMoved(HWND window, int32_t x, int32_t y);
void HostMinimized(HWND window);
void HostMaximized(HWND window, int32_t width, int32_t height);
void HostRestored(HWND window, int32_t width, int32_t height);
void HostClose(HWND window);
// The client's pixels were lost (the canvas made anew, the page shown again): the window paints
// all of it afresh.
void HostPixelsLost(HWND window);

}  // namespace portable_win32
