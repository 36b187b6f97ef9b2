// The vector escape-time row, written once over a table of lane operations and of the writing of
// greys (the traits L) that each kernel file supplies for its instruction set. Included only by
// those files. Everything here is internal to the file that includes it: the AVX2 file's copies
// must never be the ones the linker keeps for code that runs without a CPU check.
//
// Each lane does the reference's operations on the same values. Where the reference rounds a
// double sum or difference of two floats to float, a float addition or subtraction gives the same
// result: with 53 >= 2 * 24 + 2 bits in the wider format, rounding twice cannot differ from
// rounding once, and infinite, subnormal and NaN results agree too. Any other rounding of a
// double result to float is a conversion to single, the same IEEE operation as the cast.
#pragma once

#include <cstdint>
#include <cstring>

#include "render/escape_kernels.h"

namespace {

// Lanes that iterate together: columns first ... first + valid - 1.
template <class L>
struct LaneGroup {
  typename L::Doubles cr, zr, zi;  // zi is a float, held as a double
  typename L::Floats t;            // zr^2 - zi^2 of the last step
  int32_t first, valid, steps;
  int live;         // bit l: lane l has not escaped
  uint64_t counts;  // byte l: lane l's count so far
};

template <class L>
struct LaneConstants {
  typename L::Doubles ci, four;
  typename L::Floats ciFloat, fourFloat;
  typename L::Doubles firstZi;  // zi after the first step
  typename L::Floats firstZi2;  // and its square
};

// The next columns of the plan's spans.
struct SpanCursor {
  const EscapeRowPlan* plan;
  int32_t span, next, end;
};

// A one in byte l of the result for each bit l of a mask of up to eight lanes. A multiplication
// spreads four bits without its shifted copies carrying into each other: one for each half.
inline uint64_t LaneOnes(int mask) {
  const uint32_t low = static_cast<uint32_t>(mask) & 15, high = static_cast<uint32_t>(mask) >> 4;
  return ((low * 0x00204081u) & 0x01010101u) |
         (static_cast<uint64_t>((high * 0x00204081u) & 0x01010101u) << 32);
}

// Which lanes stay after a step whose squares are zr2 and zi2, among those of `live`. The float
// sum S is the double sum D rounded, and rounding keeps order: S > 4 means D > 4, S < 4 (or not
// a number) means D <= 4 (or not a number). S == 4 decides nothing: the double test decides.
template <class L>
inline int Staying(typename L::Floats zr2, typename L::Floats zi2, int live,
                   const LaneConstants<L>& k) {
  const typename L::Floats sum = L::AddFloats(zr2, zi2);
  int stays = L::NotAtLeast(sum, k.fourFloat);
  const int tie = L::Equal(sum, k.fourFloat) & live;
  if (tie != 0) stays |= tie & ~L::Greater(L::Add(L::ToDoubles(zr2), L::ToDoubles(zi2)), k.four);
  return live & stays;
}

// Takes up to a vector of columns from one span and does their first step; false, with the
// group empty, when no column is left. From z = 0 the reference's first step gives zr = cr + 0
// and zi = ci + 0 exactly, and squares whose double products are exact (two 24-bit
// significands): a float multiplication rounds them alike.
template <class L>
inline bool StartGroup(LaneGroup<L>& g, SpanCursor& cursor, const float* cr,
                       const LaneConstants<L>& k) {
  while (cursor.next >= cursor.end) {
    if (++cursor.span >= cursor.plan->spanCount) {
      g.valid = 0;
      g.live = 0;
      return false;
    }
    cursor.next = cursor.plan->spanBegin[cursor.span];
    cursor.end = cursor.plan->spanEnd[cursor.span];
  }
  g.first = cursor.next;
  g.valid = cursor.end - cursor.next < L::kLanes ? cursor.end - cursor.next : L::kLanes;
  cursor.next += g.valid;
  typename L::Floats seeds;
  if (g.valid == L::kLanes) {
    seeds = L::LoadFloats(cr + g.first);
  } else {
    // Lanes past the span iterate zeros and are never counted.
    float part[L::kLanes] = {};
    for (int32_t l = 0; l < g.valid; ++l) part[l] = cr[g.first + l];
    seeds = L::LoadFloats(part);
  }
  g.cr = L::ToDoubles(seeds);
  g.zr = L::Add(g.cr, L::Zero());
  g.zi = k.firstZi;
  const typename L::Floats zr2 = L::MulFloats(seeds, seeds);
  g.t = L::SubFloats(zr2, k.firstZi2);
  g.steps = 1;
  g.live = Staying(zr2, k.firstZi2, (1 << g.valid) - 1, k);
  g.counts = LaneOnes(g.live);
  return true;
}

// The reference's step on every lane, with its escape test; lanes that stay count one more.
template <class L>
inline void StepGroup(LaneGroup<L>& g, const LaneConstants<L>& k) {
  using Floats = typename L::Floats;
  const Floats p = L::ToFloats(L::Mul(L::Add(g.zi, g.zi), g.zr));
  g.zr = L::Add(g.cr, L::ToDoubles(g.t));
  const typename L::Doubles ziExact = L::Add(L::ToDoubles(p), k.ci);
  g.zi = L::ToDoubles(L::AddFloats(p, k.ciFloat));
  const Floats zi2 = L::ToFloats(L::Mul(ziExact, g.zi));
  const Floats zr2 = L::ToFloats(L::Mul(g.zr, g.zr));
  g.t = L::SubFloats(zr2, zi2);
  g.live = Staying(zr2, zi2, g.live, k);
  g.counts += LaneOnes(g.live);
}

// After a step: a group whose lanes are all counted stores them and takes new columns. False
// when it is empty.
template <class L>
inline bool RefillGroup(LaneGroup<L>& g, SpanCursor& cursor, const float* cr, uint8_t* counts,
                        const LaneConstants<L>& k) {
  if (g.live != 0 && ++g.steps < kEscapeStepLimit) return true;
  if (g.valid == L::kLanes) {
    std::memcpy(counts + g.first, &g.counts, L::kLanes);  // little-endian: byte l, column first + l
  } else {
    for (int32_t l = 0; l < g.valid; ++l) {
      counts[g.first + l] = static_cast<uint8_t>(g.counts >> (8 * l));
    }
  }
  return StartGroup(g, cursor, cr, k);
}

// Counts of the plan's spans. Four groups keep the long chain of one step (multiplications and
// conversions one after another) of each group overlapped with the others'; a group takes new
// columns as soon as all its lanes are counted, without waiting for the other groups.
template <class L>
void CountSpans(uint8_t* counts, const float* cr, const EscapeRowPlan& plan, float ci) {
  const typename L::Doubles firstZi = L::Add(L::Zero(), L::Broadcast(ci));
  const LaneConstants<L> k = {L::Broadcast(ci),
                              L::Broadcast(4.0),
                              L::ToFloats(L::Broadcast(ci)),
                              L::ToFloats(L::Broadcast(4.0)),
                              firstZi,
                              L::ToFloats(L::Mul(firstZi, firstZi))};
  SpanCursor cursor = {&plan, -1, 0, 0};
  LaneGroup<L> a, b, c, d;
  const bool startedA = StartGroup(a, cursor, cr, k);
  const bool startedB = StartGroup(b, cursor, cr, k);
  const bool startedC = StartGroup(c, cursor, cr, k);
  const bool startedD = StartGroup(d, cursor, cr, k);
  if (startedA && startedB && startedC && startedD) {
    for (;;) {
      StepGroup(a, k);
      StepGroup(b, k);
      StepGroup(c, k);
      StepGroup(d, k);
      const bool keptA = RefillGroup(a, cursor, cr, counts, k);
      const bool keptB = RefillGroup(b, cursor, cr, counts, k);
      const bool keptC = RefillGroup(c, cursor, cr, counts, k);
      const bool keptD = RefillGroup(d, cursor, cr, counts, k);
      if (!(keptA && keptB && keptC && keptD)) break;
    }
  }
  // The spans are used up: only the groups still holding columns step on.
  // Copies, so that the loop above keeps its groups in registers.
  LaneGroup<L> rest[4] = {a, b, c, d};
  int restCount = 0;
  for (int i = 0; i < 4; ++i) {
    if (rest[i].valid > 0) rest[restCount++] = rest[i];
  }
  while (restCount > 0) {
    for (int i = 0; i < restCount; ++i) StepGroup(rest[i], k);
    int kept = 0;
    for (int i = 0; i < restCount; ++i) {
      if (RefillGroup(rest[i], cursor, cr, counts, k)) rest[kept++] = rest[i];
    }
    restCount = kept;
  }
}

// 255 - 32k/50 equals 255 - ((41944 k) >> 16) for every k <= 50.
inline uint8_t GreyOfCount(uint8_t k) { return static_cast<uint8_t>(255 - ((41944 * k) >> 16)); }

// Sixteen pixels at a time by the traits' WriteSixteenGreys, each grey written to its three
// bytes; no byte past the row's pixels.
template <class L>
void WriteGreys(uint8_t* row, const uint8_t* counts, int32_t count) {
  int32_t j = 0;
  for (; j + 16 <= count; j += 16) L::WriteSixteenGreys(row + 3 * j, counts + j);
  for (; j < count; ++j) {
    const uint8_t v = GreyOfCount(counts[j]);
    row[3 * j] = v;
    row[3 * j + 1] = v;
    row[3 * j + 2] = v;
  }
}

// The row: counts of 0 and 50 that the plan knows, the rest iterated, then the greys.
template <class L, bool kSkipKnown>
void EscapeRow(uint8_t* row, const EscapeColumns& columns, float ci) {
  EscapeRowPlan plan;
  plan.interiorCount = 0;
  plan.spanCount = 1;
  plan.spanBegin[0] = 0;
  plan.spanEnd[0] = columns.count;
  if (kSkipKnown) PlanEscapeRow(columns, ci, &plan);
  uint8_t counts[kMaxEscapeColumns];
  std::memset(counts, 0, static_cast<size_t>(columns.count));
  for (int32_t r = 0; r < plan.interiorCount; ++r) {
    std::memset(counts + plan.interiorBegin[r], kEscapeStepLimit,
                static_cast<size_t>(plan.interiorEnd[r] - plan.interiorBegin[r]));
  }
  CountSpans<L>(counts, columns.cr, plan, ci);
  WriteGreys<L>(row, counts, columns.count);
}

}  // namespace
