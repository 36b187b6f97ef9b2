// The escape-time row on AVX2: four pixels a vector. This file alone is compiled for AVX2 and
// runs only after CpuRunsAvx2(), so it defines everything it uses itself and nothing that other
// files could share: an inline function or a library template compiled here could be the copy
// the linker keeps for the rest of the program.
#include <immintrin.h>

#include "render/escape_greys_x86.h"
#include "render/escape_lanes.h"

namespace {

// The lane operations of render/escape_lanes.h: four doubles, or four floats in half a vector.
struct Avx2Lanes {
  using Doubles = __m256d;
  using Floats = __m128;
  static constexpr int kLanes = 4;
  static Doubles Zero() { return _mm256_setzero_pd(); }
  static Doubles Broadcast(double x) { return _mm256_set1_pd(x); }
  static Doubles Add(Doubles a, Doubles b) { return _mm256_add_pd(a, b); }
  static Doubles Mul(Doubles a, Doubles b) { return _mm256_mul_pd(a, b); }
  static Floats ToFloats(Doubles a) { return _mm256_cvtpd_ps(a); }
  static Doubles ToDoubles(Floats a) { return _mm256_cvtps_pd(a); }
  static Floats AddFloats(Floats a, Floats b) { return _mm_add_ps(a, b); }
  static Floats MulFloats(Floats a, Floats b) { return _mm_mul_ps(a, b); }
  static Floats SubFloats(Floats a, Floats b) { return _mm_sub_ps(a, b); }
  static Floats LoadFloats(const float* p) { return _mm_loadu_ps(p); }
  static int NotAtLeast(Floats a, Floats b) { return _mm_movemask_ps(_mm_cmpnge_ps(a, b)); }
  static int Equal(Floats a, Floats b) { return _mm_movemask_ps(_mm_cmpeq_ps(a, b)); }
  static int Greater(Doubles a, Doubles b) {
    return _mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_GT_OQ));
  }
  static void WriteSixteenGreys(uint8_t* out, const uint8_t* counts) {
    StoreTripledByShuffles<Avx2Lanes>(out, GreysOfCounts(counts));
  }
};

}  // namespace

void EscapeRowAvx2IterateAll(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<Avx2Lanes, false>(row, columns, ci);
}

void EscapeRowAvx2SkipKnown(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<Avx2Lanes, true>(row, columns, ci);
}
