// The view: half client size, scale, orbit seed and length, and the flags the window procedure
// sets and the renderers read. Also the one mapping between client pixels and the complex plane.
#pragma once

#include <cstdint>

extern int32_t g_halfWidth;   // W: half the client width, rounded down
extern int32_t g_halfHeight;  // H: half the client height, rounded down
extern float g_scale;         // s: distance from the view centre to the top edge
extern int32_t g_mouseX;      // orbit seed, client pixels
extern int32_t g_mouseY;
extern int32_t g_orbitSteps;     // most orbit steps to compute, 0 ... kOrbitStepLimit
extern uint8_t g_redrawFractal;  // the fractal layer must be rendered before it is shown
extern uint8_t g_fullScreen;     // the window is in full-screen mode
extern uint8_t g_showSquares;    // the orbit polyline also passes through each z squared

// The most orbit steps a drag can ask for; the orbit array holds one more entry.
constexpr int32_t kOrbitStepLimit = 4095;

// For tests: restores every view variable to its start value.
void ResetViewState();

// Pixel offset (x - W or y - H) to a coordinate of the complex plane: the product and quotient
// are taken in double from the integer difference, then rounded once to float.
float PixelToPlane(int32_t offset, float scale, int32_t halfHeight);

// A plane coordinate (a float, or the real part carried in double) back to a pixel:
// origin + trunc(Hf * value / s). Values beyond the 32-bit range, or not a number, are clamped
// so that the conversion to an integer is always defined.
int32_t PlaneToPixel(int32_t origin, double value, float scale, int32_t halfHeight);

// origin + trunc(offset) as a pixel coordinate, clamped to the 32-bit range; an offset that is
// not a number counts as 0.
int32_t OffsetPixel(int32_t origin, double offset);
