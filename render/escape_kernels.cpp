#include "render/escape_kernels.h"

#include <cmath>

#if OSTREVANE_X86_KERNELS && defined(_MSC_VER)
#include <immintrin.h>  // _xgetbv
#include <intrin.h>     // __cpuid, __cpuidex
#endif

namespace {

bool AlwaysRuns() { return true; }

#if OSTREVANE_X86_KERNELS && defined(_MSC_VER)
// Whether CPUID leaf 7 reports every feature bit of `ebx`, and the operating system saves every
// register state of `xcr0` (so a context switch keeps the registers those features use).
bool CpuidLeaf7Has(unsigned ebx, unsigned long long xcr0) {
  int info[4];
  __cpuid(info, 0);
  if (info[0] < 7) return false;
  __cpuid(info, 1);
  const bool osxsave = (info[2] & (1 << 27)) != 0;
  if (!osxsave || (_xgetbv(0) & xcr0) != xcr0) return false;
  __cpuidex(info, 7, 0);
  return (static_cast<unsigned>(info[1]) & ebx) == ebx;
}
#endif

// Region 0 is the main cardioid, 1 the disc about -1, 2 ... the discs of kInteriorDiscs. The
// margin narrows the test: a seed that passes with margin 1e-12 lies in the exact region.
constexpr int kRegionCount = 2 + kInteriorDiscCount;
constexpr double kEndMargin = 1e-12;

// The cardioid is |mu|^2 <= 1 with mu = 1 - sqrt(w), w = 1 - 4c, |mu|^2 = 1 - 2 Re sqrt(w) + |w|.
bool InRegion(int region, double cr, double ci, double margin) {
  if (region == 0) {
    const double wr = 1.0 - 4.0 * cr;
    const double wi = 4.0 * ci;
    const double w = std::sqrt(wr * wr + wi * wi);
    const double root = std::sqrt((w + wr) * 0.5);
    return (1.0 + w) - (root + root) <= kCardioidMuSquaredLimit - margin;
  }
  if (region == 1) {
    const double shifted = cr + 1.0;
    return shifted * shifted + ci * ci <= kBulbRadiusSquaredLimit - margin;
  }
  const InteriorDisc& disc = kInteriorDiscs[region - 2];
  const double dx = cr - disc.re;
  const double dy = std::fabs(ci) - disc.im;
  return dx * dx + dy * dy <= disc.radiusSquared - margin;
}

// The main cardioid's boundary at height y, mu = e^(i theta), u = cos theta, has
// 4 y^2 = (1 - u)^3 (1 + u) and x = 1/4 + u (1 - u) / 2. The left side rises on [-1, -1/2], the
// right side falls on [-1/2, 1]: each height is crossed twice and its section is one interval.
double CardioidHeight(double u) { return (1 - u) * (1 - u) * (1 - u) * (1 + u); }

// Both crossings at once, so that the two bisections overlap; 42 halvings leave u within
// 1.5 * 2^-42, far below a pixel of any view the viewer shows (the ends are checked anyway).
void CardioidCrossings(double target, double& left, double& right) {
  double leftLo = -1.0, leftHi = -0.5, rightLo = -0.5, rightHi = 1.0;
  for (int i = 0; i < 42; ++i) {
    const double leftMid = 0.5 * (leftLo + leftHi);
    const double rightMid = 0.5 * (rightLo + rightHi);
    if (CardioidHeight(leftMid) < target) {
      leftLo = leftMid;
    } else {
      leftHi = leftMid;
    }
    if (CardioidHeight(rightMid) < target) {
      rightHi = rightMid;
    } else {
      rightLo = rightMid;
    }
  }
  const double u1 = 0.5 * (leftLo + leftHi), u2 = 0.5 * (rightLo + rightHi);
  left = 0.25 + u1 * (1 - u1) / 2;
  right = 0.25 + u2 * (1 - u2) / 2;
}

// The section of a region at height y (>= 0), or false where the row misses it. Only an
// approximation: the ends of its columns are checked by InRegion.
bool RegionSection(int region, double y, double& left, double& right) {
  double half2 = 0, centre = 0;
  if (region == 0) {
    const double target = 4 * y * y;
    if (!(target < CardioidHeight(-0.5))) return false;
    CardioidCrossings(target, left, right);
    return true;
  }
  if (region == 1) {
    centre = -1.0;
    half2 = kBulbRadiusSquaredLimit - y * y;
  } else {
    const InteriorDisc& disc = kInteriorDiscs[region - 2];
    centre = disc.re;
    half2 = disc.radiusSquared - (y - disc.im) * (y - disc.im);
  }
  if (!(half2 > 0)) return false;
  left = centre - std::sqrt(half2);
  right = centre + std::sqrt(half2);
  return true;
}

// The first index of [lo, hi) at which `holds` is true, for a test that is false and then true
// along the range (hi if it never holds).
template <class Test>
int32_t FirstHolding(int32_t lo, int32_t hi, Test holds) {
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (holds(mid)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

// Columns [begin, end) of region `region`, both ends verified, or an empty range.
void RegionColumns(int region, const float* cr, float ci, int32_t lo, int32_t hi, int32_t& begin,
                   int32_t& end) {
  begin = end = lo;
  double left = 0, right = 0;
  if (!RegionSection(region, std::fabs(static_cast<double>(ci)), left, right)) return;
  int32_t a = FirstHolding(lo, hi, [&](int32_t j) { return cr[j] >= left; });
  int32_t b = FirstHolding(a, hi, [&](int32_t j) { return cr[j] > right; });
  // The section is an interval and the seeds ascend: every column between two ends that lie in
  // the region lies in it too. The ends are checked with a margin far above the test's error, so
  // they lie in the exact region; rounding in the section may put an end a column or two outside.
  for (int tries = 0; tries < 8 && a < b && !InRegion(region, cr[a], ci, kEndMargin); ++tries) ++a;
  for (int tries = 0; tries < 8 && a < b && !InRegion(region, cr[b - 1], ci, kEndMargin); ++tries) {
    --b;
  }
  if (a < b && InRegion(region, cr[a], ci, kEndMargin) &&
      InRegion(region, cr[b - 1], ci, kEndMargin)) {
    begin = a;
    end = b;
  }
}

}  // namespace

bool InInteriorRegion(float cr, float ci) {
  for (int region = 0; region < kRegionCount; ++region) {
    if (InRegion(region, cr, ci, 0.0)) return true;
  }
  return false;
}

void PlanEscapeRow(const EscapeColumns& columns, float ci, EscapeRowPlan* plan) {
  const int32_t count = columns.count;
  plan->interiorCount = 0;
  plan->spanCount = 1;
  plan->spanBegin[0] = 0;
  plan->spanEnd[0] = count;
  if (!columns.ascending) return;
  const float* cr = columns.cr;
  // The reference's first step gives zr = cr and zi = ci exactly; below is its escape test on
  // their rounded squares. The test only grows with |cr|, which falls and then rises along
  // ascending seeds: the columns that escape at once are a prefix and a suffix of the row.
  const double zi2 = static_cast<float>(static_cast<double>(ci) * ci);
  const auto escapesAtOnce = [&](int32_t j) {
    return static_cast<double>(static_cast<float>(static_cast<double>(cr[j]) * cr[j])) + zi2 > 4.0;
  };
  const int32_t zero = FirstHolding(0, count, [&](int32_t j) { return cr[j] >= 0; });
  const int32_t first = FirstHolding(0, zero, [&](int32_t j) { return !escapesAtOnce(j); });
  const int32_t last = FirstHolding(zero, count, escapesAtOnce);
  if (first == last) {  // every column escapes at once: rows far above or below the set
    plan->spanCount = 0;
    return;
  }
  int32_t begin[kInteriorRangeLimit], end[kInteriorRangeLimit];
  int32_t ranges = 0;
  for (int region = 0; region < kRegionCount; ++region) {
    RegionColumns(region, cr, ci, first, last, begin[ranges], end[ranges]);
    if (begin[ranges] == end[ranges]) continue;
    // Kept sorted by their starts.
    for (int32_t r = ranges; r > 0 && begin[r - 1] > begin[r]; --r) {
      const int32_t b = begin[r], e = end[r];
      begin[r] = begin[r - 1];
      end[r] = end[r - 1];
      begin[r - 1] = b;
      end[r - 1] = e;
    }
    ++ranges;
  }
  // Regions touch or overlap (the cardioid and the disc at -3/4): merged.
  int32_t merged = 0;
  for (int32_t r = 0; r < ranges; ++r) {
    if (merged > 0 && begin[r] <= plan->interiorEnd[merged - 1]) {
      if (end[r] > plan->interiorEnd[merged - 1]) plan->interiorEnd[merged - 1] = end[r];
      continue;
    }
    plan->interiorBegin[merged] = begin[r];
    plan->interiorEnd[merged] = end[r];
    ++merged;
  }
  plan->interiorCount = merged;
  int32_t spans = 0, from = first;
  for (int32_t r = 0; r <= merged; ++r) {
    const int32_t to = r < merged ? plan->interiorBegin[r] : last;
    if (from < to) {
      plan->spanBegin[spans] = from;
      plan->spanEnd[spans] = to;
      ++spans;
    }
    if (r < merged) from = plan->interiorEnd[r];
  }
  plan->spanCount = spans;
}

bool CpuRunsAvx2() {
#if !OSTREVANE_X86_KERNELS
  return false;
#elif defined(_MSC_VER)
  // First, for clang-cl too: __builtin_cpu_supports needs compiler-rt, which an MSVC link lacks.
  return CpuidLeaf7Has(1 << 5, 0x6);  // XMM and YMM state
#else
  // The runtime's CPU model checks OSXSAVE and XCR0 before it reports any AVX feature.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#endif
}

bool CpuRunsAvx512() {
#if !OSTREVANE_X86_KERNELS
  return false;
#elif defined(_MSC_VER)
  // F (bit 16), BW (30), VL (31); XMM, YMM, mask and both halves of the 512-bit state.
  return CpuidLeaf7Has((1u << 16) | (1u << 30) | (1u << 31), 0xE6);
#else
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl");
#endif
}

// One variant a line, across the preprocessor lines.
// clang-format off
const EscapeRowVariant kEscapeRowVariants[kEscapeRowVariantCount] = {
    {"scalar", EscapeRowScalar, AlwaysRuns},
#if OSTREVANE_X86_KERNELS
    {"sse2-iterate-all", EscapeRowSse2IterateAll, AlwaysRuns},
    {"sse2-skip-known", EscapeRowSse2SkipKnown, AlwaysRuns},
    {"avx2-iterate-all", EscapeRowAvx2IterateAll, CpuRunsAvx2},
    {"avx2-skip-known", EscapeRowAvx2SkipKnown, CpuRunsAvx2},
    {"avx512-iterate-all", EscapeRowAvx512IterateAll, CpuRunsAvx512},
    {"avx512-skip-known", EscapeRowAvx512SkipKnown, CpuRunsAvx512},
#endif
#if OSTREVANE_NEON_KERNELS
    {"neon-iterate-all", EscapeRowNeonIterateAll, AlwaysRuns},
    {"neon-skip-known", EscapeRowNeonSkipKnown, AlwaysRuns},
#endif
#if OSTREVANE_SIMD128_KERNELS
    {"simd128-iterate-all", EscapeRowSimd128IterateAll, AlwaysRuns},
    {"simd128-skip-known", EscapeRowSimd128SkipKnown, AlwaysRuns},
#endif
};
// clang-format on

EscapeRowKernel FastestEscapeRowKernel() {
#if OSTREVANE_X86_KERNELS
  static const EscapeRowKernel chosen = CpuRunsAvx512() ? EscapeRowAvx512SkipKnown
                                        : CpuRunsAvx2() ? EscapeRowAvx2SkipKnown
                                                        : EscapeRowSse2SkipKnown;
  return chosen;
#elif OSTREVANE_NEON_KERNELS
  return EscapeRowNeonSkipKnown;
#elif OSTREVANE_SIMD128_KERNELS
  return EscapeRowSimd128SkipKnown;
#else
  return EscapeRowScalar;
#endif
}
