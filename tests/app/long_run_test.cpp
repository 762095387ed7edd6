// Long runs of the whole World, as the idle handler steps it but without drawing: 20,000 passes
// (240 simulated seconds; fewer under the sanitizers) from the start-up state at every friction
// and torque the keys can select. Faults they would catch: a state that blows up or goes non-finite
// under damping, an integrator or dynamics that feeds energy into a damped chain, and reads out of
// bounds or crashes once an undamped chain drifts (run under the sanitizers as well).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>
#include <string>

#include "app/chain_restart.h"
#include "app/idle_pass.h"
#include "app/world.h"
#include "pendula/dynamics.h"

namespace pendula {
namespace {

constexpr double Step = 0.012;
#if defined(__SANITIZE_ADDRESS__)
// A pass costs about ten times as much under the sanitizers. 2,000 passes (24 simulated seconds)
// still take every setting well past the passes where the fast chains overflow (87 to 204), so
// the overflowing states go through the lookup's guard under the sanitizers' eyes as well.
constexpr int LongRunPasses = 2000;
#else
constexpr int LongRunPasses = 20000;
#endif

// Every link: mass 1, length 1, centre of mass in its middle; gravity along -y.
constexpr double LinkMass = 1.0;
constexpr double LinkLength = 1.0;
constexpr double CentreOfMassAlongLink = 0.5;
constexpr double Gravity = 9.80665;

struct ChainEnergy {
  double kinetic;    // ½ pᵀ q̇, q̇ from ForwardDynamics
  double potential;  // Σ m g y of the centres of mass, y measured from the joint-1 axis
  double Total() const { return kinetic + potential; }
};

ChainEnergy EnergyOf(const double (&momenta)[JointsPerChain],
                     const double (&angles)[JointsPerChain]) {
  double momentumRates[JointsPerChain];
  double jointRates[JointsPerChain];
  ForwardDynamics(momenta, angles, momentumRates, jointRates);
  double twiceKinetic = 0.0;
  for (int k = 0; k < JointsPerChain; ++k) twiceKinetic += momenta[k] * jointRates[k];

  // Link k points along the sum of joint angles 1 to k.
  double absoluteAngle = 0.0;
  double jointHeight = 0.0;
  double potential = 0.0;
  for (int k = 0; k < JointsPerChain; ++k) {
    absoluteAngle += angles[k];
    const double sine = std::sin(absoluteAngle);
    potential += LinkMass * Gravity * (jointHeight + CentreOfMassAlongLink * LinkLength * sine);
    jointHeight += LinkLength * sine;
  }
  return ChainEnergy{0.5 * twiceKinetic, potential};
}

// The most one pass can add to a chain's energy through the table alone: one table step of
// error in an angle, 2 pi / 999,999 rad, times the largest gravity torque on a joint,
// g Σ (j - 0.5) m = 200 g N m for the whole chain held out horizontally: about 0.0123 J.
constexpr double TableStep = 6.283185307179586 / 999999.0;
constexpr double TableResolutionEnergy = TableStep * 200.0 * LinkMass * Gravity;

struct DriveCase {
  double friction;
  double torque;
  bool staysFinite;
  bool checkEnergy;             // no torque, friction on: every chain ends with less energy
  bool energyRisesOnlyByTable;  // and no pass adds more than TableResolutionEnergy
};

// How the test listing shows a case, rather than as the record's raw bytes.
void PrintTo(const DriveCase& drive, std::ostream* os) {
  *os << "friction " << drive.friction << ", torque " << drive.torque;
}

std::string CaseName(const ::testing::TestParamInfo<DriveCase>& info) {
  auto number = [](double value) {
    std::string text = std::to_string(static_cast<int>(value));
    return value < 0 ? "Minus" + text.substr(1) : text;
  };
  return "Friction" + number(info.param.friction) + "Torque" + number(info.param.torque);
}

class LongRun : public ::testing::TestWithParam<DriveCase> {
 protected:
  static void SetUpTestSuite() { setUpModel(Step); }
  void SetUp() override {
    SetInitialAnglesAndRates(world_);
    InitialiseMomenta(world_);
  }
  static World world_;
};
World LongRun::world_;

// Why no chain is held to an energy that never rises from one pass to the next: the discrete
// motion has no such energy. Heun's method is not dissipative step by step: its O(h^3) error
// adds energy wherever the motion is fast compared with 1/h, up to 386 J in one pass of a
// whipping chain at friction 1. And with sines and cosines from a table the gravity torques are
// constant over each table cell, which is no gradient field, so no potential makes the energy
// conserved to rounding even as h -> 0: at h = 0.00012 and friction 5 single passes still gain
// up to 0.03 J (a potential built from the table's own sines and cosines does worse, not
// better). What is checked instead: every chain ends the run with less energy than it started
// with, the kinetic energy is never negative, and at friction 5, where the damping keeps the
// motion slow, no pass adds more than the table's resolution can.
//
// Friction 1 with a torque of 100 either way, like friction 0, spins chains up until Heun's
// method at h = 0.012 is unstable for them: the first chain goes non-finite at pass 95 (torque
// -100) or 113 (torque 100), while at h = 0.0012 all stay finite. There the check is that
// nothing crashes and that the sine lookup's guard turns the overflowing state into NaN.
TEST_P(LongRun, StaysSoundOverALongRun) {
  const DriveCase drive = GetParam();
  const DriveSettings settings{drive.friction, drive.torque};

  static double startEnergy[ChainCount];
  static double previousEnergy[ChainCount];
  double startTotal = 0.0;
  for (int i = 0; i < ChainCount; ++i) {
    startEnergy[i] = previousEnergy[i] = EnergyOf(world_.momenta[i], world_.angles[i]).Total();
    startTotal += startEnergy[i];
  }

  double largestRise = -std::numeric_limits<double>::infinity();  // J, over one pass
  double smallestKinetic = std::numeric_limits<double>::infinity();
  int firstNonFinitePass = 0;
  for (int pass = 1; pass <= LongRunPasses; ++pass) {
    StepAllChains(world_, settings);
    for (int i = 0; i < ChainCount; ++i) {
      if (firstNonFinitePass == 0 && !ChainStateIsFinite(world_.angles[i], world_.momenta[i]))
        firstNonFinitePass = pass;
      if (!drive.checkEnergy) continue;
      const ChainEnergy now = EnergyOf(world_.momenta[i], world_.angles[i]);
      largestRise = std::fmax(largestRise, now.Total() - previousEnergy[i]);
      smallestKinetic = std::fmin(smallestKinetic, now.kinetic);
      previousEnergy[i] = now.Total();
    }
    if (drive.staysFinite) {
      ASSERT_EQ(firstNonFinitePass, 0) << "a chain went non-finite at pass " << pass;
    }
  }

  double endTotal = 0.0;
  double largestAngle = 0.0;
  double largestMomentum = 0.0;
  for (int i = 0; i < ChainCount; ++i) {
    const double energy = EnergyOf(world_.momenta[i], world_.angles[i]).Total();
    endTotal += energy;
    if (drive.checkEnergy) {
      EXPECT_LT(energy, startEnergy[i]) << "friction took no energy out of chain " << i;
    }
    for (int k = 0; k < JointsPerChain; ++k) {
      largestAngle = std::fmax(largestAngle, std::fabs(world_.angles[i][k]));
      largestMomentum = std::fmax(largestMomentum, std::fabs(world_.momenta[i][k]));
    }
  }
  std::printf(
      "friction %g torque %g, %d passes: energy of all chains %.9g J -> %.9g J; largest |q| "
      "%.6g, |p| %.6g; first non-finite pass %d (0: none)\n",
      drive.friction, drive.torque, LongRunPasses, startTotal, endTotal, largestAngle,
      largestMomentum, firstNonFinitePass);
  if (drive.checkEnergy) {
    std::printf(
        "  largest one-pass energy rise of a chain %.6g J; smallest kinetic energy %.3g J\n",
        largestRise, smallestKinetic);
    // ½ pᵀ A⁻¹ p with a positive definite A: negative only if the joint rates are wrong.
    EXPECT_GE(smallestKinetic, 0.0);
    if (drive.energyRisesOnlyByTable) {
      EXPECT_LE(largestRise, TableResolutionEnergy);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryDriveSetting, LongRun,
                         ::testing::Values(DriveCase{5.0, 0.0, true, true, true},
                                           DriveCase{1.0, 0.0, true, true, false},
                                           DriveCase{0.0, 0.0, false, false, false},
                                           DriveCase{5.0, -100.0, true, false, false},
                                           DriveCase{5.0, 100.0, true, false, false},
                                           DriveCase{1.0, -100.0, false, false, false},
                                           DriveCase{1.0, 100.0, false, false, false},
                                           DriveCase{0.0, -100.0, false, false, false},
                                           DriveCase{0.0, 100.0, false, false, false}),
                         CaseName);

}  // namespace
}  // namespace pendula
