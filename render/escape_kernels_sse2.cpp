// The escape-time row on SSE2, two pixels a vector and three vectors at a time, so that the long
// chain of one step (four roundings to float in a row) of one vector overlaps the others'.
// Interior pixels are written first; the others stream through the vectors, each of which takes
// new columns as soon as all its lanes are done.
// Each lane does the scalar loop's operations in the scalar loop's order; a rounding to float is
// a conversion to single and back, the same IEEE operation as the scalar cast.
#include <emmintrin.h>

#include "render/escape_kernels.h"

namespace {

constexpr int kLanes = 2;

inline __m128d RoundToFloat(__m128d x) { return _mm_cvtps_pd(_mm_cvtpd_ps(x)); }

// cr = float(double(j - W) * s / H) for columns j0 and j0 + 1.
inline __m128d Seeds(int32_t j0, int32_t halfWidth, __m128d scale, __m128d halfHeight) {
  const __m128i offsets = _mm_setr_epi32(j0 - halfWidth, j0 + 1 - halfWidth, 0, 0);
  return RoundToFloat(_mm_div_pd(_mm_mul_pd(_mm_cvtepi32_pd(offsets), scale), halfHeight));
}

// 50 where the seed lies in one of the interior regions (see escape_kernels.h), else 0. The
// cardioid is |mu|^2 <= 1 with mu = 1 - sqrt(w), w = 1 - 4c, |mu|^2 = 1 - 2 Re sqrt(w) + |w|.
inline __m128i InteriorCount(__m128d cr, __m128d ci, double absCi) {
  const __m128d near = _mm_and_pd(_mm_cmpge_pd(cr, _mm_set1_pd(kInteriorLeft)),
                                  _mm_cmple_pd(cr, _mm_set1_pd(kInteriorRight)));
  if (_mm_movemask_pd(near) == 0) return _mm_setzero_si128();
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d shifted = _mm_add_pd(cr, one);
  const __m128d bulb2 = _mm_add_pd(_mm_mul_pd(shifted, shifted), _mm_mul_pd(ci, ci));
  // Comparisons with a NaN are false: such seeds are iterated.
  __m128d inside = _mm_cmple_pd(bulb2, _mm_set1_pd(kBulbRadiusSquaredLimit));
  for (const InteriorDisc& disc : kInteriorDiscs) {
    const __m128d dx = _mm_sub_pd(cr, _mm_set1_pd(disc.re));
    const __m128d dy = _mm_set1_pd(absCi - disc.im);
    const __m128d d2 = _mm_add_pd(_mm_mul_pd(dx, dx), _mm_mul_pd(dy, dy));
    inside = _mm_or_pd(inside, _mm_cmple_pd(d2, _mm_set1_pd(disc.radiusSquared)));
  }
  // The square roots are the dear part: only near the cardioid.
  const __m128d nearCardioid = _mm_and_pd(_mm_cmpge_pd(cr, _mm_set1_pd(kCardioidLeft)),
                                          _mm_cmple_pd(cr, _mm_set1_pd(kCardioidRight)));
  if (absCi <= kCardioidTop && _mm_movemask_pd(nearCardioid) != 0) {
    const __m128d four = _mm_set1_pd(4.0);
    const __m128d wr = _mm_sub_pd(one, _mm_mul_pd(four, cr));
    const __m128d wi = _mm_mul_pd(four, ci);
    const __m128d w = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(wr, wr), _mm_mul_pd(wi, wi)));
    const __m128d root = _mm_sqrt_pd(_mm_mul_pd(_mm_add_pd(w, wr), _mm_set1_pd(0.5)));
    const __m128d mu2 = _mm_sub_pd(_mm_add_pd(one, w), _mm_add_pd(root, root));
    inside = _mm_or_pd(inside, _mm_cmple_pd(mu2, _mm_set1_pd(kCardioidMuSquaredLimit)));
  }
  return _mm_and_si128(_mm_castpd_si128(_mm_and_pd(near, inside)),
                       _mm_set1_epi64x(kEscapeStepLimit));
}

// One step of every lane. zr and ziExact enter as the scalar loop's values after its additions;
// count holds each lane's k as a 64-bit integer, and a lane is live while its k equals the step
// number n. Returns the live lanes.
inline __m128i Step(__m128d& zr, __m128d& ziExact, __m128i& count, __m128d cr, __m128d ci,
                    __m128i n) {
  const __m128d zi = RoundToFloat(ziExact);
  const __m128d zi2 = RoundToFloat(_mm_mul_pd(ziExact, zi));
  const __m128d zr2 = RoundToFloat(_mm_mul_pd(zr, zr));
  // "Not above 4" rather than "at most 4": a NaN stays, as in the scalar loop.
  const __m128d stays = _mm_cmpngt_pd(_mm_add_pd(zr2, zi2), _mm_set1_pd(4.0));
  // SSE2 compares 32-bit halves only: a 64-bit lane is equal when both of its halves are.
  const __m128i equalHalves = _mm_cmpeq_epi32(count, n);
  const __m128i equal = _mm_and_si128(equalHalves, _mm_shuffle_epi32(equalHalves, 0xB1));
  const __m128i live = _mm_and_si128(_mm_castpd_si128(stays), equal);
  count = _mm_sub_epi64(count, live);  // a live lane's mask is -1
  const __m128d t = RoundToFloat(_mm_sub_pd(zr2, zi2));
  const __m128d p = RoundToFloat(_mm_mul_pd(_mm_mul_pd(_mm_set1_pd(2.0), zi), zr));
  zr = _mm_add_pd(cr, t);
  ziExact = _mm_add_pd(p, ci);
  return live;
}

inline void WritePixel(uint8_t* row, int32_t j, uint8_t v) {
  uint8_t* pixel = row + 3 * j;
  pixel[0] = v;
  pixel[1] = v;
  pixel[2] = v;
}

// Columns iterated at a time; wider rows take several passes.
constexpr int32_t kBatch = 4096;

// Two lanes that iterate together. Their columns are columns[first ...], the first `valid` of
// them real; lanes started at step n have count n, so their k is count - base.
struct Lanes {
  __m128d cr, zr, ziExact;
  __m128i count;
  int32_t first, valid, base;
};

// Takes the next two columns of the list (a lane beyond the list never becomes live).
inline void StartLanes(Lanes& lanes, const int32_t* columns, int32_t size, int32_t& next, int32_t n,
                       int32_t halfWidth, __m128d scale, __m128d halfHeight, __m128d ci) {
  lanes.first = next;
  lanes.valid = size - next < kLanes ? size - next : kLanes;
  lanes.base = n;
  next += lanes.valid;
  // The list has room for a full load past its end.
  const __m128i j = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(columns + lanes.first));
  const __m128i offsets = _mm_sub_epi32(j, _mm_set1_epi32(halfWidth));
  lanes.cr = RoundToFloat(_mm_div_pd(_mm_mul_pd(_mm_cvtepi32_pd(offsets), scale), halfHeight));
  lanes.zr = _mm_add_pd(lanes.cr, _mm_setzero_pd());
  lanes.ziExact = _mm_add_pd(_mm_setzero_pd(), ci);
  lanes.count = _mm_set_epi64x(lanes.valid > 1 ? n : -1, lanes.valid > 0 ? n : -1);
}

inline void FinishLanes(const Lanes& lanes, uint8_t* row, const int32_t* columns) {
  int64_t k[kLanes];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(k), lanes.count);
  for (int32_t l = 0; l < lanes.valid; ++l) {
    WritePixel(row, columns[lanes.first + l], GreyForCount(static_cast<int>(k[l] - lanes.base)));
  }
}

// After step n - 1: lanes with no live lane left, or 50 steps old, are written and refilled.
inline void Advance(Lanes& lanes, int live, uint8_t* row, const int32_t* columns, int32_t size,
                    int32_t& next, int32_t n, int32_t halfWidth, __m128d scale, __m128d halfHeight,
                    __m128d ci) {
  if (lanes.valid <= 0) return;
  if (live != 0 && n - lanes.base < kEscapeStepLimit) return;
  FinishLanes(lanes, row, columns);
  StartLanes(lanes, columns, size, next, n, halfWidth, scale, halfHeight, ci);
}

// Iterates the listed columns with three groups of lanes; a group that is done takes the next
// two columns at once, so that no lane waits for the slowest of a fixed group.
void IterateColumns(uint8_t* row, const int32_t* columns, int32_t size, int32_t halfWidth,
                    __m128d scale, __m128d halfHeight, __m128d ci) {
  int32_t next = 0;
  int32_t n = 0;
  Lanes a, b, c;
  StartLanes(a, columns, size, next, n, halfWidth, scale, halfHeight, ci);
  StartLanes(b, columns, size, next, n, halfWidth, scale, halfHeight, ci);
  StartLanes(c, columns, size, next, n, halfWidth, scale, halfHeight, ci);
  __m128i step = _mm_setzero_si128();
  while (a.valid > 0 || b.valid > 0 || c.valid > 0) {
    // The live masks go to integer registers at once: the vector registers hold the lanes.
    const int liveA =
        _mm_movemask_pd(_mm_castsi128_pd(Step(a.zr, a.ziExact, a.count, a.cr, ci, step)));
    const int liveB =
        _mm_movemask_pd(_mm_castsi128_pd(Step(b.zr, b.ziExact, b.count, b.cr, ci, step)));
    const int liveC =
        _mm_movemask_pd(_mm_castsi128_pd(Step(c.zr, c.ziExact, c.count, c.cr, ci, step)));
    ++n;
    step = _mm_add_epi64(step, _mm_set1_epi64x(1));
    Advance(a, liveA, row, columns, size, next, n, halfWidth, scale, halfHeight, ci);
    Advance(b, liveB, row, columns, size, next, n, halfWidth, scale, halfHeight, ci);
    Advance(c, liveC, row, columns, size, next, n, halfWidth, scale, halfHeight, ci);
  }
}

template <bool kInterior>
void EscapeRow(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight, float scale,
               float ci) {
  const __m128d s = _mm_set1_pd(scale);
  const __m128d h = _mm_set1_pd(halfHeight);
  const __m128d c_i = _mm_set1_pd(ci);
  // Rows above or below the interior regions skip their test.
  const bool interiorRow = kInterior && ci >= -kInteriorTop && ci <= kInteriorTop;
  const double absCi = ci < 0 ? -static_cast<double>(ci) : ci;
  int32_t columns[kBatch + kLanes];
  for (int32_t start = 0; start < count; start += kBatch) {
    const int32_t end = count - start < kBatch ? count : start + kBatch;
    // Interior pixels are written at once; the others are listed for iterating.
    int32_t size = 0;
    for (int32_t j0 = start; j0 < end; j0 += kLanes) {
      int64_t k[kLanes] = {0, 0};
      if (interiorRow) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(k),
                         InteriorCount(Seeds(j0, halfWidth, s, h), c_i, absCi));
      }
      const int32_t lanes = end - j0 < kLanes ? end - j0 : kLanes;
      for (int32_t l = 0; l < lanes; ++l) {
        columns[size] = j0 + l;
        if (k[l] != 0) {
          WritePixel(row, j0 + l, GreyForCount(kEscapeStepLimit));
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

void EscapeRowSse2(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight, float scale,
                   float ci) {
  EscapeRow<false>(row, count, halfWidth, halfHeight, scale, ci);
}

void EscapeRowSse2Interior(uint8_t* row, int32_t count, int32_t halfWidth, int32_t halfHeight,
                           float scale, float ci) {
  EscapeRow<true>(row, count, halfWidth, halfHeight, scale, ci);
}
