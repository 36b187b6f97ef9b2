// The view state as one value, so that a test compares every variable at once and a command that
// touches more than it should is caught too. The scale is kept by its bits: zoom results must
// agree to the last bit. No platform header and no test framework.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>

#include "view/view_state.h"

inline uint32_t BitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
inline float FloatOf(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The zoom factors by their bits (1.06 and 0.9433963), so that a wrong constant in the program
// shows.
constexpr uint32_t kZoomOutBits = 0x3F87AE14;
constexpr uint32_t kZoomInBits = 0x3F71826B;

struct ViewSnapshot {
  int32_t halfWidth, halfHeight;
  uint32_t scaleBits;
  int32_t mouseX, mouseY, orbitSteps;
  int redraw, fullScreen, squares;
};

inline bool operator==(const ViewSnapshot& a, const ViewSnapshot& b) {
  return a.halfWidth == b.halfWidth && a.halfHeight == b.halfHeight && a.scaleBits == b.scaleBits &&
         a.mouseX == b.mouseX && a.mouseY == b.mouseY && a.orbitSteps == b.orbitSteps &&
         a.redraw == b.redraw && a.fullScreen == b.fullScreen && a.squares == b.squares;
}

inline void PrintTo(const ViewSnapshot& v, std::ostream* os) {
  *os << "{W " << v.halfWidth << ", H " << v.halfHeight << ", scale 0x" << std::hex << v.scaleBits
      << std::dec << ", seed " << v.mouseX << "," << v.mouseY << ", steps " << v.orbitSteps
      << ", redraw " << v.redraw << ", full " << v.fullScreen << ", squares " << v.squares << "}";
}

inline ViewSnapshot CurrentView() {
  return {g_halfWidth,  g_halfHeight,    BitsOf(g_scale), g_mouseX,     g_mouseY,
          g_orbitSteps, g_redrawFractal, g_fullScreen,    g_showSquares};
}
