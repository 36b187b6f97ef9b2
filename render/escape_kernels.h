// The row kernels of the escape-time raster: the scalar reference and its vector forms, which
// give the same bytes. The program takes FastestEscapeRowKernel(); tests and benchmarks walk
// every variant.
#pragma once

#include <cstdint>

#include "render/escape_raster.h"

// Seeds whose count is 50 without iterating: the closed main cardioid c = mu/2 - mu^2/4 with
// |mu| <= 1, the closed disc |c + 1| <= 1/4, and the discs below about the largest further
// bulbs, with their mirror images (the count of c and of its conjugate are the same: every
// rounding is symmetric). Every rounded orbit from such a seed stays within radius 2 for 50
// steps; the tests prove it by disc arithmetic over slightly larger regions, whose margin
// covers the error of the membership tests in the kernels.
constexpr double kCardioidMuSquaredLimit = 1.0;
constexpr double kBulbRadiusSquaredLimit = 0.0625;
struct InteriorDisc {
  double re, im, radiusSquared;  // im >= 0
};
constexpr int kInteriorDiscCount = 5;
constexpr InteriorDisc kInteriorDiscs[kInteriorDiscCount] = {
    {-0.1226, 0.7449, 0.094 * 0.094},  // period 3
    {-1.3107, 0.0, 0.06 * 0.06},       // period 4
    {0.2822, 0.5301, 0.044 * 0.044},   // period 4
    {-0.5044, 0.5627, 0.04 * 0.04},    // period 5
    {0.3795, 0.3349, 0.024 * 0.024},   // period 5
};
// All the regions lie inside the first box of the plane, the cardioid inside the second; outside
// them their membership tests are not run.
constexpr double kInteriorLeft = -1.38, kInteriorRight = 0.41, kInteriorTop = 0.85;
constexpr double kCardioidLeft = -0.76, kCardioidRight = 0.38, kCardioidTop = 0.66;

// The vector kernels are x86 code; on other CPUs the scalar reference is the kernel.
#if defined(__x86_64__) || defined(_M_X64)
#define OSTREVANE_X86_KERNELS 1
#else
#define OSTREVANE_X86_KERNELS 0
#endif

#if OSTREVANE_X86_KERNELS
// Two pixels a vector; every x86-64 CPU has SSE2.
void EscapeRowSse2(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight, float scale,
                   float ci);
// The same, with seeds in the regions above set to 50 steps without iterating.
void EscapeRowSse2Interior(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight,
                           float scale, float ci);
// Four pixels a vector: call only when CpuRunsAvx2().
void EscapeRowAvx2(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight, float scale,
                   float ci);
void EscapeRowAvx2Interior(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight,
                           float scale, float ci);
#endif

// The CPU has AVX2 and the operating system saves the 256-bit registers.
bool CpuRunsAvx2();

struct EscapeRowVariant {
  const char* name;
  EscapeRowKernel kernel;
  bool (*runs)();  // whether this CPU can execute the kernel
};

constexpr int kEscapeRowVariantCount = OSTREVANE_X86_KERNELS ? 5 : 1;
// Variant 0 is the scalar reference.
extern const EscapeRowVariant kEscapeRowVariants[kEscapeRowVariantCount];
