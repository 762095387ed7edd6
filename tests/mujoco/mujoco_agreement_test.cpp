// pendula against MuJoCo on the identical chain: the same mass matrix, the same joint rates from
// the same momenta, and the same momentum rates, on random states.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "bench/mujoco/mujoco_chain.h"
#include "bench/mujoco/mujoco_rates.h"
#include "pendula/dynamics.h"

namespace pendula {
namespace {

using comparison::FreeMuJoCoChain;
using comparison::MakeMuJoCoChain;
using comparison::MuJoCoChain;
using comparison::MuJoCoMassMatrix;
using comparison::SetMuJoCoState;

constexpr int N = 20;
using Joints = double[N];

constexpr double StepSize = 0.012;
constexpr int RandomStateCount = 200;

double Uniform(std::mt19937_64& generator, double lo, double hi) {
  const double unit = static_cast<double>(generator() >> 11) * 0x1.0p-53;
  return lo + (hi - lo) * unit;
}

struct State {
  Joints angles;      // uniform in [-π, π]
  Joints jointRates;  // uniform in [-1, 1] rad/s
};

double MaxAbs(const Joints& x) {
  double m = 0.0;
  for (double v : x) m = std::max(m, std::fabs(v));
  return m;
}

// Largest difference relative to the largest magnitude of the reference: components that
// nearly cancel (a joint whose momentum is small next to its neighbours') are held to the same
// absolute accuracy as the rest, not to a relative one they cannot have.
double RelativeDifference(const Joints& x, const Joints& reference) {
  double d = 0.0;
  for (int k = 0; k < N; ++k) d = std::max(d, std::fabs(x[k] - reference[k]));
  return d / MaxAbs(reference);
}

// Each table sine or cosine is off by less than one table step, 2π/999,999 ≈ 6.3e-6 (the lookup
// truncates and does not interpolate), and along the chain these errors add: the frames of the
// links near the tip are off by up to 20 steps. So pendula and MuJoCo, which takes exact sines,
// can differ by up to 20 table steps relative to the size of the result (1.3e-4); on the 200
// states below the largest difference is about half of that. Any real fault (a wrong inertia,
// a lost Coriolis term, friction on the wrong link, gravity 9.81) is a difference of 3e-4 or
// far more.
constexpr double TableTolerance = 20 * (6.283185307179586 / 999999);
// With every angle zero the table is exact to 1.1e-11 (cos 0 is 0.99999999998889), so there the
// two engines must agree to rounding, and to the 1e-9 of the central difference in ṗ.
constexpr double RoundingTolerance = 1e-8;

class MuJoCoAgreement : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setUpModel(StepSize);
    chain_ = MakeMuJoCoChain(N);
    std::mt19937_64 generator(7);
    for (State& s : states_) {
      for (int k = 0; k < N; ++k) {
        s.angles[k] = Uniform(generator, -3.141592653589793, 3.141592653589793);
        s.jointRates[k] = Uniform(generator, -1.0, 1.0);
      }
    }
  }
  static void TearDownTestSuite() { FreeMuJoCoChain(chain_); }

  void SetUp() override { ASSERT_NE(chain_.model, nullptr) << chain_.error; }

  // MuJoCo's M(q) at the given angles.
  static void MassMatrix(const Joints& angles, double (&M)[N][N]) {
    const Joints zero = {};
    SetMuJoCoState(chain_, angles, zero);
    mj_forward(chain_.model, chain_.data);
    MuJoCoMassMatrix(chain_, &M[0][0]);
  }

  static void Multiply(const double (&M)[N][N], const Joints& x, Joints& out) {
    for (int i = 0; i < N; ++i) {
      out[i] = 0.0;
      for (int j = 0; j < N; ++j) out[i] += M[i][j] * x[j];
    }
  }

  // p = M(q) q̇ from MuJoCo's mass matrix.
  static void MuJoCoMomenta(const State& s, Joints& momenta) {
    comparison::MuJoCoMomenta(chain_, s.angles, s.jointRates, momenta);
  }

  // The rate of change of p = M(q) q̇ along MuJoCo's motion from state s, with the drive τ on
  // joint 1 and friction -b q̇_k as a moment on link k alone, as pendula applies them.
  static void MuJoCoMomentumRates(const State& s, double friction, double drive,
                                  Joints& momentumRates) {
    comparison::MuJoCoMomentumRates(chain_, s.angles, s.jointRates, friction, drive, momentumRates);
  }

  // pendula's ṗ on every random state against d/dt(M q̇) along MuJoCo's motion, with friction b
  // and drive τ in force on both sides.
  static void ExpectMomentumRatesMatchMuJoCo(double b, double tau) {
    SetActiveJointTorques(b, tau);
    for (const State& s : states_) {
      Joints expected, momenta, momentumRates, jointRates;
      MuJoCoMomentumRates(s, b, tau, expected);
      MomentumInitialisation(momenta, s.angles, s.jointRates);
      ForwardDynamics(momenta, s.angles, momentumRates, jointRates);
      EXPECT_LE(RelativeDifference(momentumRates, expected), TableTolerance);
    }
  }

  static MuJoCoChain chain_;
  static State states_[RandomStateCount];
};

MuJoCoChain MuJoCoAgreement::chain_;
State MuJoCoAgreement::states_[RandomStateCount];

// The friction coefficient and the drive torque the program can select.
constexpr double Friction = 5.0;
constexpr double Drive = 100.0;

// p = A(q) q̇ by pendula's O(n) recursion against MuJoCo's mass matrix times q̇.
TEST_F(MuJoCoAgreement, MomentaAreMuJoCoMassMatrixTimesRates) {
  for (const State& s : states_) {
    Joints expected, momenta;
    MuJoCoMomenta(s, expected);
    MomentumInitialisation(momenta, s.angles, s.jointRates);
    EXPECT_LE(RelativeDifference(momenta, expected), TableTolerance);
  }
}

// q̇ = A(q)^-1 p: pendula's joint rates for MuJoCo's momenta M q̇, checked by the residual
// M q̇_pendula - p. The rates themselves can differ more (up to 5e-3 here): the mass matrix of a
// 20-link chain is ill-conditioned, and solving magnifies the table's error in A(q).
TEST_F(MuJoCoAgreement, JointRatesSolveMuJoCoMassMatrixForMomenta) {
  SetActiveJointTorques(0.0, 0.0);
  for (const State& s : states_) {
    double M[N][N];
    MassMatrix(s.angles, M);
    Joints momenta, momentumRates, jointRates, residualMomenta;
    Multiply(M, s.jointRates, momenta);
    ForwardDynamics(momenta, s.angles, momentumRates, jointRates);
    Multiply(M, jointRates, residualMomenta);
    EXPECT_LE(RelativeDifference(residualMomenta, momenta), TableTolerance);
  }
}

// ṗ = -∂H/∂q under gravity alone.
TEST_F(MuJoCoAgreement, MomentumRatesUnderGravityMatchMuJoCo) {
  ExpectMomentumRatesMatchMuJoCo(0.0, 0.0);
}

// Friction is a moment -b q̇_k on link k alone and the drive a torque on joint 1 against the
// base: MuJoCo given exactly those forces moves as pendula says.
TEST_F(MuJoCoAgreement, FrictionOnEachLinkAndDriveOnJointOneMatchMuJoCo) {
  ExpectMomentumRatesMatchMuJoCo(Friction, Drive);
}

// Without the table's error the agreement is to rounding: a constant that is slightly off
// (gravity, an inertia, the link length) shows here though it hides under TableTolerance.
TEST_F(MuJoCoAgreement, StraightChainAgreesToRounding) {
  SetActiveJointTorques(Friction, Drive);
  for (const State& random : states_) {
    State s = random;
    for (double& angle : s.angles) angle = 0.0;
    Joints expectedMomenta, momenta;
    MuJoCoMomenta(s, expectedMomenta);
    MomentumInitialisation(momenta, s.angles, s.jointRates);
    EXPECT_LE(RelativeDifference(momenta, expectedMomenta), RoundingTolerance);

    double M[N][N];
    MassMatrix(s.angles, M);
    Joints expectedRates, momentumRates, jointRates, residualMomenta;
    ForwardDynamics(expectedMomenta, s.angles, momentumRates, jointRates);
    Multiply(M, jointRates, residualMomenta);
    EXPECT_LE(RelativeDifference(residualMomenta, expectedMomenta), RoundingTolerance);

    ForwardDynamics(momenta, s.angles, momentumRates, jointRates);
    MuJoCoMomentumRates(s, Friction, Drive, expectedRates);
    EXPECT_LE(RelativeDifference(momentumRates, expectedRates), RoundingTolerance);
  }
}

}  // namespace
}  // namespace pendula
