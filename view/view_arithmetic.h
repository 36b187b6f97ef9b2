// The arithmetic of the input commands, apart from the messages that carry them.
#pragma once

#include <cstdint>

// 1.06 as a float (bits 0x3F87AE14): the view grows by 6 %.
constexpr float kZoomOutFactor = 1.06f;
// 1 / 1.06f rounded to float (bits 0x3F71826B), so that ten steps out and ten in return to 1.0.
// It is one unit above the float nearest to the exact 1 / 1.06.
constexpr float kZoomInFactor = 0.9433963f;

float ZoomOut(float scale);
float ZoomIn(float scale);

// Orbit length for a left-button drag at cursor row y: 4y, capped at 4095.
int32_t OrbitStepsForDrag(uint16_t y);
