#include "view/view_arithmetic.h"

#include "view/view_state.h"

// The double product of two floats is exact, so rounding it once to float is the float product.
float ZoomOut(float scale) {
  return static_cast<float>(static_cast<double>(scale) * kZoomOutFactor);
}

float ZoomIn(float scale) { return static_cast<float>(static_cast<double>(scale) * kZoomInFactor); }

int32_t OrbitStepsForDrag(uint16_t y) {
  const int32_t steps = 4 * int32_t{y};
  return steps > kOrbitStepLimit ? kOrbitStepLimit : steps;
}
