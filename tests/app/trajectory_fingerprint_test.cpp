// Every bit of the simulation, pinned: the World stepped from its start-up state through all
// friction and torque settings, and single evaluations on random states, are hashed bit for bit
// and compared with the fingerprints the reference implementation of the recursion produced.
// Any reordering of the arithmetic, however harmless it looks, changes a fingerprint; a change
// that is meant to alter results must say so and record the new value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "app/world.h"
#include "dynamics/dynamics.h"
#include "viewer/drive_settings.h"

namespace pendula {
namespace {

constexpr double Step = 0.012;

// FNV-1a over the bytes of the doubles: order-sensitive and bit-exact, signed zeros included,
// except that every NaN is hashed as the one quiet NaN. IEEE 754 leaves the sign and payload of
// a NaN result open, and which operand's NaN an x86 instruction passes on depends on the operand
// order the compiler picks, which differs between optimisation levels; chains that the
// frictionless settings drive to NaN would otherwise give each build its own fingerprint.
class Fingerprint {
 public:
  void Add(const double* values, int count) {
    for (int n = 0; n < count; ++n) {
      const double value =
          std::isnan(values[n]) ? std::numeric_limits<double>::quiet_NaN() : values[n];
      unsigned char bytes[sizeof(double)];
      std::memcpy(bytes, &value, sizeof bytes);
      for (unsigned char byte : bytes) hash_ = (hash_ ^ byte) * 0x100000001b3ull;
    }
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// Uniform in [lo, hi) from the raw 64-bit output, independent of the standard library's
// distributions.
double Uniform(std::mt19937_64& generator, double lo, double hi) {
  const double unit = static_cast<double>(generator() >> 11) * 0x1.0p-53;
  return lo + (hi - lo) * unit;
}

World world;

TEST(TrajectoryFingerprint, HundredChainsFromStartUpThroughEverySetting) {
  setUpModel(Step);
  SetInitialAnglesAndRates(world);
  InitialiseMomenta(world);
  // The settings the keys select, each for a stretch of passes.
  const DriveSettings stretches[] = {{5.0, 0.0}, {0.0, 100.0}, {1.0, -100.0}, {0.0, 0.0}};
  Fingerprint fingerprint;
  for (const DriveSettings& settings : stretches) {
    // The step itself, not the idle pass, which would restart the chains that overflow.
    for (int pass = 0; pass < 100; ++pass) {
      StepChains(world.momenta, world.angles, ChainCount, settings.frictionCoefficient,
                 settings.appliedTorque);
    }
    fingerprint.Add(&world.angles[0][0], ChainCount * JointsPerChain);
    fingerprint.Add(&world.momenta[0][0], ChainCount * JointsPerChain);
  }
  EXPECT_EQ(fingerprint.value(), 0xc68b6d36e6893e56ull);
}

TEST(TrajectoryFingerprint, EvaluationsOnRandomStates) {
  setUpModel(Step);
  SetActiveJointTorques(5.0, 100.0);
  std::mt19937_64 generator(7);
  Fingerprint fingerprint;
  for (int s = 0; s < 1000; ++s) {
    double angles[20], rates[20], momenta[20], pdot[20], qdot[20];
    // Angles of many turns too, as the chains reach them.
    const double range = s % 2 == 0 ? 3.141592653589793 : 2000.0;
    for (int k = 0; k < 20; ++k) {
      angles[k] = Uniform(generator, -range, range);
      rates[k] = Uniform(generator, -3.0, 3.0);
    }
    MomentumInitialisation(momenta, angles, rates);
    ForwardDynamics(momenta, angles, pdot, qdot);
    fingerprint.Add(momenta, 20);
    fingerprint.Add(pdot, 20);
    fingerprint.Add(qdot, 20);
  }
  EXPECT_EQ(fingerprint.value(), 0xee8a0db6c90371bdull);
}

}  // namespace
}  // namespace pendula
