// The escape-time row on WebAssembly's 128-bit SIMD: two pixels a vector, as on SSE2. Built only
// for wasm32 with -msimd128; an engine without SIMD refuses the whole module, so no run-time check.
#include <wasm_simd128.h>

#include "render/escape_lanes.h"

namespace {

// The lane operations of render/escape_lanes.h; floats use the low half of a vector, and the
// conversions, like SSE2's, are the single IEEE roundings of each lane (the upper float lanes of
// a demotion are zero).
struct Simd128Lanes {
  using Doubles = v128_t;  // f64x2
  using Floats = v128_t;   // f32x4
  static constexpr int kLanes = 2;
  static Doubles Zero() { return wasm_f64x2_const_splat(0.0); }
  static Doubles Broadcast(double x) { return wasm_f64x2_splat(x); }
  static Doubles Add(Doubles a, Doubles b) { return wasm_f64x2_add(a, b); }
  static Doubles Mul(Doubles a, Doubles b) { return wasm_f64x2_mul(a, b); }
  static Floats ToFloats(Doubles a) { return wasm_f32x4_demote_f64x2_zero(a); }
  static Doubles ToDoubles(Floats a) { return wasm_f64x2_promote_low_f32x4(a); }
  static Floats AddFloats(Floats a, Floats b) { return wasm_f32x4_add(a, b); }
  static Floats MulFloats(Floats a, Floats b) { return wasm_f32x4_mul(a, b); }
  static Floats SubFloats(Floats a, Floats b) { return wasm_f32x4_sub(a, b); }
  static Floats LoadFloats(const float* p) { return wasm_v128_load64_zero(p); }
  // Not a number is not at least 4: the negation of the ordered comparison.
  static int NotAtLeast(Floats a, Floats b) {
    return static_cast<int>(wasm_i32x4_bitmask(wasm_v128_not(wasm_f32x4_ge(a, b))));
  }
  static int Equal(Floats a, Floats b) {
    return static_cast<int>(wasm_i32x4_bitmask(wasm_f32x4_eq(a, b)));
  }
  static int Greater(Doubles a, Doubles b) {
    return static_cast<int>(wasm_i64x2_bitmask(wasm_f64x2_gt(a, b)));
  }
  // There is no 16-bit high multiplication: 32k/50 = (656 k) >> 10 for every k <= 50 instead,
  // whose product fits in 16 bits; 255 - g is the complement of g.
  static void WriteSixteenGreys(uint8_t* out, const uint8_t* counts) {
    const v128_t k = wasm_v128_load(counts);
    const v128_t factor = wasm_i16x8_const_splat(656);
    const v128_t low = wasm_u16x8_shr(wasm_i16x8_mul(wasm_u16x8_extend_low_u8x16(k), factor), 10);
    const v128_t high = wasm_u16x8_shr(wasm_i16x8_mul(wasm_u16x8_extend_high_u8x16(k), factor), 10);
    const v128_t greys = wasm_v128_not(wasm_u8x16_narrow_i16x8(low, high));
    // Each grey to three bytes: three byte shuffles.
    const v128_t first =
        wasm_i8x16_shuffle(greys, greys, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const v128_t second =
        wasm_i8x16_shuffle(greys, greys, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const v128_t third = wasm_i8x16_shuffle(greys, greys, 10, 11, 11, 11, 12, 12, 12, 13, 13, 13,
                                            14, 14, 14, 15, 15, 15);
    wasm_v128_store(out, first);
    wasm_v128_store(out + 16, second);
    wasm_v128_store(out + 32, third);
  }
};

}  // namespace

void EscapeRowSimd128IterateAll(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<Simd128Lanes, false>(row, columns, ci);
}

void EscapeRowSimd128SkipKnown(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<Simd128Lanes, true>(row, columns, ci);
}
