// The escape-time row on SSE2: two pixels a vector.
#include <emmintrin.h>

#include "render/escape_greys_x86.h"
#include "render/escape_lanes.h"

namespace {

// The lane operations of render/escape_lanes.h; floats use the low half of a vector.
struct Sse2Lanes {
  using Doubles = __m128d;
  using Floats = __m128;
  static constexpr int kLanes = 2;
  static Doubles Zero() { return _mm_setzero_pd(); }
  static Doubles Broadcast(double x) { return _mm_set1_pd(x); }
  static Doubles Add(Doubles a, Doubles b) { return _mm_add_pd(a, b); }
  static Doubles Mul(Doubles a, Doubles b) { return _mm_mul_pd(a, b); }
  static Floats ToFloats(Doubles a) { return _mm_cvtpd_ps(a); }
  static Doubles ToDoubles(Floats a) { return _mm_cvtps_pd(a); }
  static Floats AddFloats(Floats a, Floats b) { return _mm_add_ps(a, b); }
  static Floats MulFloats(Floats a, Floats b) { return _mm_mul_ps(a, b); }
  static Floats SubFloats(Floats a, Floats b) { return _mm_sub_ps(a, b); }
  static Floats LoadFloats(const float* p) {
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
  }
  static int NotAtLeast(Floats a, Floats b) { return _mm_movemask_ps(_mm_cmpnge_ps(a, b)); }
  static int Equal(Floats a, Floats b) { return _mm_movemask_ps(_mm_cmpeq_ps(a, b)); }
  static int Greater(Doubles a, Doubles b) { return _mm_movemask_pd(_mm_cmpgt_pd(a, b)); }
  static void WriteSixteenGreys(uint8_t* out, const uint8_t* counts) {
    StoreTripledOneByOne(out, GreysOfCounts(counts));
  }
};

}  // namespace

void EscapeRowSse2IterateAll(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<Sse2Lanes, false>(row, columns, ci);
}

void EscapeRowSse2SkipKnown(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<Sse2Lanes, true>(row, columns, ci);
}
