#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "render/escape_kernels.h"
#include "render/escape_raster.h"
#include "view/plane_mapping.h"
#include "view/view_arithmetic.h"

namespace {

using Complex = std::complex<double>;

struct View {
  int32_t width, height;  // the buffer
  int32_t halfWidth, halfHeight;
  float scale;
};

constexpr size_t kGuardBytes = 64;

// Never a grey of the picture (223 ... 255), and different from byte to byte, so that a stray
// write or a byte copied from the wrong place shows.
uint8_t GuardByte(size_t i) { return static_cast<uint8_t>((i * 37 + 11) % 223); }

// The view rendered with `kernel` into a buffer of the raster layout with guard zones before and
// after; every byte of the block is returned, guards and row padding included.
std::vector<uint8_t> Render(const View& v, EscapeRowKernel kernel) {
  const int32_t stride = (v.width * 3 + 3) & ~3;
  std::vector<uint8_t> memory(2 * kGuardBytes + static_cast<size_t>(stride) * v.height);
  for (size_t i = 0; i < memory.size(); ++i) memory[i] = GuardByte(i);
  ComputeEscapeRaster(memory.data() + kGuardBytes, v.width, v.height, stride, v.halfWidth,
                      v.halfHeight, v.scale, kernel);
  return memory;
}

std::string Describe(const View& v) {
  return std::to_string(v.width) + "x" + std::to_string(v.height) +
         " W=" + std::to_string(v.halfWidth) + " H=" + std::to_string(v.halfHeight) +
         " s=" + std::to_string(v.scale);
}

// Byte for byte against the scalar reference; on a difference, where the first one lies.
void ExpectSameAsScalar(const View& v, EscapeRowKernel kernel) {
  const std::vector<uint8_t> expected = Render(v, EscapeRowScalar);
  const std::vector<uint8_t> actual = Render(v, kernel);
  ASSERT_EQ(expected.size(), actual.size());
  if (std::memcmp(expected.data(), actual.data(), expected.size()) == 0) return;
  size_t first = 0, differing = 0;
  for (size_t i = expected.size(); i-- > 0;) {
    if (expected[i] != actual[i]) {
      first = i;
      ++differing;
    }
  }
  const int32_t stride = (v.width * 3 + 3) & ~3;
  const int64_t offset = static_cast<int64_t>(first) - static_cast<int64_t>(kGuardBytes);
  ADD_FAILURE() << Describe(v) << ": " << differing << " bytes differ; the first at byte " << offset
                << " (display row " << v.height - 1 - offset / stride << ", byte "
                << offset % stride << " of the row): " << int{expected[first]} << " expected, "
                << int{actual[first]} << " written";
}

// The scales the program reaches from 1.0 by k wheel steps, k = -60 ... 60.
std::vector<float> ZoomScales() {
  std::vector<float> scales;
  float in = 1.0f;
  for (int k = 0; k < 60; ++k) in = ZoomIn(in);
  for (int k = -60; k <= 60; ++k) {
    scales.push_back(in);
    in = ZoomOut(in);
  }
  return scales;
}

class EscapeKernelIdentity : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    const EscapeRowVariant& variant = kEscapeRowVariants[GetParam()];
    if (!variant.runs()) GTEST_SKIP() << variant.name << " does not run on this CPU";
    kernel_ = variant.kernel;
  }
  EscapeRowKernel kernel_ = nullptr;
};

TEST_P(EscapeKernelIdentity, TinyOddAndClippedBuffers) {
  std::vector<View> views = {
      {1, 1, 1, 1, 1.0f},           {1, 1, 0, 0, 1.0f},     {2, 2, 1, 1, 1.0f},
      {3, 1, 1, 1, 0.5f},           {50, 40, 40, 25, 1.0f}, {50, 40, 5, 40, 1.3f},
      {31, 17, 32767, 32767, 1.0f}, {30, 20, 0, 10, 1.0f},  {30, 20, 10, 0, 1.0f}};
  // Every remainder of the row length against the lanes of one group, at two scales.
  for (int32_t w = 1; w <= 25; ++w) {
    views.push_back({2 * w + 1, 7, w, 3, 1.0f});
    views.push_back({2 * w + 3, 9, w, 4, 0.3f});
  }
  for (const View& v : views) ExpectSameAsScalar(v, kernel_);
}

TEST_P(EscapeKernelIdentity, EveryZoomStepFromOneOut) {
  for (const float s : ZoomScales()) ExpectSameAsScalar({129, 97, 64, 48, s}, kernel_);
}

TEST_P(EscapeKernelIdentity, ExtremeScales) {
  for (const float s : {1.0f, 4.0f, 1e-3f, 1e-6f, 1e3f}) {
    ExpectSameAsScalar({321, 201, 160, 100, s}, kernel_);
  }
  // Zoomed out until the scale overflows: seeds become infinite or not a number, and such
  // pixels must still get the scalar loop's counts.
  float huge = 1e3f;
  while (huge < std::numeric_limits<float>::infinity()) huge = ZoomOut(huge);
  for (const float s : {3e38f, huge}) ExpectSameAsScalar({41, 21, 20, 10, s}, kernel_);
  // A full-screen view in a smaller buffer: clipped on both axes.
  ExpectSameAsScalar({1000, 700, 960, 540, 1.0f}, kernel_);
}

TEST_P(EscapeKernelIdentity, FullScreenBuffer) {
  float zoomedIn = 1.0f;
  for (int k = 0; k < 40; ++k) zoomedIn = ZoomIn(zoomedIn);
  for (const float s : {1.0f, 4.0f, zoomedIn}) {
    ExpectSameAsScalar({1920, 1080, 960, 540, s}, kernel_);
  }
}

// One row of the kernel against the reference's, guard bytes after it included.
void ExpectRowSameAsScalar(const EscapeColumns& columns, float ci, EscapeRowKernel kernel,
                           const std::string& where) {
  std::vector<uint8_t> expected(columns.count * 3 + kGuardBytes), actual(expected.size());
  for (size_t i = 0; i < expected.size(); ++i) expected[i] = actual[i] = GuardByte(i);
  EscapeRowScalar(expected.data(), columns, ci);
  kernel(actual.data(), columns, ci);
  EXPECT_EQ(expected, actual) << where << ", imaginary part " << ci;
}

// `count` columns `2^-log2Pitch` apart about the real part `centre`, from the viewer's mapping.
EscapeColumns RowAbout(double centre, int log2Pitch, int32_t count, std::vector<float>& seeds) {
  const int32_t halfHeight = 1 << log2Pitch;
  seeds.resize(count);
  const int32_t halfWidth = count / 2 - static_cast<int32_t>(std::lround(centre * halfHeight));
  return SeedColumns(seeds.data(), count, halfWidth, halfHeight, 1.0f);
}

// Single rows sampled every 2^-22 across the places where orbits take longest to decide: the
// cusp at 1/4, the neck at -3/4 between cardioid and disc, and inside the cardioid's edge.
TEST_P(EscapeKernelIdentity, FineRowsAcrossSlowBoundaries) {
  std::vector<float> seeds;
  for (const double centre : {0.25, -0.75, 0.24, -0.56}) {
    const EscapeColumns columns = RowAbout(centre, 22, 4096, seeds);
    for (const float ci : {-2.5e-7f, -1e-4f, -3e-3f, -0.05f}) {
      ExpectRowSameAsScalar(columns, ci, kernel_, "real parts about " + std::to_string(centre));
    }
  }
}

// Points on the rims of the regions whose columns are taken as ranges: on the cardioid from the
// cusp over its top (u = -1/2) to the neck, and around each disc and its mirror image.
std::vector<Complex> RegionRimPoints() {
  std::vector<Complex> rim;
  for (const double theta : {1e-3, 0.05, 0.7, 1.6, 2.0, 2.0944, 2.2, 2.9, 3.14}) {
    const Complex mu = std::polar(1.0, theta);
    rim.push_back(mu / 2.0 - mu * mu / 4.0);
  }
  std::vector<Complex> discs = {{-1.0, 0.0}};
  std::vector<double> radii = {std::sqrt(kBulbRadiusSquaredLimit)};
  for (const InteriorDisc& disc : kInteriorDiscs) {
    discs.push_back({disc.re, disc.im});
    radii.push_back(std::sqrt(disc.radiusSquared));
  }
  for (size_t d = 0; d < discs.size(); ++d) {
    for (const double phi : {0.02, 1.0, 1.55, 2.3, 3.1, 4.0, 4.7}) {
      const Complex c = discs[d] + std::polar(radii[d], phi);
      rim.push_back(c);
      rim.push_back(std::conj(c));
    }
  }
  return rim;
}

// Rows through every rim point, finely about that end of the region's section and coarsely
// across the whole section.
TEST_P(EscapeKernelIdentity, RowsAcrossEveryRegionsEnds) {
  std::vector<float> seeds;
  for (const Complex c : RegionRimPoints()) {
    for (const int log2Pitch : {22, 12}) {
      const EscapeColumns columns = RowAbout(c.real(), log2Pitch, 1024, seeds);
      const float ci = static_cast<float>(c.imag());
      ExpectRowSameAsScalar(columns, ci, kernel_, "row through " + std::to_string(c.real()));
    }
  }
}

// The float escape test's sums of exactly 4: c = -2 + 2^-20 i escapes at once (the double sum
// is just over 4), and rows at 2^-30 reach sums of 4 whose double sum is at most 4.
TEST_P(EscapeKernelIdentity, FloatSumsOfExactlyFour) {
  float seeds[33];
  for (int m = 0; m < 33; ++m) seeds[m] = -2.0f + (m - 16) * 0x1p-20f;
  const EscapeColumns nearMinusTwo = {seeds, 33, true};
  ASSERT_EQ(EscapeCount(-2.0f, 0x1p-20f), 0);
  for (const float ci : {0x1p-20f, -0x1p-20f, 0x1p-30f, 0x1p-23f, 0.0f}) {
    ExpectRowSameAsScalar(nearMinusTwo, ci, kernel_, "real parts about -2");
  }
  std::vector<float> row;
  for (const int log2Pitch : {9, 14, 24}) {
    for (const double centre : {-2.0, -1.75, -1.4, -0.75, 0.25}) {
      const EscapeColumns columns = RowAbout(centre, log2Pitch, 2048, row);
      for (const float ci : {0x1p-30f, -0x1p-30f}) {
        ExpectRowSameAsScalar(columns, ci, kernel_, "real parts about " + std::to_string(centre));
      }
    }
  }
}

// Any bit pattern as scale and imaginary part: infinite, subnormal, negative and NaN seeds
// (descending or unordered rows iterate every column); and random ascending seeds.
TEST_P(EscapeKernelIdentity, RandomRowsOfAnyScale) {
  std::mt19937 random(20261208);
  const auto anyFloat = [&] {
    const uint32_t bits = static_cast<uint32_t>(random());
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  };
  std::vector<float> seeds;
  for (int n = 0; n < 3000; ++n) {
    const int32_t count = 1 + static_cast<int32_t>(random() % 300);
    const int32_t halfWidth = static_cast<int32_t>(random() % 400);
    const int32_t halfHeight = 1 + static_cast<int32_t>(random() % 2000);
    // Half of the scales near the views the viewer shows, the others any float at all.
    const float scale = n % 2 == 0 ? std::ldexp(static_cast<float>(random() % 1000 + 1),
                                                -8 - static_cast<int>(random() % 30))
                                   : anyFloat();
    seeds.resize(count);
    EscapeColumns columns = SeedColumns(seeds.data(), count, halfWidth, halfHeight, scale);
    const float ci = n % 3 == 0
                         ? anyFloat()
                         : PixelToPlane(-static_cast<int32_t>(random() % 2000), scale, halfHeight);
    if (n % 5 == 0) {
      for (float& cr : seeds) {
        cr = anyFloat();
        if (std::isnan(cr)) cr = std::numeric_limits<float>::infinity();
      }
      std::sort(seeds.begin(), seeds.end());
      columns.ascending = true;
    }
    ExpectRowSameAsScalar(columns, ci, kernel_, "scale " + std::to_string(scale));
    if (HasFailure()) return;
  }
}

std::string VariantName(const testing::TestParamInfo<int>& info) {
  std::string name = kEscapeRowVariants[info.param].name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// Variant 0 is the reference itself; it is the only one on CPUs without the vector kernels.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EscapeKernelIdentity);
INSTANTIATE_TEST_SUITE_P(Variants, EscapeKernelIdentity, testing::Range(1, kEscapeRowVariantCount),
                         VariantName);

// The interior shortcut's claim, proved by disc arithmetic: every seed of a region keeps every
// orbit the viewer's arithmetic can produce within radius 1.99 for 50 steps, so its count is 50.
// Each step's roundings move z by at most 4u|z|^2 + 4v(|c| + |z|^2) (u = 2^-24 from the five
// roundings to float, v = 2^-53 from the double sums); z1 = c is exact.
bool OrbitsStayInside(Complex c0, double cRadius) {
  constexpr double u = 0x1p-24, v = 0x1p-53;
  Complex centre = c0;
  double radius = cRadius;
  for (int n = 1;; ++n) {
    const double bound = std::abs(centre) + radius;  // |z_n| <= bound
    if (!(bound <= 1.99)) return false;
    if (n == kEscapeStepLimit) return true;
    const double rounding =
        4 * u * bound * bound + 4 * v * (std::abs(c0) + cRadius + bound * bound);
    // The disc's own arithmetic is rounded too: widened well beyond its error.
    radius = (2 * std::abs(centre) * radius + radius * radius + cRadius + rounding) * (1 + 1e-9) +
             4 * v * (std::norm(centre) + std::abs(c0)) + 1e-30;
    centre = centre * centre + c0;
  }
}

struct Proof {
  int depth;      // subdivisions allowed
  long failures;  // squares left unproved at the finest level
};

// The main cardioid's seeds c = mu/2 - mu^2/4 for mu in a square of half side `half` about mu0,
// inside the disc |mu| <= muLimit; the image of the square lies within the disc about c(mu0) of
// radius rho (|1 - mu0| / 2 + rho / 4), rho the square's half diagonal.
void ProveCardioid(Complex mu0, double half, double muLimit, int depth, Proof& proof) {
  const double rho = half * std::sqrt(2.0);
  if (std::abs(mu0) - rho > muLimit) return;
  const Complex c0 = mu0 / 2.0 - mu0 * mu0 / 4.0;
  if (OrbitsStayInside(c0, rho * (std::abs(1.0 - mu0) / 2 + rho / 4))) return;
  if (depth == 0) {
    ++proof.failures;
    return;
  }
  for (const Complex corner : {Complex(-1, -1), Complex(1, -1), Complex(-1, 1), Complex(1, 1)}) {
    ProveCardioid(mu0 + corner * (half / 2), half / 2, muLimit, depth - 1, proof);
  }
}

// Seeds in a square of half side `half` about c0 within the disc |c - centre| <= radius.
void ProveDisc(Complex centre, double radius, Complex c0, double half, int depth, Proof& proof) {
  const double rho = half * std::sqrt(2.0);
  if (std::abs(c0 - centre) - rho > radius) return;
  if (OrbitsStayInside(c0, rho)) return;
  if (depth == 0) {
    ++proof.failures;
    return;
  }
  for (const Complex corner : {Complex(-1, -1), Complex(1, -1), Complex(-1, 1), Complex(1, 1)}) {
    ProveDisc(centre, radius, c0 + corner * (half / 2), half / 2, depth - 1, proof);
  }
}

// The kernels' membership tests err by far less than 1e-6 in |mu|^2 and in the squared
// distances to the disc centres; the proof covers regions 1e-4 wider.
TEST(EscapeInteriorShortcut, EverySeedItTakesStaysFiftyStepsUnderRounding) {
  Proof cardioid{18, 0};
  const double muLimit = std::sqrt(kCardioidMuSquaredLimit) + 1e-4;
  ProveCardioid(Complex(0, 0), muLimit, muLimit, cardioid.depth, cardioid);
  EXPECT_EQ(cardioid.failures, 0);
  Proof bulb{18, 0};
  const double bulbLimit = std::sqrt(kBulbRadiusSquaredLimit) + 1e-4;
  ProveDisc(Complex(-1, 0), bulbLimit, Complex(-1, 0), bulbLimit, bulb.depth, bulb);
  EXPECT_EQ(bulb.failures, 0);
  for (const InteriorDisc& disc : kInteriorDiscs) {
    const double limit = std::sqrt(disc.radiusSquared) + 1e-4;
    for (const double im : {disc.im, -disc.im}) {
      Proof proof{14, 0};
      ProveDisc(Complex(disc.re, im), limit, Complex(disc.re, im), limit, proof.depth, proof);
      EXPECT_EQ(proof.failures, 0) << "disc about " << disc.re << " + " << im << "i";
    }
  }
}

// The same proof fails where it must: regions reaching seeds that escape within 50 steps.
TEST(EscapeInteriorShortcut, ProofRejectsRegionsThatReachEscapingSeeds) {
  EXPECT_LT(EscapeCount(0.36f, 0.6f), kEscapeStepLimit);
  Proof cardioid{6, 0};
  ProveCardioid(Complex(0, 0), 1.2, 1.2, cardioid.depth, cardioid);  // reaches 0.36 + 0.6i
  EXPECT_GT(cardioid.failures, 0);
  EXPECT_LT(EscapeCount(-1.0f, 0.35f), kEscapeStepLimit);
  Proof bulb{6, 0};
  ProveDisc(Complex(-1, 0), 0.35, Complex(-1, 0), 0.35, bulb.depth, bulb);  // reaches -1 + 0.35i
  EXPECT_GT(bulb.failures, 0);
}

// The plan's ranges on the rows through the regions' rims: together with the columns that escape
// at the first step they cover each row once, and every column taken as interior passes the
// membership test (which the section of a region being one interval promises).
TEST(EscapeRowPlan, RangesCoverEachRowOnceAndHoldOnlyInteriorSeeds) {
  std::vector<float> seeds;
  int32_t interiorColumns = 0, insideColumns = 0;
  for (const Complex c : RegionRimPoints()) {
    for (const int log2Pitch : {22, 12}) {
      const EscapeColumns columns = RowAbout(c.real(), log2Pitch, 1024, seeds);
      const float ci = static_cast<float>(c.imag());
      EscapeRowPlan plan;
      PlanEscapeRow(columns, ci, &plan);
      std::vector<int> kind(columns.count, 0);  // 0: escapes at once, 1: iterated, 2: interior
      for (int32_t r = 0; r < plan.spanCount; ++r) {
        for (int32_t j = plan.spanBegin[r]; j < plan.spanEnd[r]; ++j) kind[j] += 1;
      }
      for (int32_t r = 0; r < plan.interiorCount; ++r) {
        for (int32_t j = plan.interiorBegin[r]; j < plan.interiorEnd[r]; ++j) kind[j] += 2;
      }
      for (int32_t j = 0; j < columns.count; ++j) {
        const float cr = seeds[j];
        ASSERT_LE(kind[j], 2) << cr << " + " << ci << "i is in two ranges";
        if (kind[j] == 2) {
          ASSERT_TRUE(InInteriorRegion(cr, ci)) << cr << " + " << ci << "i";
        }
        if (kind[j] == 0) {
          ASSERT_EQ(EscapeCount(cr, ci), 0) << cr << " + " << ci << "i";
        }
        interiorColumns += kind[j] == 2;
        insideColumns += InInteriorRegion(cr, ci);
      }
    }
  }
  // Not a vacuous check: the ranges take nearly every column the membership test takes.
  EXPECT_GE(interiorColumns, insideColumns * 0.99);
  EXPECT_GT(interiorColumns, 50000);
}

TEST(EscapeKernelChoice, ProgramUsesTheWidestVectorsThisCpuRuns) {
#if OSTREVANE_X86_KERNELS
  const EscapeRowKernel expected = CpuRunsAvx512() ? EscapeRowAvx512SkipKnown
                                   : CpuRunsAvx2() ? EscapeRowAvx2SkipKnown
                                                   : EscapeRowSse2SkipKnown;
#elif OSTREVANE_NEON_KERNELS
  const EscapeRowKernel expected = EscapeRowNeonSkipKnown;
#elif OSTREVANE_SIMD128_KERNELS
  const EscapeRowKernel expected = EscapeRowSimd128SkipKnown;
#else
  const EscapeRowKernel expected = EscapeRowScalar;
#endif
  EXPECT_EQ(FastestEscapeRowKernel(), expected);
}

}  // namespace
