#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "portable_win32/hosts/host.h"
#include "portable_win32/keys.h"
#include "portable_win32/rect.h"
#include "portable_win32/win32_names.h"

namespace portable_win32 {

namespace {

struct WindowClass {
  WNDCLASSEXA info;
  std::string name, menuName;
};

struct Window {
  HWND handle;
  const WindowClass* windowClass;
  std::string title;
  WNDPROC procedure;
  DWORD style, exStyle;
  RECT rect;                   // the client area on the screen
  RECT restoredRect;           // where a maximized or minimized window goes back to
  RECT update = {0, 0, 0, 0};  // the part to paint, as a bounding rectangle
  bool erase = false;          // the update region wants its background erased first
  RECT drawn = {0, 0, 0, 0};   // the part drawn on since it was last shown on the screen
  bool onScreen = false;       // shown by the host; WS_VISIBLE may be cleared by a new style alone
  bool sizePending = false;  // an overlapped window's first WM_SIZE, which its first showing sends
  HostWindow* host = nullptr;
  int32_t wheel = 0;  // a smooth wheel's motion short of a notch, in 120ths
  bool destroyed = false;
  uint32_t paints = 0;  // BeginPaint calls, which validate the update region
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT interval;
  TIMERPROC procedure;
  uint64_t due;
};

// Clients larger than this are not made: no display is so large, and the pixels must fit memory.
constexpr int kLargestClient = 16384;
constexpr uintptr_t kFirstWindow = 0x10010;
const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(uintptr_t{0x400000});
const HCURSOR kArrowCursor = reinterpret_cast<HCURSOR>(uintptr_t{0x10003});

std::vector<std::unique_ptr<WindowClass>> g_classes;
std::map<uintptr_t, std::unique_ptr<Window>> g_windows;
// Destroyed windows are kept, emptied, for the life of the process: a caller up the stack (a
// WM_SIZE handler's sender, say) may still hold one when its procedure destroys it.
std::vector<std::unique_ptr<Window>> g_destroyed;
uintptr_t g_nextWindow = kFirstWindow;
std::deque<MSG> g_queue;  // posted and input messages, in order
bool g_quitPosted = false;
int g_quitCode = 0;
std::vector<Timer> g_timers;
UINT_PTR g_nextTimerId = 1;
enum class Display { kUntried, kReady, kFailed } g_display = Display::kUntried;

Window* Find(HWND hwnd) {
  const auto found = g_windows.find(reinterpret_cast<uintptr_t>(hwnd));
  return found == g_windows.end() ? nullptr : found->second.get();
}

bool StartDisplay() {
  if (g_display == Display::kUntried) g_display = HostStart() ? Display::kReady : Display::kFailed;
  return g_display == Display::kReady;
}

// Class names are compared as Windows does, ignoring the case of ASCII letters.
bool SameName(const char* a, const char* b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (; *a != '\0' && lower(*a) == lower(*b); ++a, ++b) {
  }
  return lower(*a) == lower(*b);
}

const WindowClass* FindClass(LPCSTR name) {
  if (name == nullptr) return nullptr;
  for (const auto& c : g_classes)
    if (SameName(c->name.c_str(), name)) return c.get();
  return nullptr;
}

// The built-in class the tests make plain windows of.
void RegisterSystemClasses() {
  if (!g_classes.empty()) return;
  WNDCLASSEXA staticClass = {};
  staticClass.cbSize = sizeof staticClass;
  staticClass.lpfnWndProc = DefWindowProcA;
  staticClass.lpszClassName = "STATIC";
  g_classes.push_back(std::make_unique<WindowClass>(WindowClass{staticClass, "STATIC", ""}));
}

RECT ScreenBounds() { return StartDisplay() ? HostScreen() : RECT{0, 0, 0, 0}; }

// Windows paint again, erased, whenever their size changes when the class asks for it.
void InvalidateAll(Window* w, bool erase) {
  w->update = {0, 0, Width(w->rect), Height(w->rect)};
  w->erase = w->erase || erase;
}

// Shows what was drawn on the screen.
void Present(Window* w) {
  const RECT drawn = w->drawn;
  w->drawn = {0, 0, 0, 0};
  if (w->onScreen && w->host != nullptr && !IsEmpty(drawn)) HostPresent(w->host, drawn);
}

void PresentDrawnWindows() {
  for (auto& entry : g_windows) Present(entry.second.get());
}

// The client area, or as much of it as the host's pixels hold while a new size is on its way.
WindowPixels PixelsOf(void* owner, const RECT* drawing) {
  Window* w = Find(static_cast<HWND>(owner));
  if (w == nullptr || w->host == nullptr) return {nullptr, 0, 0, 0};
  WindowPixels pixels = HostPixels(w->host);
  if (pixels.bits == nullptr) return pixels;
  pixels.width = std::min(pixels.width, Width(w->rect));
  pixels.height = std::min(pixels.height, Height(w->rect));
  if (drawing != nullptr)
    w->drawn = BoundingUnion(w->drawn, Intersection(*drawing, {0, 0, pixels.width, pixels.height}));
  return pixels;
}

WindowPixels NoPixels(void*, const RECT*) { return {nullptr, 0, 0, 0}; }

LRESULT Send(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  return w->procedure(w->handle, message, wParam, lParam);
}

// The client's new size, to be painted afresh whole when the class asks for that.
void SetClientSize(Window* w, int32_t width, int32_t height) {
  width = std::clamp(width, 0, kLargestClient);
  height = std::clamp(height, 0, kLargestClient);
  const bool changed = width != Width(w->rect) || height != Height(w->rect);
  w->rect.right = w->rect.left + width;
  w->rect.bottom = w->rect.top + height;
  if (changed && (w->windowClass->info.style & (CS_HREDRAW | CS_VREDRAW))) InvalidateAll(w, true);
}

// A WM_SIZE of the client as it is, of the kind its state says; none while an overlapped
// window's first is still to come.
void SendSize(Window* w) {
  if (w->sizePending) return;
  if (w->style & WS_MINIMIZE) {
    Send(w, WM_SIZE, SIZE_MINIMIZED, 0);
    return;
  }
  const WPARAM kind = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
  Send(w, WM_SIZE, kind, MAKELPARAM(Width(w->rect), Height(w->rect)));
}

// The program's resizing: the window on the screen follows, and then the WM_SIZE.
void Resize(Window* w, int32_t width, int32_t height) {
  SetClientSize(w, width, height);
  if (w->host != nullptr) HostPlaceWindow(w->host, w->rect);
  SendSize(w);
}

// Windows sends an overlapped window's first WM_SIZE and WM_MOVE when it is first shown: by then
// the desktop has placed it (a tiling one at a size of its own), which the host has told.
void SendFirstSize(Window* w) {
  if (!w->sizePending) return;
  w->sizePending = false;
  SendSize(w);
  if (!w->destroyed) Send(w, WM_MOVE, 0, MAKELPARAM(w->rect.left, w->rect.top));
}

// The style's caption and sizing border, on the screen; a framed window is not full screen.
void ApplyFrameStyle(Window* w) {
  if (w->host == nullptr) return;
  const bool framed = (w->style & WS_CAPTION) != 0;
  HostSetFrame(w->host, framed, (w->style & WS_THICKFRAME) != 0);
  if (framed) HostSetFullScreen(w->host, false);
}

// A window that comes onto the screen must be painted; one that never left it need not be.
void SetVisible(Window* w, bool visible) {
  if (visible) {
    w->style |= WS_VISIBLE;
  } else {
    w->style &= ~WS_VISIBLE;
  }
  if (w->host == nullptr || w->onScreen == visible) return;
  w->onScreen = visible;
  // A program whose window cannot be shown would run on unseen, for ever: it ends, and says why.
  if (!HostShowWindow(w->host, visible)) {
    std::fprintf(stderr, "cannot show the window \"%s\": %s\n", w->title.c_str(), HostError());
    std::exit(1);
  }
  if (!visible) return;
  InvalidateAll(w, true);
  if (w->style & WS_MINIMIZE) HostMinimize(w->host);
  SendFirstSize(w);
}

void Maximize(Window* w) {
  if (!(w->style & (WS_MAXIMIZE | WS_MINIMIZE))) w->restoredRect = w->rect;
  w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
  // A popup covers the whole display; a framed window what the desktop leaves free.
  const bool popup = (w->style & WS_POPUP) != 0;
  const RECT area = popup || w->host == nullptr ? ScreenBounds() : HostWorkArea(w->host);
  if (w->host != nullptr) HostSetFullScreen(w->host, popup);
  w->rect = {area.left, area.top, area.left + Width(w->rect), area.top + Height(w->rect)};
  Resize(w, Width(area), Height(area));
}

void Minimize(Window* w) {
  if (!(w->style & (WS_MAXIMIZE | WS_MINIMIZE))) w->restoredRect = w->rect;
  w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
  if (w->host != nullptr && w->onScreen) HostMinimize(w->host);  // else once it is shown
  SendSize(w);
}

void Restore(Window* w) {
  if (!(w->style & (WS_MAXIMIZE | WS_MINIMIZE))) return;
  const bool wasMinimized = (w->style & WS_MINIMIZE) != 0;
  w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
  if (wasMinimized && w->host != nullptr) HostRestore(w->host);
  if (w->host != nullptr) HostSetFullScreen(w->host, false);
  const RECT target = w->restoredRect;
  w->rect = {target.left, target.top, target.left + Width(w->rect), target.top + Height(w->rect)};
  Resize(w, Width(target), Height(target));
}

// The message's point is left at 0, 0: nothing here reads it.
void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_queue.push_back(MSG{hwnd, message, wParam, lParam, static_cast<DWORD>(HostNow()), {0, 0}});
}

WPARAM KeyState(uint32_t held) {
  WPARAM state = 0;
  if (held & kHostLeft) state |= MK_LBUTTON;
  if (held & kHostRight) state |= MK_RBUTTON;
  if (held & kHostMiddle) state |= MK_MBUTTON;
  if (held & kHostShift) state |= MK_SHIFT;
  if (held & kHostControl) state |= MK_CONTROL;
  return state;
}

// Keys go to the window named, or else to the newest window on the screen.
Window* KeyWindow(HWND hwnd) {
  if (Window* w = Find(hwnd)) return w;
  for (auto it = g_windows.rbegin(); it != g_windows.rend(); ++it)
    if (it->second->style & WS_VISIBLE) return it->second.get();
  return nullptr;
}

// Windows sends mouse messages to the window under the pointer, and only there, unless the window
// has captured the mouse (the program never does); an X server, or a browser, keeps sending a
// window the moves of a drag that began in it.
bool InClient(const Window* w, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < Width(w->rect) && y < Height(w->rect);
}

// Most messages one wheel event gives: a notch each, and a hostile or broken device's thousands
// would take that many frames to work through.
constexpr int32_t kMostWheelMessages = 10;

bool InRange(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool ForWindow(HWND filter, HWND hwnd) { return filter == nullptr || filter == hwnd; }

// The next message in the system's order: posted and input messages, the quit request, then a
// paint for a window that needs one, then a timer that is due.
bool NextMessage(MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
  if (g_display == Display::kReady) HostPumpEvents();
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    if (!InRange(it->message, first, last) || !ForWindow(hwnd, it->hwnd)) continue;
    *out = *it;
    if (remove) g_queue.erase(it);
    return true;
  }
  // Whatever the filter, as GetMessageA and PeekMessageA document.
  if (g_quitPosted) {
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, 0, {0, 0}};
    if (remove) g_quitPosted = false;
    return true;
  }
  const uint64_t now = HostNow();
  if (InRange(WM_PAINT, first, last)) {
    for (auto& entry : g_windows) {
      Window* w = entry.second.get();
      if ((w->style & WS_VISIBLE) && !IsEmpty(w->update) && ForWindow(hwnd, w->handle)) {
        *out = MSG{w->handle, WM_PAINT, 0, 0, static_cast<DWORD>(now), {0, 0}};
        return true;
      }
    }
  }
  if (InRange(WM_TIMER, first, last)) {
    for (Timer& t : g_timers) {
      if (t.due > now || !ForWindow(hwnd, t.hwnd)) continue;
      *out = MSG{
          t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.procedure), static_cast<DWORD>(now),
          {0, 0}};
      if (remove) t.due = now + t.interval;
      return true;
    }
  }
  return false;
}

// How long GetMessageA may sleep before a timer falls due; -1: until an event comes.
int WaitLimit() {
  int limit = -1;
  for (const Timer& t : g_timers) {
    const uint64_t now = HostNow();
    const int ms = t.due <= now ? 0 : static_cast<int>(std::min<uint64_t>(t.due - now, 1 << 30));
    limit = limit < 0 ? ms : std::min(limit, ms);
  }
  return limit;
}

}  // namespace

// What the host tells.

void HostKey(HWND hwnd, uint32_t usage, uint32_t symbol, bool down, bool repeat) {
  Window* w = KeyWindow(hwnd);
  const WPARAM code = VirtualKeyOf(usage, symbol);
  if (w == nullptr || code == 0) return;
  // lParam: a repeat count of one, bit 30 for a key already down, bit 31 for a release.
  LPARAM lParam = 1;
  if (!down) lParam |= LPARAM{3} << 30;
  if (down && repeat) lParam |= LPARAM{1} << 30;
  Post(w->handle, down ? WM_KEYDOWN : WM_KEYUP, code, lParam);
}

void HostMouseMove(HWND hwnd, int32_t x, int32_t y, uint32_t held) {
  Window* w = Find(hwnd);
  if (w == nullptr || !InClient(w, x, y)) return;
  const WPARAM state = KeyState(held);
  const LPARAM where = MAKELPARAM(x, y);
  // Like the system's, a move still queued is replaced by a newer one.
  if (!g_queue.empty() && g_queue.back().message == WM_MOUSEMOVE && g_queue.back().hwnd == hwnd &&
      g_queue.back().wParam == state) {
    g_queue.back().lParam = where;
    return;
  }
  Post(hwnd, WM_MOUSEMOVE, state, where);
}

void HostMouseButton(HWND hwnd, uint32_t button, bool down, int32_t x, int32_t y, uint32_t held) {
  Window* w = Find(hwnd);
  if (w == nullptr || !InClient(w, x, y)) return;
  UINT message;
  switch (button) {
    case kHostLeft:
      message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      break;
    case kHostRight:
      message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      break;
    case kHostMiddle:
      message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      break;
    default:
      return;
  }
  Post(hwnd, message, KeyState(held), MAKELPARAM(x, y));
}

// One WM_MOUSEWHEEL of 120 a notch; a smooth wheel's small motions are summed, in 120ths of a
// notch, until they make a notch. Motion beyond what one event may post is dropped, as is motion
// that is not a number.
void HostWheel(HWND hwnd, double notches, int32_t x, int32_t y, uint32_t held) {
  Window* w = Find(hwnd);
  if (w == nullptr || !std::isfinite(notches)) return;
  const double limit = (kMostWheelMessages + 1) * WHEEL_DELTA;
  const double motion = std::clamp(notches * WHEEL_DELTA, -limit, limit);
  const int32_t total = w->wheel + static_cast<int32_t>(std::lround(motion));
  const int32_t count = std::clamp(total / WHEEL_DELTA, -kMostWheelMessages, kMostWheelMessages);
  w->wheel = total % WHEEL_DELTA;
  const int16_t delta = count > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
  for (int32_t n = 0; n < std::abs(count); ++n)
    Post(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(KeyState(held), delta), MAKELPARAM(x, y));
}

// What the desktop did is not asked of it again: the host has the size it tells.
void HostResized(HWND hwnd, int32_t width, int32_t height) {
  Window* w = Find(hwnd);
  if (w == nullptr || (width == Width(w->rect) && height == Height(w->rect))) return;
  SetClientSize(w, width, height);
  SendSize(w);
}

void HostMoved(HWND hwnd, int32_t x, int32_t y) {
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  w->rect = {x, y, x + Width(w->rect), y + Height(w->rect)};
  Send(w, WM_MOVE, 0, MAKELPARAM(x, y));
}

void HostMinimized(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w != nullptr && !(w->style & WS_MINIMIZE)) Minimize(w);
}

void HostMaximized(HWND hwnd, int32_t width, int32_t height) {
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  if (w->style & WS_MAXIMIZE) {
    HostResized(hwnd, width, height);
    return;
  }
  if (!(w->style & WS_MINIMIZE)) w->restoredRect = w->rect;
  w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
  SetClientSize(w, width, height);
  SendSize(w);
}

void HostRestored(HWND hwnd, int32_t width, int32_t height) {
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) {
    HostResized(hwnd, width, height);
    return;
  }
  w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  SetClientSize(w, width, height);
  SendSize(w);
}

void HostClose(HWND hwnd) {
  if (Find(hwnd) != nullptr) Post(hwnd, WM_CLOSE, 0, 0);
}

// Erased first, as Windows has pixels that must be painted afresh.
void HostPixelsLost(HWND hwnd) {
  if (Find(hwnd) != nullptr) InvalidateRect(hwnd, nullptr, TRUE);
}

// What the program calls.

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  RegisterSystemClasses();
  if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXA) ||
      windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
      FindClass(windowClass->lpszClassName) != nullptr)
    return 0;
  auto c = std::make_unique<WindowClass>();
  c->info = *windowClass;
  c->name = windowClass->lpszClassName;
  if (windowClass->lpszMenuName != nullptr) c->menuName = windowClass->lpszMenuName;
  c->info.lpszClassName = c->name.c_str();
  c->info.lpszMenuName = windowClass->lpszMenuName != nullptr ? c->menuName.c_str() : nullptr;
  g_classes.push_back(std::move(c));
  return static_cast<ATOM>(0xC000 + g_classes.size());
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR name, WNDCLASSEXA* windowClass) {
  RegisterSystemClasses();
  const WindowClass* c = FindClass(name);
  if (c == nullptr || windowClass == nullptr) return FALSE;
  *windowClass = c->info;
  return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  // The arrow is the host's own default cursor; no other cursor is provided.
  const bool arrow = instance == nullptr && reinterpret_cast<uintptr_t>(name) == 32512;
  return arrow ? kArrowCursor : nullptr;
}

HMODULE GetModuleHandleA(LPCSTR name) { return name == nullptr ? kModule : nullptr; }

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
  RegisterSystemClasses();
  const WindowClass* windowClass = FindClass(className);
  // Top-level windows only.
  if (windowClass == nullptr || parent != nullptr || (style & WS_CHILD)) return nullptr;
  if (!StartDisplay()) {
    std::fprintf(stderr, "cannot open the window \"%s\": %s\n", title != nullptr ? title : "",
                 HostError());
    return nullptr;
  }
  const RECT place = HostDefaultPlace();
  if (width == CW_USEDEFAULT) width = Width(place), height = Height(place);
  if (x == CW_USEDEFAULT) x = place.left, y = place.top;
  width = std::clamp(width, 0, kLargestClient);
  height = std::clamp(height, 0, kLargestClient);

  auto w = std::make_unique<Window>();
  w->handle = reinterpret_cast<HWND>(g_nextWindow);
  w->windowClass = windowClass;
  w->title = title != nullptr ? title : "";
  w->procedure = windowClass->info.lpfnWndProc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->rect = {x, y, x + width, y + height};
  w->restoredRect = w->rect;
  w->host = HostCreateWindow(w->handle, w->title.c_str(), w->rect, (style & WS_CAPTION) != 0,
                             (style & WS_THICKFRAME) != 0);
  if (w->host == nullptr) {
    std::fprintf(stderr, "cannot open the window \"%s\": %s\n", w->title.c_str(), HostError());
    return nullptr;
  }
  g_nextWindow += 4;
  Window* window = w.get();
  g_windows[reinterpret_cast<uintptr_t>(window->handle)] = std::move(w);

  if (!Send(window, WM_NCCREATE, 0, 0) || Send(window, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(window->handle);
    return nullptr;
  }
  // A popup is sized at once; an overlapped window when first shown, as Windows does.
  window->sizePending = !(style & WS_POPUP);
  if (!window->sizePending) {
    Send(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    Send(window, WM_MOVE, 0, MAKELPARAM(x, y));
  }
  if (Find(window->handle) != nullptr && (style & WS_VISIBLE)) ShowWindow(window->handle, SW_SHOW);
  return Find(window->handle) != nullptr ? window->handle : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (w->destroyed) return TRUE;  // again, from within its own WM_DESTROY
  w->destroyed = true;
  Send(w, WM_DESTROY, 0, 0);
  Send(w, WM_NCDESTROY, 0, 0);
  if (w->host != nullptr) HostDestroyWindow(w->host);
  w->host = nullptr;
  g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                [&](const Timer& t) { return t.hwnd == hwnd; }),
                 g_timers.end());
  g_queue.erase(
      std::remove_if(g_queue.begin(), g_queue.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
      g_queue.end());
  const auto entry = g_windows.find(reinterpret_cast<uintptr_t>(hwnd));
  g_destroyed.push_back(std::move(entry->second));
  g_windows.erase(entry);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Find(hwnd) != nullptr; }

BOOL ShowWindow(HWND hwnd, int command) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  const BOOL wasVisible = (w->style & WS_VISIBLE) != 0;
  switch (command) {
    case SW_HIDE:
      SetVisible(w, false);
      break;
    // The state first, then the window shown in it, as Windows does: what the desktop does as it
    // shows the window (maximizes it in a kiosk, tiles it) is not undone.
    case SW_SHOWMAXIMIZED:
      Maximize(w);
      SetVisible(w, true);
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      Minimize(w);
      SetVisible(w, true);
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      Restore(w);
      SetVisible(w, true);
      break;
    default:  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE: shown as it is
      SetVisible(w, true);
      break;
  }
  return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (!IsEmpty(w->update)) Send(w, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = Find(hwnd);
  return w != nullptr && (w->style & WS_VISIBLE) != 0;
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = Find(hwnd);
  return w != nullptr && (w->style & WS_MAXIMIZE) != 0;
}

LONG GetWindowLongA(HWND hwnd, int index) {
  return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->procedure);
    default:
      return 0;
  }
}

// A new style takes effect on the screen with the next SetWindowPos carrying SWP_FRAMECHANGED,
// and a style without WS_VISIBLE leaves the window on the screen until it is shown or hidden.
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  const LONG_PTR previous = GetWindowLongPtrA(hwnd, index);
  switch (index) {
    case GWL_STYLE:
      w->style = static_cast<DWORD>(value);
      break;
    case GWL_EXSTYLE:
      w->exStyle = static_cast<DWORD>(value);
      break;
    case GWLP_WNDPROC:
      if (value != 0) w->procedure = reinterpret_cast<WNDPROC>(value);
      break;
    default:
      return 0;
  }
  return previous;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int width, int height, UINT flags) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (flags & SWP_FRAMECHANGED) ApplyFrameStyle(w);
  const bool moves = !(flags & SWP_NOMOVE) && (x != w->rect.left || y != w->rect.top);
  if (moves) w->rect = {x, y, x + Width(w->rect), y + Height(w->rect)};
  if (!(flags & SWP_NOSIZE)) {
    Resize(w, width, height);
  } else if (w->host != nullptr) {
    HostPlaceWindow(w->host, w->rect);
  }
  if (moves && !w->destroyed) Send(w, WM_MOVE, 0, MAKELPARAM(x, y));
  if (flags & SWP_SHOWWINDOW) SetVisible(w, true);
  if (flags & SWP_HIDEWINDOW) SetVisible(w, false);
  return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) { return rect != nullptr; }

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* w = Find(hwnd);
  if (w == nullptr || rect == nullptr) return FALSE;
  *rect = {0, 0, Width(w->rect), Height(w->rect)};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  Window* w = Find(hwnd);
  if (w == nullptr || point == nullptr) return FALSE;
  point->x += w->rect.left;
  point->y += w->rect.top;
  return TRUE;
}

namespace {

int CopyText(const std::string& text, LPSTR out, int size) {
  if (out == nullptr || size <= 0) return 0;
  const int length = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(out, text.data(), static_cast<size_t>(length));
  out[length] = '\0';
  return length;
}

}  // namespace

int GetWindowTextA(HWND hwnd, LPSTR text, int size) {
  Window* w = Find(hwnd);
  return w != nullptr ? CopyText(w->title, text, size) : 0;
}

int GetClassNameA(HWND hwnd, LPSTR name, int size) {
  Window* w = Find(hwnd);
  return w != nullptr ? CopyText(w->windowClass->name, name, size) : 0;
}

HWND GetParent(HWND) { return nullptr; }

HMENU GetMenu(HWND) { return nullptr; }

HWND FindWindowA(LPCSTR className, LPCSTR title) {
  for (auto& entry : g_windows) {
    const Window* w = entry.second.get();
    if (className != nullptr && !SameName(w->windowClass->name.c_str(), className)) continue;
    if (title != nullptr && w->title != title) continue;
    return w->handle;
  }
  return nullptr;
}

int GetSystemMetrics(int index) {
  const RECT screen = ScreenBounds();
  return index == SM_CXSCREEN ? Width(screen) : index == SM_CYSCREEN ? Height(screen) : 0;
}

BOOL GetMessageA(MSG* message, HWND hwnd, UINT first, UINT last) {
  if (message == nullptr) return -1;
  while (!NextMessage(message, hwnd, first, last, true)) {
    PresentDrawnWindows();
    HostWaitForEvents(WaitLimit());
  }
  return message->message != WM_QUIT;
}

BOOL PeekMessageA(MSG* message, HWND hwnd, UINT first, UINT last, UINT remove) {
  if (message == nullptr) return FALSE;
  return NextMessage(message, hwnd, first, last, (remove & PM_REMOVE) != 0);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* message) {
  if (message == nullptr) return 0;
  if (message->message == WM_TIMER && message->lParam != 0) {
    reinterpret_cast<TIMERPROC>(message->lParam)(message->hwnd, WM_TIMER, message->wParam,
                                                 static_cast<DWORD>(HostNow()));
    return 0;
  }
  Window* w = Find(message->hwnd);
  if (w == nullptr) return 0;
  const uint32_t paints = w->paints;
  const LRESULT result = Send(w, message->message, message->wParam, message->lParam);
  // A paint handler that never began painting would get its paint again at once, for ever: its
  // region is validated. One that did keeps what it invalidated since.
  if (message->message == WM_PAINT && (w = Find(message->hwnd)) != nullptr && w->paints == paints)
    w->update = {};
  return result;
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd != nullptr && Find(hwnd) == nullptr) return FALSE;
  Post(hwnd, message, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int code) {
  g_quitPosted = true;
  g_quitCode = code;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  return w != nullptr ? Send(w, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  if (w == nullptr) return 0;
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) Send(w, WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(hwnd, &paint);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = w->windowClass->info.hbrBackground;
      if (brush == nullptr) return 0;
      const RECT client = {0, 0, Width(w->rect), Height(w->rect)};
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    default:
      (void)lParam;
      return 0;
  }
}

LRESULT CallWindowProcA(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure != nullptr ? procedure(hwnd, message, wParam, lParam) : 0;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC procedure) {
  if (hwnd != nullptr && Find(hwnd) == nullptr) return 0;
  if (hwnd == nullptr) id = g_nextTimerId++;
  KillTimer(hwnd, id);
  g_timers.push_back(Timer{hwnd, id, milliseconds, procedure, HostNow() + milliseconds});
  return hwnd == nullptr ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  const auto found = std::find_if(g_timers.begin(), g_timers.end(),
                                  [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (found == g_timers.end()) return FALSE;
  g_timers.erase(found);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  Window* w = Find(hwnd);
  if (w == nullptr || paint == nullptr) return nullptr;
  *paint = PAINTSTRUCT{};
  // The paint draws within what was to be painted; with nothing to paint, it draws nothing.
  paint->rcPaint = IsEmpty(w->update) ? RECT{0, 0, 0, 0} : w->update;
  paint->hdc = CreateWindowContext(PixelsOf, hwnd, &paint->rcPaint);
  const bool erase = w->erase;
  ++w->paints;
  w->update = {0, 0, 0, 0};
  w->erase = false;
  if (erase) paint->fErase = Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) == 0;
  return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (paint == nullptr) return FALSE;
  ReleaseDC(hwnd, paint->hdc);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (hwnd == nullptr) {
    for (auto& entry : g_windows) InvalidateRect(entry.second->handle, rect, erase);
    return TRUE;
  }
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  RECT area = {0, 0, Width(w->rect), Height(w->rect)};
  if (rect != nullptr) area = Intersection(area, *rect);
  if (IsEmpty(area)) return TRUE;
  w->update = BoundingUnion(w->update, area);
  w->erase = w->erase || erase;
  return TRUE;
}

// The update region is kept as its bounding rectangle: a rectangle covering it validates it all,
// one that does not leaves it all to paint.
BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  if (rect == nullptr || (rect->left <= w->update.left && rect->top <= w->update.top &&
                          rect->right >= w->update.right && rect->bottom >= w->update.bottom)) {
    w->update = {0, 0, 0, 0};
    w->erase = false;
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  Window* w = Find(hwnd);
  if (w == nullptr) return FALSE;
  const bool pending = !IsEmpty(w->update);
  if (rect != nullptr) *rect = pending ? w->update : RECT{0, 0, 0, 0};
  return pending;
}

HDC GetDC(HWND hwnd) {
  if (hwnd == nullptr) return CreateWindowContext(NoPixels, nullptr, nullptr);  // the screen
  if (Find(hwnd) == nullptr) return nullptr;
  return CreateWindowContext(PixelsOf, hwnd, nullptr);
}

int ReleaseDC(HWND hwnd, HDC dc) {
  if (!DeleteDC(dc)) return 0;
  Window* w = Find(hwnd);
  if (w != nullptr) Present(w);
  return 1;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a != nullptr && b != nullptr && a->left == b->left && a->top == b->top &&
         a->right == b->right && a->bottom == b->bottom;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(intptr_t{-1}); }

DWORD GetGuiResources(HANDLE, DWORD kind) { return kind == GR_GDIOBJECTS ? LiveGdiObjects() : 0; }

}  // namespace portable_win32
