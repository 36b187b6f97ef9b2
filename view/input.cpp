#include "view/input.h"

#include "view/view_arithmetic.h"
#include "view/view_state.h"

namespace {

// The whole client area, without erasing: every paint copies a whole frame over it.
void Invalidate(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

void ToggleFullScreen(HWND hwnd);

}  // namespace

LRESULT OnKeyDown(HWND hwnd, WPARAM key, LPARAM lParam) {
  switch (key) {
    case VK_ESCAPE:
      DestroyWindow(hwnd);
      return 0;
    case VK_ADD:
    case VK_OEM_PLUS:
      g_scale = ZoomIn(g_scale);
      break;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
      g_scale = ZoomOut(g_scale);
      break;
    case VK_F5:
      g_redrawFractal = 1;
      break;
    case VK_F11:
      ToggleFullScreen(hwnd);
      return 0;
    default:
      return DefWindowProcA(hwnd, WM_KEYDOWN, key, lParam);
  }
  Invalidate(hwnd);
  return 0;
}

LRESULT OnMouseMove(HWND hwnd, bool leftButton, uint16_t x, uint16_t y) {
  if (leftButton) {
    g_orbitSteps = OrbitStepsForDrag(y);  // the seed stays where the drag began
  } else {
    g_mouseX = x;
    g_mouseY = y;
  }
  Invalidate(hwnd);
  return 0;
}

LRESULT OnRightButtonDown(HWND hwnd) {
  g_showSquares = !g_showSquares;
  Invalidate(hwnd);
  return 0;
}

LRESULT OnMouseWheel(HWND hwnd, int16_t delta) {
  // One step per message, whatever the delta's size; a zero delta zooms in.
  g_scale = delta > 0 ? ZoomOut(g_scale) : ZoomIn(g_scale);
  Invalidate(hwnd);
  return 0;
}

namespace {

// Switches between the overlapped window and a borderless maximized popup.
void ToggleFullScreen(HWND hwnd) {
  g_fullScreen = !g_fullScreen;
  // Neither style has WS_VISIBLE: ShowWindow or SWP_SHOWWINDOW shows the window again.
  if (g_fullScreen) {
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  } else {
    ShowWindow(hwnd, SW_RESTORE);
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(WS_OVERLAPPEDWINDOW));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  }
}

}  // namespace
