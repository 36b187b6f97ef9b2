// The escape-time row on AArch64's Advanced SIMD: two pixels a vector, as on SSE2. NEON is part
// of every AArch64 CPU, so no run-time check. The build's -ffp-contract=off keeps each
// multiplication and addition below apart: GCC fuses vmulq_f64 and vaddq_f64 into fmla without
// it, and the reference rounds the product before it adds.
#include <arm_neon.h>

#include "render/escape_lanes.h"

namespace {

// The lane operations of render/escape_lanes.h: two doubles, and two floats in a 64-bit vector.
// The conversions are the single IEEE roundings of each lane, in the FPCR's default mode (round
// to nearest, subnormals kept).
struct NeonLanes {
  using Doubles = float64x2_t;
  using Floats = float32x2_t;
  static constexpr int kLanes = 2;
  static Doubles Zero() { return vdupq_n_f64(0.0); }
  static Doubles Broadcast(double x) { return vdupq_n_f64(x); }
  static Doubles Add(Doubles a, Doubles b) { return vaddq_f64(a, b); }
  static Doubles Mul(Doubles a, Doubles b) { return vmulq_f64(a, b); }
  static Floats ToFloats(Doubles a) { return vcvt_f32_f64(a); }
  static Doubles ToDoubles(Floats a) { return vcvt_f64_f32(a); }
  static Floats AddFloats(Floats a, Floats b) { return vadd_f32(a, b); }
  static Floats MulFloats(Floats a, Floats b) { return vmul_f32(a, b); }
  static Floats SubFloats(Floats a, Floats b) { return vsub_f32(a, b); }
  static Floats LoadFloats(const float* p) { return vld1_f32(p); }
  // There is no movemask: each lane's all-ones or zero keeps its own bit, and the bits are added.
  static int Bits(uint32x2_t mask) {
    const uint32_t bit[2] = {1, 2};
    return static_cast<int>(vaddv_u32(vand_u32(mask, vld1_u32(bit))));
  }
  // Not a number is not at least 4: the complement of the ordered comparison.
  static int NotAtLeast(Floats a, Floats b) { return Bits(vmvn_u32(vcge_f32(a, b))); }
  static int Equal(Floats a, Floats b) { return Bits(vceq_f32(a, b)); }
  static int Greater(Doubles a, Doubles b) {
    const uint64_t bit[2] = {1, 2};
    return static_cast<int>(vaddvq_u64(vandq_u64(vcgtq_f64(a, b), vld1q_u64(bit))));
  }
  // 32k/50 = (164 k) >> 8 for every k <= 50: the high byte of a byte product, taken by a narrowing
  // add of zero (GCC 12 refuses the shifts' immediates once inlined here); 255 - g is the
  // complement of g. One interleaving store writes each grey to three bytes.
  static void WriteSixteenGreys(uint8_t* out, const uint8_t* counts) {
    const uint8x16_t k = vld1q_u8(counts);
    const uint8x8_t factor = vdup_n_u8(164);
    const uint16x8_t zero = vdupq_n_u16(0);
    const uint8x8_t low = vaddhn_u16(vmull_u8(vget_low_u8(k), factor), zero);
    const uint8x8_t high = vaddhn_u16(vmull_high_u8(k, vcombine_u8(factor, factor)), zero);
    const uint8x16_t greys = vmvnq_u8(vcombine_u8(low, high));
    const uint8x16x3_t tripled = {{greys, greys, greys}};
    vst3q_u8(out, tripled);
  }
};

}  // namespace

void EscapeRowNeonIterateAll(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<NeonLanes, false>(row, columns, ci);
}

void EscapeRowNeonSkipKnown(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRow<NeonLanes, true>(row, columns, ci);
}
