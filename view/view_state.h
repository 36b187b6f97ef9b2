// The view: half client size, scale, orbit seed and length, and the flags the window procedure
// sets and the renderers read. The mapping between pixels and the plane is in plane_mapping.h.
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
