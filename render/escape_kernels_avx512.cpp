// The escape-time row on AVX-512: eight pixels a vector. Like the AVX2 file, this one alone is
// compiled for its instruction set and runs only after CpuRunsAvx512(), so it defines everything
// it uses itself and nothing that other files could share.
#include <immintrin.h>

#include "render/escape_greys_x86.h"
#include "render/escape_lanes.h"

namespace {

// The lane operations of render/escape_lanes.h: eight doubles, or eight floats in half a vector.
// Comparisons give their lane masks directly.
struct Avx512Lanes {
  using Doubles = __m512d;
  using Floats = __m256;
  static constexpr int kLanes = 8;
  static Doubles Zero() { return _mm512_setzero_pd(); }
  static Doubles Broadcast(double x) { return _mm512_set1_pd(x); }
  static Doubles Add(Doubles a, Doubles b) { return _mm512_add_pd(a, b); }
  static Doubles Mul(Doubles a, Doubles b) { return _mm512_mul_pd(a, b); }
  // The zero-masked forms with every lane kept: GCC 12's plain forms read an uninitialized value.
  static Floats ToFloats(Doubles a) { return _mm512_maskz_cvtpd_ps(0xFF, a); }
  static Doubles ToDoubles(Floats a) { return _mm512_maskz_cvtps_pd(0xFF, a); }
  static Floats AddFloats(Floats a, Floats b) { return _mm256_add_ps(a, b); }
  static Floats MulFloats(Floats a, Floats b) { return _mm256_mul_ps(a, b); }
  static Floats SubFloats(Floats a, Floats b) { return _mm256_sub_ps(a, b); }
  static Floats LoadFloats(const float* p) { return _mm256_loadu_ps(p); }
  static int NotAtLeast(Floats a, Floats b) { return _mm256_cmp_ps_mask(a, b, _CMP_NGE_UQ); }
  static int Equal(Floats a, Floats b) { return _mm256_cmp_ps_mask(a, b, _CMP_EQ_OQ); }
  static int Greater(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
  static void WriteSixteenGreys(uint8_t* out, const uint8_t* counts) {
    StoreTripledByShuffles<Avx512Lanes>(out, GreysOfCounts(counts));
  }
};

}  // namespace

void EscapeRowAvx512IterateAll(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<Avx512Lanes, false>(row, columns, ci);
}

void EscapeRowAvx512SkipKnown(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<Avx512Lanes, true>(row, columns, ci);
}
