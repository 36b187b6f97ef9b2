// The escape-time row on AVX2, four pixels a vector and three vectors at a time; the lanes do
// exactly what the SSE2 form does (see there). Interior pixels are written first; the others
// stream through the vectors, each of which takes new columns as soon as all its lanes are done.
// This file alone is compiled for AVX2 and runs only after CpuRunsAvx2(), so it defines
// everything it uses itself: an inline function from a shared header compiled here could be the
// copy the linker keeps for the rest of the program.
#include <immintrin.h>

#include "render/escape_kernels.h"

namespace {

constexpr int kLanes = 4;

inline __m256d RoundToFloat(__m256d x) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(x)); }

inline __m256d Seeds(int32_t j0, int32_t halfWidth, __m256d scale, __m256d halfHeight) {
  const __m128i offsets =
      _mm_setr_epi32(j0 - halfWidth, j0 + 1 - halfWidth, j0 + 2 - halfWidth, j0 + 3 - halfWidth);
  return RoundToFloat(_mm256_div_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(offsets), scale), halfHeight));
}

// The interior test of the SSE2 form.
inline __m256i InteriorCount(__m256d cr, __m256d ci, double absCi) {
  const __m256d near = _mm256_and_pd(_mm256_cmp_pd(cr, _mm256_set1_pd(kInteriorLeft), _CMP_GE_OQ),
                                     _mm256_cmp_pd(cr, _mm256_set1_pd(kInteriorRight), _CMP_LE_OQ));
  if (_mm256_movemask_pd(near) == 0) return _mm256_setzero_si256();
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d shifted = _mm256_add_pd(cr, one);
  const __m256d bulb2 = _mm256_add_pd(_mm256_mul_pd(shifted, shifted), _mm256_mul_pd(ci, ci));
  __m256d inside = _mm256_cmp_pd(bulb2, _mm256_set1_pd(kBulbRadiusSquaredLimit), _CMP_LE_OQ);
  for (const InteriorDisc& disc : kInteriorDiscs) {
    const __m256d dx = _mm256_sub_pd(cr, _mm256_set1_pd(disc.re));
    const __m256d dy = _mm256_set1_pd(absCi - disc.im);
    const __m256d d2 = _mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(dy, dy));
    inside =
        _mm256_or_pd(inside, _mm256_cmp_pd(d2, _mm256_set1_pd(disc.radiusSquared), _CMP_LE_OQ));
  }
  // The square roots are the dear part: only near the cardioid.
  const __m256d nearCardioid =
      _mm256_and_pd(_mm256_cmp_pd(cr, _mm256_set1_pd(kCardioidLeft), _CMP_GE_OQ),
                    _mm256_cmp_pd(cr, _mm256_set1_pd(kCardioidRight), _CMP_LE_OQ));
  if (absCi <= kCardioidTop && _mm256_movemask_pd(nearCardioid) != 0) {
    const __m256d four = _mm256_set1_pd(4.0);
    const __m256d wr = _mm256_sub_pd(one, _mm256_mul_pd(four, cr));
    const __m256d wi = _mm256_mul_pd(four, ci);
    const __m256d w = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(wr, wr), _mm256_mul_pd(wi, wi)));
    const __m256d root = _mm256_sqrt_pd(_mm256_mul_pd(_mm256_add_pd(w, wr), _mm256_set1_pd(0.5)));
    const __m256d mu2 = _mm256_sub_pd(_mm256_add_pd(one, w), _mm256_add_pd(root, root));
    inside = _mm256_or_pd(inside,
                          _mm256_cmp_pd(mu2, _mm256_set1_pd(kCardioidMuSquaredLimit), _CMP_LE_OQ));
  }
  return _mm256_and_si256(_mm256_castpd_si256(_mm256_and_pd(near, inside)),
                          _mm256_set1_epi64x(kEscapeStepLimit));
}

inline __m256i Step(__m256d& zr, __m256d& ziExact, __m256i& count, __m256d cr, __m256d ci,
                    __m256i n) {
  const __m256d zi = RoundToFloat(ziExact);
  const __m256d zi2 = RoundToFloat(_mm256_mul_pd(ziExact, zi));
  const __m256d zr2 = RoundToFloat(_mm256_mul_pd(zr, zr));
  const __m256d stays = _mm256_cmp_pd(_mm256_add_pd(zr2, zi2), _mm256_set1_pd(4.0), _CMP_NGT_UQ);
  const __m256i live = _mm256_and_si256(_mm256_castpd_si256(stays), _mm256_cmpeq_epi64(count, n));
  count = _mm256_sub_epi64(count, live);
  const __m256d t = RoundToFloat(_mm256_sub_pd(zr2, zi2));
  const __m256d p = RoundToFloat(_mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(2.0), zi), zr));
  zr = _mm256_add_pd(cr, t);
  ziExact = _mm256_add_pd(p, ci);
  return live;
}

inline uint8_t Grey(int32_t k) { return static_cast<uint8_t>(255 - 32 * k / kEscapeStepLimit); }

inline void WritePixel(uint8_t* row, int32_t j, uint8_t v) {
  uint8_t* pixel = row + 3 * j;
  pixel[0] = v;
  pixel[1] = v;
  pixel[2] = v;
}

// Columns iterated at a time; wider rows take several passes.
constexpr int32_t kBatch = 4096;

// Four lanes that iterate together. Their columns are columns[first ...], the first `valid` of
// them real; lanes started at step n have count n, so their k is count - base.
struct Lanes {
  __m256d cr, zr, ziExact;
  __m256i count;
  int32_t first, valid, base;
};

// Takes the next four columns of the list (a lane beyond the list never becomes live).
inline void StartLanes(Lanes& lanes, const int32_t* columns, int32_t size, int32_t& next, int32_t n,
                       int32_t halfWidth, __m256d scale, __m256d halfHeight, __m256d ci) {
  lanes.first = next;
  lanes.valid = size - next < kLanes ? size - next : kLanes;
  lanes.base = n;
  next += lanes.valid;
  // The list has room for a full load past its end.
  const __m128i j = _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + lanes.first));
  const __m128i offsets = _mm_sub_epi32(j, _mm_set1_epi32(halfWidth));
  lanes.cr =
      RoundToFloat(_mm256_div_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(offsets), scale), halfHeight));
  lanes.zr = _mm256_add_pd(lanes.cr, _mm256_setzero_pd());
  lanes.ziExact = _mm256_add_pd(_mm256_setzero_pd(), ci);
  const __m256i real = _mm256_cmpgt_epi64(_mm256_set1_epi64x(lanes.valid < 0 ? 0 : lanes.valid),
                                          _mm256_setr_epi64x(0, 1, 2, 3));
  lanes.count = _mm256_blendv_epi8(_mm256_set1_epi64x(-1), _mm256_set1_epi64x(n), real);
}

inline void FinishLanes(const Lanes& lanes, uint8_t* row, const int32_t* columns) {
  int64_t k[kLanes];
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(k), lanes.count);
  for (int32_t l = 0; l < lanes.valid; ++l) {
    WritePixel(row, columns[lanes.first + l], Grey(static_cast<int32_t>(k[l] - lanes.base)));
  }
}

// After step n - 1: lanes with no live lane left, or 50 steps old, are written and refilled.
inline void Advance(Lanes& lanes, int live, uint8_t* row, const int32_t* columns, int32_t size,
                    int32_t& next, int32_t n, int32_t halfWidth, __m256d scale, __m256d halfHeight,
                    __m256d ci) {
  if (lanes.valid <= 0) return;
  if (live != 0 && n - lanes.base < kEscapeStepLimit) return;
  FinishLanes(lanes, row, columns);
  StartLanes(lanes, columns, size, next, n, halfWidth, scale, halfHeight, ci);
}

// Iterates the listed columns with three groups of lanes; a group that is done takes the next
// four columns at once, so that no lane waits for the slowest of a fixed group.
void IterateColumns(uint8_t* row, const int32_t* columns, int32_t size, int32_t halfWidth,
                    __m256d scale, __m256d halfHeight, __m256d ci) {
  int32_t next = 0;
  int32_t n = 0;
  Lanes a, b, c;
  StartLanes(a, columns, size, next, n, halfWidth, scale, halfHeight, ci);
  StartLanes(b, columns, size, next, n, halfWidth, scale, halfHeight, ci);
  StartLanes(c, columns, size, next, n, halfWidth, scale, halfHeight, ci);
  __m256i step = _mm256_setzero_si256();
  while (a.valid > 0 || b.valid > 0 || c.valid > 0) {
    // The live masks go to integer registers at once: the vector registers hold the lanes.
    const int liveA =
        _mm256_movemask_pd(_mm256_castsi256_pd(Step(a.zr, a.ziExact, a.count, a.cr, ci, step)));
    const int liveB =
        _mm256_movemask_pd(_mm256_castsi256_pd(Step(b.zr, b.ziExact, b.count, b.cr, ci, step)));
    const int liveC =
        _mm256_movemask_pd(_mm256_castsi256_pd(Step(c.zr, c.ziExact, c.count, c.cr, ci, step)));
    ++n;
    step = _mm256_add_epi64(step, _mm256_set1_epi64x(1));
    Advance(a, liveA, row, columns, size, next, n, halfWidth, scale, halfHeight, ci);
    Advance(b, liveB, row, columns, size, next, n, halfWidth, scale, halfHeight, ci);
    Advance(c, liveC, row, columns, size, next, n, halfWidth, scale, halfHeight, ci);
  }
}

template <bool kInterior>
void EscapeRow(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight, float scale,
               float ci) {
  const __m256d s = _mm256_set1_pd(scale);
  const __m256d h = _mm256_set1_pd(halfHeight);
  const __m256d c_i = _mm256_set1_pd(ci);
  const bool interiorRow = kInterior && ci >= -kInteriorTop && ci <= kInteriorTop;
  const double absCi = ci < 0 ? -static_cast<double>(ci) : ci;
  int32_t columns[kBatch + kLanes];
  for (int32_t start = 0; start < count; start += kBatch) {
    const int32_t end = count - start < kBatch ? count : start + kBatch;
    // Interior pixels are written at once; the others are listed for iterating.
    int32_t size = 0;
    for (int32_t j0 = start; j0 < end; j0 += kLanes) {
      int64_t k[kLanes] = {0, 0, 0, 0};
      if (interiorRow) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(k),
                            InteriorCount(Seeds(j0, halfWidth, s, h), c_i, absCi));
      }
      const int32_t lanes = end - j0 < kLanes ? end - j0 : kLanes;
      for (int32_t l = 0; l < lanes; ++l) {
        columns[size] = j0 + l;
        if (k[l] != 0) {
          WritePixel(row, j0 + l, Grey(kEscapeStepLimit));
        } else {
          ++size;
        }
      }
    }
    for (int32_t l = 0; l < kLanes; ++l) columns[size + l] = columns[size > 0 ? size - 1 : 0];
    if (size > 0) IterateColumns(row, columns, size, halfWidth, s, h, c_i);
  }
}

}  // namespace

void EscapeRowAvx2(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight, float scale,
                   float ci) {
  EscapeRow<false>(row, count, halfWidth, halfHeight, scale, ci);
}

void EscapeRowAvx2Interior(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight,
                           float scale, float ci) {
  EscapeRow<true>(row, count, halfWidth, halfHeight, scale, ci);
}
