// Every bit of the simulation, pinned: the World stepped from its start-up state through all
// friction and torque settings, and single evaluations on random states, are hashed bit for bit
// and compared with the fingerprints the reference implementation of the recursion produced.
// Any reordering of the arithmetic, however harmless it looks, changes a fingerprint; a change
// that is meant to alter results must say so and record the new value.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "app/world.h"
#include "pendula/dynamics.h"
#include "tests/support/fingerprint.h"
#include "viewer/drive_settings.h"

namespace pendula {
namespace {

using testing::Fingerprint;

constexpr double Step = 0.012;

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
