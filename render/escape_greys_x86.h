// The greys of sixteen counts on x86, for the lane tables of the SSE2, AVX2 and AVX-512 files.
// Internal to the file that includes it, like render/escape_lanes.h.
#pragma once

#include <emmintrin.h>
#include <tmmintrin.h>

#include <cstdint>

namespace {

// 255 - ((41944 k) >> 16) for each of sixteen counts, as GreyOfCount does for one.
inline __m128i GreysOfCounts(const uint8_t* counts) {
  const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts));
  const __m128i factor = _mm_set1_epi16(static_cast<short>(0xA3D8));  // 41944
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_mulhi_epu16(_mm_unpacklo_epi8(k, zero), factor);
  const __m128i high = _mm_mulhi_epu16(_mm_unpackhi_epi8(k, zero), factor);
  return _mm_sub_epi8(_mm_set1_epi8(-1), _mm_packus_epi16(low, high));
}

// SSE2 has no byte shuffle: the sixteen greys go out one by one.
inline void StoreTripledOneByOne(uint8_t* out, __m128i greys) {
  uint8_t v[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(v), greys);
  for (int i = 0; i < 16; ++i) {
    out[3 * i] = v[i];
    out[3 * i + 1] = v[i];
    out[3 * i + 2] = v[i];
  }
}

// Each grey to three bytes with three byte shuffles: SSSE3, so only for the tables of files built
// for AVX2 or later (a template, compiled only where one of them uses it).
template <class L>
inline void StoreTripledByShuffles(uint8_t* out, __m128i greys) {
  const __m128i first = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
  const __m128i second = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
  const __m128i third =
      _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
  __m128i* to = reinterpret_cast<__m128i*>(out);
  _mm_storeu_si128(to, _mm_shuffle_epi8(greys, first));
  _mm_storeu_si128(to + 1, _mm_shuffle_epi8(greys, second));
  _mm_storeu_si128(to + 2, _mm_shuffle_epi8(greys, third));
}

}  // namespace
