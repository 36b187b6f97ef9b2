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
// covers the error of the membership test below.
constexpr double kCardioidMuSquaredLimit = 1.0;
constexpr double kBulbRadiusSquaredLimit = 0.0625;
struct InteriorDisc {
  double re, im, radiusSquared;  // im >= 0
};
constexpr int kInteriorDiscCount = 11;
constexpr InteriorDisc kInteriorDiscs[kInteriorDiscCount] = {
    {-0.1226, 0.7449, 0.094 * 0.094},  // period 3
    {-1.3107, 0.0, 0.06 * 0.06},       // period 4
    {0.2822, 0.5301, 0.044 * 0.044},   // period 4
    {-0.5044, 0.5627, 0.04 * 0.04},    // period 5
    {0.3795, 0.3349, 0.024 * 0.024},   // period 5
    {-1.1382, 0.2393, 0.025 * 0.025},  // period 6, on the disc about -1
    {-0.1132, 0.86, 0.0205 * 0.0205},  // period 6, on the period-3 bulb
    {0.3892, 0.2162, 0.013 * 0.013},   // period 6
    {-0.622, 0.425, 0.019 * 0.019},    // period 7
    {0.1209, 0.611, 0.0155 * 0.0155},  // period 7
    {-0.9998, 0.2652, 0.014 * 0.014},  // period 8, on the disc about -1
};

// The columns of one row whose counts are known without iterating them, and the spans left to
// iterate. A column in neither kind of range escapes at the first step: its count is 0.
constexpr int kInteriorRangeLimit = 2 + kInteriorDiscCount;
struct EscapeRowPlan {
  int32_t interiorCount;  // ranges of count 50: sorted, disjoint
  int32_t interiorBegin[kInteriorRangeLimit], interiorEnd[kInteriorRangeLimit];
  int32_t spanCount;  // ranges to iterate: sorted, disjoint
  int32_t spanBegin[kInteriorRangeLimit + 1], spanEnd[kInteriorRangeLimit + 1];
};

// Whether a seed lies in one of the interior regions; the test errs by far less than 1e-12 in
// |mu|^2 and in the squared distances to the disc centres.
bool InInteriorRegion(float cr, float ci);

// The plan of a row (imaginary part ci). Without ascending seeds it iterates every column.
void PlanEscapeRow(const EscapeColumns& columns, float ci, EscapeRowPlan* plan);

// The vector kernels are x86 code, AArch64's NEON (little-endian, as Linux, macOS and Windows run
// it), and WebAssembly's SIMD where the build enables it; elsewhere the scalar reference is the
// kernel.
#if defined(__x86_64__) || defined(_M_X64)
#define OSTREVANE_X86_KERNELS 1
#else
#define OSTREVANE_X86_KERNELS 0
#endif
#if (defined(__aarch64__) && !defined(__AARCH64EB__)) || defined(_M_ARM64)
#define OSTREVANE_NEON_KERNELS 1
#else
#define OSTREVANE_NEON_KERNELS 0
#endif
#if defined(__wasm_simd128__)
#define OSTREVANE_SIMD128_KERNELS 1
#else
#define OSTREVANE_SIMD128_KERNELS 0
#endif

#if OSTREVANE_X86_KERNELS
// Two pixels a vector, every column iterated; every x86-64 CPU has SSE2.
void EscapeRowSse2IterateAll(uint8_t* row, const EscapeColumns& columns, float ci);
// The same, iterating only the spans of PlanEscapeRow.
void EscapeRowSse2SkipKnown(uint8_t* row, const EscapeColumns& columns, float ci);
// Four pixels a vector: call only when CpuRunsAvx2().
void EscapeRowAvx2IterateAll(uint8_t* row, const EscapeColumns& columns, float ci);
void EscapeRowAvx2SkipKnown(uint8_t* row, const EscapeColumns& columns, float ci);
// Eight pixels a vector: call only when CpuRunsAvx512().
void EscapeRowAvx512IterateAll(uint8_t* row, const EscapeColumns& columns, float ci);
void EscapeRowAvx512SkipKnown(uint8_t* row, const EscapeColumns& columns, float ci);
#endif

#if OSTREVANE_NEON_KERNELS
// Two pixels a vector, every column iterated, and the same over the spans of PlanEscapeRow.
void EscapeRowNeonIterateAll(uint8_t* row, const EscapeColumns& columns, float ci);
void EscapeRowNeonSkipKnown(uint8_t* row, const EscapeColumns& columns, float ci);
#endif

#if OSTREVANE_SIMD128_KERNELS
// Two pixels a vector, every column iterated, and the same over the spans of PlanEscapeRow.
void EscapeRowSimd128IterateAll(uint8_t* row, const EscapeColumns& columns, float ci);
void EscapeRowSimd128SkipKnown(uint8_t* row, const EscapeColumns& columns, float ci);
#endif

// The CPU has AVX2 and the operating system saves the 256-bit registers.
bool CpuRunsAvx2();
// The CPU has AVX-512 F, BW and VL, and the operating system saves the mask and 512-bit registers.
bool CpuRunsAvx512();

// The fastest row kernel this CPU runs; chosen once.
EscapeRowKernel FastestEscapeRowKernel();

struct EscapeRowVariant {
  const char* name;
  EscapeRowKernel kernel;
  bool (*runs)();  // whether this CPU can execute the kernel
};

constexpr int kEscapeRowVariantCount = OSTREVANE_X86_KERNELS                                 ? 7
                                       : OSTREVANE_NEON_KERNELS || OSTREVANE_SIMD128_KERNELS ? 3
                                                                                             : 1;
// Variant 0 is the scalar reference.
extern const EscapeRowVariant kEscapeRowVariants[kEscapeRowVariantCount];
