// Tests of the SineTable and its lookup rule, including the
// mended fault: angles outside the 32-bit reduction give NaN instead of reading off the table.
#include "dynamics/trigonometry/sine_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "dynamics/trigonometry/exact_sines.h"
#include "pendula/dynamics.h"
#include "tests/dynamics/chain_fixture.h"
#include "tests/dynamics/registers/register_lookup.h"

namespace pendula {
namespace {

// The table's truncation error: below one SineStep (about 6.3e-6) in the angle.
constexpr double TableResolution = 6.3e-6;

class SineTableTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(0.012); }
};

// A table built as setUpModel builds the one that SineLookup and CosineLookup read.
const SineTable& Table() {
  return testing::TestSineTable();
}

// The lookup rule written independently, with 64-bit integers and a bounds check: the index it
// reads, or -1 when the angle is outside the range. Used only for angles inside the range.
struct RuleResult {
  std::int64_t index;
  bool negative;
};
RuleResult ReferenceRule(double x) {
  const double turns = x * 0.15915494309189535;
  const std::int64_t j = static_cast<std::int64_t>(std::trunc(turns));
  const std::int64_t evenTurns = 2 * j;
  const double r = x - static_cast<double>(evenTurns) * 3.141592653589793;
  const std::int64_t i = static_cast<std::int64_t>(std::trunc(r / Table().step));
  return RuleResult{i < 0 ? -i : i, r < 0.0};
}
double ReferenceSine(double x) {
  const RuleResult rule = ReferenceRule(x);
  EXPECT_GE(rule.index, 0);
  EXPECT_LT(rule.index, SineTableSize);
  if (rule.index < 0 || rule.index >= SineTableSize) return 0.0;
  const double entry = Table().entries[rule.index];
  return rule.negative ? -entry : entry;
}

// The largest angle whose turn count x·(1/2π) stays below 2^30.
double LargestAngleInRange() {
  double x = LookupTurnLimit * TwoPi;
  while (!(x * InverseTwoPi < LookupTurnLimit)) x = std::nextafter(x, 0.0);
  while (std::nextafter(x, INFINITY) * InverseTwoPi < LookupTurnLimit) {
    x = std::nextafter(x, INFINITY);
  }
  return x;
}

TEST_F(SineTableTest, TableHasMillionEntriesOverOnePeriod) {
  EXPECT_EQ(Table().size, 1000000);
  EXPECT_EQ(Table().step, 6.283185307179586 / 999999.0);
  EXPECT_EQ(Table().entries[0], 0.0);
  EXPECT_EQ(Table().entries[999999], std::sin(999999 * Table().step));
  EXPECT_NEAR(Table().entries[999999], 0.0, 1e-15);  // sin 2π
  EXPECT_EQ(Table().entries[123456], std::sin(123456 * Table().step));
}

TEST_F(SineTableTest, ZeroIsExactlyZero) {
  EXPECT_EQ(SineLookup(0.0), 0.0);
}

TEST_F(SineTableTest, NegativeAngleIsExactMirror) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> angle(0.0, 2000.0);
  for (int n = 0; n < 10000; ++n) {
    const double x = angle(random);
    ASSERT_EQ(SineLookup(-x), -SineLookup(x)) << x;
  }
}

TEST_F(SineTableTest, SineOfPiIsEntryBelowNotZero) {
  EXPECT_EQ(SineLookup(3.141592653589793), Table().entries[499999]);
  EXPECT_NEAR(SineLookup(3.141592653589793), 3.14e-6, 0.005e-6);
}

TEST_F(SineTableTest, CosineOfZeroIsEntryBelowNotOne) {
  EXPECT_EQ(CosineLookup(0.0), Table().entries[249999]);
  // Known as 0.99999999998889... truncated, and as 0.9999999999888967 to full precision.
  EXPECT_GE(CosineLookup(0.0), 0.99999999998889);
  EXPECT_LT(CosineLookup(0.0), 0.99999999998890);
  EXPECT_NEAR(CosineLookup(0.0), 0.9999999999888967, 0.5e-16);
}

TEST_F(SineTableTest, CosineIsSineOfComplement) {
  for (double x : {0.0, 0.3, -1.2, 7.5, -1980.0, 1e6}) {
    EXPECT_EQ(CosineLookup(x), SineLookup(1.5707963267948966 - x)) << x;
  }
}

TEST_F(SineTableTest, TruncatesWithoutInterpolation) {
  // Just below entry 1000's angle the lookup takes entry 999, whatever the fraction.
  const double at1000 = 1000 * Table().step;
  EXPECT_EQ(SineLookup(std::nextafter(at1000, 0.0)), Table().entries[999]);
  EXPECT_EQ(SineLookup(1000.9 * Table().step), Table().entries[1000]);
}

TEST_F(SineTableTest, ErrorBelowOneTableStep) {
  // A sweep against the library functions: |error| <= one step of the angle.
  constexpr double Spacing = 0.000731;
  constexpr int Samples = 136799;  // -50 to +50
  for (int n = 0; n < Samples; ++n) {
    const double x = -50.0 + n * Spacing;
    ASSERT_NEAR(SineLookup(x), std::sin(x), TableResolution) << x;
    ASSERT_NEAR(CosineLookup(x), std::cos(x), TableResolution) << x;
  }
}

TEST_F(SineTableTest, FollowsTheRuleExactlyForRandomAngles) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> exponent(-3.0, 9.8);
  std::uniform_int_distribution<int> sign(0, 1);
  for (int n = 0; n < 20000; ++n) {
    const double x = (sign(random) ? -1.0 : 1.0) * std::pow(10.0, exponent(random));
    ASSERT_EQ(SineLookup(x), ReferenceSine(x)) << x;
  }
}

TEST_F(SineTableTest, ManyTurnsAreReducedInsideTheLookup) {
  // The last chain's first joint starts at 1980 rad.
  EXPECT_EQ(SineLookup(1980.0), ReferenceSine(1980.0));
  EXPECT_NEAR(SineLookup(1980.0), std::sin(1980.0), 1e-5);
  EXPECT_NEAR(CosineLookup(1980.0), std::cos(1980.0), 1e-5);
}

TEST_F(SineTableTest, NonFiniteAngleGivesQuietNaN) {
  EXPECT_TRUE(std::isnan(SineLookup(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isnan(SineLookup(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(SineLookup(-std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(CosineLookup(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isnan(CosineLookup(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(CosineLookup(-std::numeric_limits<double>::infinity())));
}

TEST_F(SineTableTest, AngleBeyondTheReductionGivesQuietNaN) {
  EXPECT_TRUE(std::isnan(SineLookup(1e300)));
  EXPECT_TRUE(std::isnan(SineLookup(-1e300)));
  EXPECT_TRUE(std::isnan(CosineLookup(1e300)));
  EXPECT_TRUE(std::isnan(CosineLookup(-1e300)));
  EXPECT_TRUE(std::isnan(SineLookup(LookupTurnLimit * TwoPi)));
  EXPECT_TRUE(std::isnan(SineLookup(-LookupTurnLimit * TwoPi)));
  EXPECT_TRUE(std::isnan(SineLookup(std::numeric_limits<double>::max())));
}

TEST_F(SineTableTest, LargestAngleInRangeFollowsTheRule) {
  const double largest = LargestAngleInRange();
  EXPECT_NEAR(largest, 6.7465e9, 0.0001e9);  // about 2^30 turns
  EXPECT_FALSE(std::isnan(SineLookup(largest)));
  EXPECT_EQ(SineLookup(largest), ReferenceSine(largest));
  EXPECT_EQ(SineLookup(-largest), ReferenceSine(-largest));
  EXPECT_EQ(SineLookup(-largest), -SineLookup(largest));
  // One representable step further is outside.
  EXPECT_TRUE(std::isnan(SineLookup(std::nextafter(largest, INFINITY))));
  EXPECT_TRUE(std::isnan(SineLookup(-std::nextafter(largest, INFINITY))));
}

TEST_F(SineTableTest, IndexStaysInTableNearTheEdgeOfTheRange) {
  // Angles just either side of whole turns, up to the edge of the range: the reduction's
  // rounding must never carry the index past entry 999,999 (ReferenceSine checks the index).
  const double largest = LargestAngleInRange();
  for (double turns : {1.0, 1e3, 1e6, 1e8, 5e8, 1e9, 1.07e9}) {
    const double base = std::floor(turns) * TwoPi;
    double x = base;
    for (int n = 0; n < 64 && x < largest; ++n) {
      ASSERT_EQ(SineLookup(x), ReferenceSine(x)) << x;
      ASSERT_EQ(SineLookup(-x), ReferenceSine(-x)) << x;
      x = std::nextafter(x, INFINITY);
    }
    x = base;
    for (int n = 0; n < 64; ++n) {
      x = std::nextafter(x, 0.0);
      ASSERT_EQ(SineLookup(x), ReferenceSine(x)) << x;
    }
  }
  double x = largest;
  for (int n = 0; n < 256; ++n, x = std::nextafter(x, 0.0)) {
    ASSERT_EQ(SineLookup(x), ReferenceSine(x)) << x;
  }
}

// Whether a and b are the same bits, or both NaN.
bool SameValue(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || BitsAs<std::uint64_t>(a) == BitsAs<std::uint64_t>(b);
}

// The packed lookups of the evaluations, W angles at once, must read exactly what the single
// lookup reads, in every lane, whatever the other lanes hold: signed zeros, angles a hair either
// side of multiples of π/2 and of whole table steps, many turns, the edge of the range (where a
// pack falls back lane by lane) and non-finite angles. sinesOf(pack, sines) is the packed lookup.
template <int W, typename SinesOf>
void ExpectPackedLookupReadsAsTheSingleLookup(const std::vector<double>& angles, SinesOf sinesOf) {
  const std::size_t n = angles.size();
  for (std::size_t a = 0; a < n; ++a) {
    double pack[W], sines[W];
    for (int lane = 0; lane < W; ++lane)
      pack[lane] = angles[(a + 7 * static_cast<std::size_t>(lane * lane)) % n];
    sinesOf(pack, sines);
    for (int lane = 0; lane < W; ++lane) {
      ASSERT_TRUE(SameValue(sines[lane], SineLookup(pack[lane])))
          << W << " lanes: " << pack[lane] << " in lane " << lane;
    }
  }
}

// The packed lookup of this unit's code, for plain x86-64: packs wider than a register come back
// as pairs of packs, lane for lane.
template <int W>
void ExpectPackedLookupReadsAsTheSingleLookup(const std::vector<double>& angles) {
  ExpectPackedLookupReadsAsTheSingleLookup<W>(angles, [](const double(&in)[W], double(&out)[W]) {
    LanePack<W> pack;
    std::memcpy(&pack, in, sizeof pack);
    const auto sines = SinesAt(Table(), SineTablePlacesOf<W>(Table(), pack));
    for (int lane = 0; lane < W; ++lane) out[lane] = sines[lane];
  });
}

// The same for the sines and the cosines of one register of W lanes, on a CPU that has it.
template <int W>
void ExpectRegisterLookupReadsAsTheSingleLookup(const std::vector<double>& angles, bool cpuHasIt) {
  if (!testing::HasRegisterLookup<W>() || !cpuHasIt) return;
  ExpectPackedLookupReadsAsTheSingleLookup<W>(angles, [](const double(&in)[W], double(&out)[W]) {
    double cosines[W];
    testing::SinesAndCosinesOfARegister<W>(Table(), in, out, cosines);
    for (int lane = 0; lane < W; ++lane) {
      ASSERT_TRUE(SameValue(cosines[lane], CosineLookup(in[lane])))
          << W << " lanes: cosine of " << in[lane] << " in lane " << lane;
    }
  });
}

TEST_F(SineTableTest, PackedLookupReadsExactlyWhereTheSingleLookupReads) {
  const double largest = LargestAngleInRange();
  std::vector<double> angles = {0.0,
                                -0.0,
                                1e-300,
                                -1e-300,
                                1e-7,
                                -1e-7,
                                1980.0,
                                -1980.0,
                                largest,
                                -largest,
                                std::nextafter(largest, INFINITY),
                                -std::nextafter(largest, INFINITY),
                                1e300,
                                -1e300,
                                INFINITY,
                                -INFINITY,
                                std::numeric_limits<double>::quiet_NaN()};
  for (int k = -8; k <= 8; ++k) {
    const double x = k * (HalfPi);
    for (double y : {x, std::nextafter(x, INFINITY), std::nextafter(x, -INFINITY)}) {
      angles.push_back(y);
    }
  }
  for (int k : {1, 999, 250000, 499999, 999998}) {
    const double x = k * Table().step;
    angles.push_back(std::nextafter(x, 0.0));
    angles.push_back(-std::nextafter(x, 0.0));
    angles.push_back(x);
  }
  // Turn counts past the range, whose doubled count does not fit 32 bits, or just fits.
  for (double turns : {LookupTurnLimit + 0.5, 1.5 * LookupTurnLimit, 2 * LookupTurnLimit - 1,
                       2 * LookupTurnLimit, 2 * LookupTurnLimit + 3, 8 * LookupTurnLimit}) {
    angles.push_back(turns * TwoPi);
    angles.push_back(-turns * TwoPi);
  }
  std::mt19937 random(83);
  std::uniform_real_distribution<double> any(-1e4, 1e4);
  for (int n = 0; n < 200; ++n) angles.push_back(any(random));
  ExpectPackedLookupReadsAsTheSingleLookup<2>(angles);
  ExpectPackedLookupReadsAsTheSingleLookup<4>(angles);
  ExpectPackedLookupReadsAsTheSingleLookup<8>(angles);
  // One AVX2 and one AVX-512 register as the evaluations of that width read them, sines and
  // cosines.
  ExpectRegisterLookupReadsAsTheSingleLookup<4>(angles, __builtin_cpu_supports("avx2"));
  ExpectRegisterLookupReadsAsTheSingleLookup<8>(angles, __builtin_cpu_supports("avx512f"));
}

// Exact sines and cosines are pendula's own: within an ulp of the true values (long double's, 11
// bits more) at the joints' few radians, far out to the end of the reduction and beside the
// multiples of π/2 where it cancels most; a pack's lanes bit for bit what each angle gives alone,
// with an angle beyond the reduction or not finite in a lane (the library's, for that lane).
TEST(ExactSines, AreWithinAnUlpAndPacksGiveEachAnglesBits) {
  std::vector<double> angles = {0.0, -0.0,  5e-324,         1e-300,         HalfPi,
                                Pi,  TwoPi, ReducibleAngle, -ReducibleAngle};
  std::mt19937_64 random(97);
  for (double range : {4.0, 1e3, ReducibleAngle}) {
    std::uniform_real_distribution<double> any(-range, range);
    for (int n = 0; n < 100000; ++n) angles.push_back(any(random));
  }
  for (int k = -60000; k <= 60000; k += 7) {
    const double x = k * HalfPi;
    angles.push_back(x);
    angles.push_back(std::nextafter(x, 0.0));
    angles.push_back(std::nextafter(x, 2.0 * x + 1.0));
  }
  auto ulpsOff = [](double value, long double truth) {
    const double rounded = static_cast<double>(truth);
    const double ulp = std::nextafter(std::fabs(rounded), INFINITY) - std::fabs(rounded);
    return static_cast<double>(std::fabs(static_cast<long double>(value) - truth) / ulp);
  };
  double worst = 0.0;
  for (const double x : angles) {
    double s, c;
    ExactSineAndCosine(x, s, c);
    const double off = std::fmax(ulpsOff(s, std::sin(static_cast<long double>(x))),
                                 ulpsOff(c, std::cos(static_cast<long double>(x))));
    ASSERT_LE(off, 1.0) << "x = " << x;
    worst = std::fmax(worst, off);
  }
  RecordProperty("worst_ulps", std::to_string(worst));

  angles.insert(angles.end(), {1e22, -1e300, std::numeric_limits<double>::max(), INFINITY,
                               std::numeric_limits<double>::quiet_NaN()});
  for (std::size_t i = 0; i + 1 < angles.size(); ++i) {
    const LanePack<2> x = {angles[i], angles[angles.size() - 1 - i]};
    LanePack<2> s, c;
    ExactSineAndCosine(x, s, c);
    for (int lane = 0; lane < 2; ++lane) {
      double sl, cl;
      ExactSineAndCosine(static_cast<double>(x[lane]), sl, cl);
      const double sPack = s[lane], cPack = c[lane];
      ASSERT_EQ(std::memcmp(&sPack, &sl, sizeof sl), 0) << "sin " << x[lane];
      ASSERT_EQ(std::memcmp(&cPack, &cl, sizeof cl), 0) << "cos " << x[lane];
    }
  }
  for (const double x : {1e22, -1e300, std::numeric_limits<double>::max()}) {
    double s, c;
    ExactSineAndCosine(x, s, c);
    EXPECT_EQ(s, std::sin(x));
    EXPECT_EQ(c, std::cos(x));
  }
}

}  // namespace
}  // namespace pendula
