#include "view/view_state.h"

namespace {

// The start values, once: the definitions below and ResetViewState take them from here.
constexpr float kStartScale = 1.0f;
constexpr int32_t kStartOrbitSteps = 200;
constexpr uint8_t kStartRedrawFractal = 1;  // the first paint renders the picture

}  // namespace

int32_t g_halfWidth = 0;
int32_t g_halfHeight = 0;
float g_scale = kStartScale;
int32_t g_mouseX = 0;
int32_t g_mouseY = 0;
int32_t g_orbitSteps = kStartOrbitSteps;
uint8_t g_redrawFractal = kStartRedrawFractal;
uint8_t g_fullScreen = 0;
uint8_t g_showSquares = 0;

void ResetViewState() {
  g_halfWidth = 0;
  g_halfHeight = 0;
  g_scale = kStartScale;
  g_mouseX = 0;
  g_mouseY = 0;
  g_orbitSteps = kStartOrbitSteps;
  g_redrawFractal = kStartRedrawFractal;
  g_fullScreen = 0;
  g_showSquares = 0;
}
