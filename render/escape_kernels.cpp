#include "render/escape_kernels.h"

#if OSTREVANE_X86_KERNELS && defined(_MSC_VER)
#include <immintrin.h>  // _xgetbv
#include <intrin.h>     // __cpuid, __cpuidex
#endif

namespace {

bool AlwaysRuns() { return true; }

}  // namespace

bool CpuRunsAvx2() {
#if !OSTREVANE_X86_KERNELS
  return false;
#elif defined(_MSC_VER)
  // First, for clang-cl too: __builtin_cpu_supports needs compiler-rt, which an MSVC link lacks.
  int info[4];
  __cpuid(info, 0);
  if (info[0] < 7) return false;
  __cpuid(info, 1);
  const bool osSavesYmm = (info[2] & (1 << 27)) != 0;  // OSXSAVE
  const bool avx = (info[2] & (1 << 28)) != 0;
  if (!osSavesYmm || !avx || (_xgetbv(0) & 6) != 6) return false;  // XMM and YMM state
  __cpuidex(info, 7, 0);
  return (info[1] & (1 << 5)) != 0;
#else
  // The runtime's CPU model checks OSXSAVE and XCR0 before it reports any AVX feature.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#endif
}

// One variant a line, across the preprocessor lines.
// clang-format off
const EscapeRowVariant kEscapeRowVariants[kEscapeRowVariantCount] = {
    {"scalar", EscapeRowScalar, AlwaysRuns},
#if OSTREVANE_X86_KERNELS
    {"sse2", EscapeRowSse2, AlwaysRuns},
    {"sse2+interior", EscapeRowSse2Interior, AlwaysRuns},
    {"avx2", EscapeRowAvx2, CpuRunsAvx2},
    {"avx2+interior", EscapeRowAvx2Interior, CpuRunsAvx2},
#endif
};
// clang-format on

EscapeRowKernel FastestEscapeRowKernel() {
#if OSTREVANE_X86_KERNELS
  static const EscapeRowKernel chosen =
      CpuRunsAvx2() ? EscapeRowAvx2Interior : EscapeRowSse2Interior;
  return chosen;
#else
  return EscapeRowScalar;
#endif
}
