// Tests of the spatial kernels: the known edge cases and
// cross-checks against dense 6 by 6 matrices built here from the definitions of E, r and Xf.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "dynamics/spatial/plane_kernels.h"
#include "dynamics/spatial/spatial_kernels.h"
#include "tests/support/random_spatial.h"

namespace pendula {
namespace {

using testing::RandomInertia;
using testing::RandomTransform;
using testing::RandomVector;

// Rounding of a few dozen operations on numbers of order 1 to 10.
constexpr double RoundingTolerance = 1e-12;

using Dense = double[6][6];

// Xf = [[E, 0], [[r]x E, E]] with E = Rx(alpha) Rz(theta), r = Rx(alpha) (a, 0, -d).
void DenseForceTransform(Dense& X, const LinkTransform& t) {
  const double ca = t.cosAlpha, sa = t.sinAlpha, c = t.cosTheta, s = t.sinTheta;
  const double Rx[3][3] = {{1, 0, 0}, {0, ca, -sa}, {0, sa, ca}};
  const double Rz[3][3] = {{c, -s, 0}, {s, c, 0}, {0, 0, 1}};
  double E[3][3] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) E[i][j] += Rx[i][k] * Rz[k][j];
  const double r[3] = {t.a, t.d * sa, -t.d * ca};
  const double rx[3][3] = {{0, -r[2], r[1]}, {r[2], 0, -r[0]}, {-r[1], r[0], 0}};
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j) X[i][j] = 0.0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      X[i][j] = E[i][j];
      X[i + 3][j + 3] = E[i][j];
      for (int k = 0; k < 3; ++k) X[i + 3][j] += rx[i][k] * E[k][j];
    }
  }
}

void Unpack(Dense& out, const ArticulatedInertia& M) {
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j) out[i][j] = M[InertiaEntry(i, j)];
}

const double LinkInertia[6] = {0.01, 0.0, 0.0, 0.33, 0.0, 0.33};
const double LinkCentre[3] = {0.5, 0.0, 0.0};

TEST(ArticulatedInertiaLayout, EntriesFollowUpperTriangleRowByRow) {
  EXPECT_EQ(InertiaEntry(0, 0), 0);
  EXPECT_EQ(InertiaEntry(0, 5), 5);
  EXPECT_EQ(InertiaEntry(1, 1), 6);
  EXPECT_EQ(InertiaEntry(1, 5), 10);
  EXPECT_EQ(InertiaEntry(2, 2), 11);
  EXPECT_EQ(InertiaEntry(2, 5), 14);
  EXPECT_EQ(InertiaEntry(3, 3), 15);
  EXPECT_EQ(InertiaEntry(4, 5), 19);
  EXPECT_EQ(InertiaEntry(5, 5), 20);
  EXPECT_EQ(InertiaEntry(5, 1), InertiaEntry(1, 5));
}

TEST(SumChildVectors, EmptyListGivesSixZeros) {
  SpatialVector out = {{9, 9, 9, 9, 9, 9}};
  SumChildVectors(out);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], 0.0);
}

TEST(AddChildVectors, EmptyListGivesTheBase) {
  const SpatialVector base = {{1, -2, 3, -4, 5, -6}};
  SpatialVector out;
  AddChildVectors(out, base);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], base[i]);
}

TEST(AddChildVectors, AddsEveryListMember) {
  const SpatialVector base = {{1, 2, 3, 4, 5, 6}}, a = {{10, 20, 30, 40, 50, 60}},
                      b = {{100, 200, 300, 400, 500, 600}};
  SpatialVector out, sum;
  AddChildVectors(out, base, a, b);
  SumChildVectors(sum, a, b);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(out[i], 111.0 * (i + 1));
    EXPECT_EQ(sum[i], 110.0 * (i + 1));
  }
}

TEST(BuildArticulatedInertia, EmptyListGivesExactlyTheRigidBodyEntries) {
  ArticulatedInertia M;
  BuildArticulatedInertia(M, 1.0, LinkInertia, LinkCentre);
  const double expected[21] = {1, 0, 0,    0, 0,    0, 1, 0,    0, 0,   0.5,
                               1, 0, -0.5, 0, 0.01, 0, 0, 0.33, 0, 0.33};
  for (int i = 0; i < 21; ++i) EXPECT_EQ(M[i], expected[i]) << "entry " << i;
}

TEST(BuildArticulatedInertia, AddsEveryListMember) {
  std::mt19937 random(3);
  const ArticulatedInertia a = RandomInertia(random), b = RandomInertia(random);
  ArticulatedInertia rigid, M;
  BuildArticulatedInertia(rigid, 2.0, LinkInertia, LinkCentre);
  BuildArticulatedInertia(M, 2.0, LinkInertia, LinkCentre, a, b);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(M[i], (rigid[i] + a[i]) + b[i]) << "entry " << i;
}

TEST(ApplyRigidInertia, EqualsRigidBodyMatrixTimesVector) {
  std::mt19937 random(5);
  const double I[6] = {0.4, 0.1, -0.05, 0.7, 0.02, 0.9};
  const double rc[3] = {0.3, -0.2, 0.15};
  const double m = 1.7;
  ArticulatedInertia rigid;
  BuildArticulatedInertia(rigid, m, I, rc);
  Dense dense;
  Unpack(dense, rigid);
  for (int n = 0; n < 20; ++n) {
    const SpatialVector v = RandomVector(random);
    SpatialVector out;
    ApplyRigidInertia(out, m, I, rc, v);
    for (int i = 0; i < 6; ++i) {
      double expected = 0.0;
      for (int j = 0; j < 6; ++j) expected += dense[i][j] * v[j];
      EXPECT_NEAR(out[i], expected, RoundingTolerance) << i;
    }
    // lin(out) = m (lin(v) + ang(v) x rc): the centre-of-mass velocity times the mass.
    EXPECT_NEAR(out[0], m * (v[0] + v[4] * rc[2] - v[5] * rc[1]), RoundingTolerance);
    EXPECT_NEAR(out[1], m * (v[1] + v[5] * rc[0] - v[3] * rc[2]), RoundingTolerance);
    EXPECT_NEAR(out[2], m * (v[2] + v[3] * rc[1] - v[4] * rc[0]), RoundingTolerance);
  }
}

TEST(GravityForce, IsWeightAtTheCentreOfMass) {
  const double g[3] = {0.0, -9.80665, 0.0};
  SpatialVector w;
  GravityForce(w, g, LinkCentre, 1.0);
  const double expected[6] = {0.0, -9.80665, 0.0, 0.0, 0.0, 0.5 * -9.80665};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(w[i], expected[i]) << i;
  const double rc[3] = {0.1, 0.2, 0.3}, g2[3] = {1.0, 2.0, 4.0};
  GravityForce(w, g2, rc, 2.0);
  EXPECT_DOUBLE_EQ(w[3], 0.2 * 8.0 - 0.3 * 4.0);
  EXPECT_DOUBLE_EQ(w[4], 0.3 * 2.0 - 0.1 * 8.0);
  EXPECT_DOUBLE_EQ(w[5], 0.1 * 4.0 - 0.2 * 2.0);
}

TEST(JointKernels, TouchOnlyComponentFive) {
  const SpatialVector x = {{1, 2, 3, 4, 5, 6}};
  double component = 0.0;
  JointComponent(component, x);
  EXPECT_EQ(component, 6.0);
  SpatialVector out;
  AddJointRate(out, x, 0.5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], x[i]);
  EXPECT_EQ(out[5], 6.5);
  AddJointTorques(out, x, 100.0, -0.25);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], x[i]);
  EXPECT_EQ(out[5], (6.0 + 100.0) + -0.25);
}

TEST(Transforms, IdentityTransformReturnsInput) {
  const LinkTransform identity{0.0, 0.0, 0.0, 1.0, 0.0, 1.0};
  const SpatialVector v = {{1.5, -2.5, 3.5, -4.5, 5.5, -6.5}};
  SpatialVector out;
  TransformForceToParent(out, v, identity);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], v[i]);
  TransformMotionToChild(out, v, identity);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], v[i]);
  const double x[3] = {1.25, -2.0, 7.0};
  double y[3];
  RotateToChild(y, x, identity);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(y[i], x[i]);
}

TEST(TransformForceToParent, QuarterTurnMovesForceAndAddsMoment) {
  // a = 1, d = 0, alpha = 0, theta = π/2: the pure force (1, 0, 0) becomes (0, 1, 0) with
  // moment (0, 0, 1) about the parent origin.
  const LinkTransform X{1.0, 0.0, 0.0, 1.0, 1.0, 0.0};
  const SpatialVector f = {{1, 0, 0, 0, 0, 0}};
  SpatialVector out;
  TransformForceToParent(out, f, X);
  const double expected[6] = {0, 1, 0, 0, 0, 1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST(Transforms, MatchDenseForceTransformAndItsTranspose) {
  std::mt19937 random(17);
  for (int n = 0; n < 50; ++n) {
    const LinkTransform X = RandomTransform(random);
    Dense Xf;
    DenseForceTransform(Xf, X);
    const SpatialVector v = RandomVector(random);
    SpatialVector force, motion;
    TransformForceToParent(force, v, X);
    TransformMotionToChild(motion, v, X);
    for (int i = 0; i < 6; ++i) {
      double f = 0.0, m = 0.0;
      for (int j = 0; j < 6; ++j) {
        f += Xf[i][j] * v[j];
        m += Xf[j][i] * v[j];
      }
      EXPECT_NEAR(force[i], f, RoundingTolerance);
      EXPECT_NEAR(motion[i], m, RoundingTolerance);
    }
    // RotateToChild is E^T, the angular block of the motion transform.
    const double x[3] = {v[3], v[4], v[5]};
    double y[3];
    RotateToChild(y, x, X);
    const SpatialVector pureRotation = {{0, 0, 0, v[3], v[4], v[5]}};
    TransformMotionToChild(motion, pureRotation, X);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(y[i], motion[i + 3], RoundingTolerance);
  }
}

TEST(Transforms, PowerIsInvariant) {
  std::mt19937 random(19);
  for (int n = 0; n < 100; ++n) {
    const LinkTransform X = RandomTransform(random);
    const SpatialVector v = RandomVector(random), f = RandomVector(random);
    SpatialVector vChild, fParent;
    TransformMotionToChild(vChild, v, X);
    TransformForceToParent(fParent, f, X);
    double childPower = 0.0, parentPower = 0.0;
    for (int k = 0; k < 6; ++k) {
      childPower += vChild[k] * f[k];
      parentPower += v[k] * fParent[k];
    }
    EXPECT_NEAR(childPower, parentPower, RoundingTolerance * 10);
  }
}

TEST(TransferArticulatedInertia, EqualsDenseProjectedCongruence) {
  // Includes the model's own shape (alpha = 0, d = 0), whose identity stages are skipped.
  std::mt19937 random(23);
  for (int n = 0; n < 60; ++n) {
    LinkTransform X = RandomTransform(random);
    if (n % 3 == 0) {
      X.sinAlpha = 0.0;
      X.cosAlpha = 1.0;
      X.d = 0.0;
    }
    const ArticulatedInertia M = RandomInertia(random);
    ArticulatedInertia out;
    TransferArticulatedInertia(out, M, X, 1.0 / M[DEntry]);
    Dense Mdense, Xf, P, XP;
    Unpack(Mdense, M);
    DenseForceTransform(Xf, X);
    const double D = Mdense[5][5];
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 6; ++j) P[i][j] = Mdense[i][j] - Mdense[i][5] * Mdense[j][5] / D;
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 6; ++j) {
        XP[i][j] = 0.0;
        for (int k = 0; k < 6; ++k) XP[i][j] += Xf[i][k] * P[k][j];
      }
    for (int i = 0; i < 6; ++i) {
      for (int j = i; j < 6; ++j) {
        double expected = 0.0;
        for (int k = 0; k < 6; ++k) expected += XP[i][k] * Xf[j][k];
        EXPECT_NEAR(out[InertiaEntry(i, j)], expected, RoundingTolerance * 100)
            << "(" << i << "," << j << ") case " << n;
      }
    }
  }
}

TEST(TransferArticulatedInertia, AnnihilatesTheChildJointAxis) {
  // The motion m in parent coordinates with Xf^T m = S is (r x E z, E z); the result times m is
  // X P X^T m = X P S = 0.
  std::mt19937 random(29);
  for (int n = 0; n < 30; ++n) {
    const LinkTransform X = RandomTransform(random);
    Dense Xf;
    DenseForceTransform(Xf, X);
    // Xf^-T S: angular part E e5 (column 5 of the lower-right block), linear part r x (E e5),
    // which is column 5 of the lower-left block of Xf.
    const double axis[6] = {Xf[3][2], Xf[4][2], Xf[5][2], Xf[3][5], Xf[4][5], Xf[5][5]};
    SpatialVector check = {{axis[0], axis[1], axis[2], axis[3], axis[4], axis[5]}}, S;
    TransformMotionToChild(S, check, X);
    for (int i = 0; i < 6; ++i) ASSERT_NEAR(S[i], i == 5 ? 1.0 : 0.0, RoundingTolerance);
    ArticulatedInertia out;
    const ArticulatedInertia M = RandomInertia(random);
    TransferArticulatedInertia(out, M, X, 1.0 / M[DEntry]);
    for (int i = 0; i < 6; ++i) {
      double sum = 0.0;
      for (int j = 0; j < 6; ++j) sum += out[InertiaEntry(i, j)] * axis[j];
      EXPECT_NEAR(sum, 0.0, RoundingTolerance * 100) << i;
    }
  }
}

TEST(TransferArticulatedBias, WithTauEqualToJointComponentIsForceTransform) {
  std::mt19937 random(31);
  for (int n = 0; n < 20; ++n) {
    const LinkTransform X = RandomTransform(random);
    const SpatialVector pA = RandomVector(random);
    SpatialVector bias, force;
    const ArticulatedInertia M = RandomInertia(random);
    TransferArticulatedBias(bias, pA, M, pA[5], X, 1.0 / M[DEntry]);
    TransformForceToParent(force, pA, X);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(bias[i], force[i], RoundingTolerance);
  }
}

TEST(TransferArticulatedBias, AddsUTimesLambda) {
  std::mt19937 random(37);
  const LinkTransform identity{0.0, 0.0, 0.0, 1.0, 0.0, 1.0};
  const SpatialVector pA = RandomVector(random);
  const ArticulatedInertia M = RandomInertia(random);
  SpatialVector out;
  TransferArticulatedBias(out, pA, M, 2.5, identity, 1.0 / M[DEntry]);
  const double lambda = (2.5 - pA[5]) / M[20];
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(out[i], pA[i] + M[UEntry[i]] * lambda, 1e-14);
  EXPECT_EQ(out[5], 2.5);
}

TEST(SolveJointRate, WithZeroBiasAndVelocityIsMomentumOverD) {
  std::mt19937 random(41);
  const ArticulatedInertia M = RandomInertia(random);
  const SpatialVector zero = {{0, 0, 0, 0, 0, 0}};
  double rate = 0.0;
  SolveJointRate(rate, 3.0, zero, zero, M, 1.0 / M[DEntry]);
  EXPECT_EQ(rate, 3.0 / M[20]);
  const SpatialVector pA = RandomVector(random), x = RandomVector(random);
  SolveJointRate(rate, 3.0, pA, x, M, 1.0 / M[DEntry]);
  double Ux = 0.0;
  for (int i = 0; i < 6; ++i) Ux += M[UEntry[i]] * x[i];
  EXPECT_NEAR(rate, (3.0 - pA[5] - Ux) / M[20], RoundingTolerance);
}

// The momentum rate is f5 - the velocity term, as the evaluation forms it.
TEST(MomentumRateVelocityTerm, WithZeroVelocityLeavesTheJointForce) {
  std::mt19937 random(43);
  const SpatialVector zero = {{0, 0, 0, 0, 0, 0}}, f = RandomVector(random);
  double term = 1.0;
  MomentumRateVelocityTerm(term, RandomInertia(random), RandomVector(random), zero);
  EXPECT_EQ(f[5] - term, f[5]);
}

TEST(MomentumRateVelocityTerm, IsComponentFiveOfSpatialForceCross) {
  std::mt19937 random(47);
  const SpatialVector f = RandomVector(random), beta = RandomVector(random),
                      v = RandomVector(random);
  const ArticulatedInertia M = RandomInertia(random);
  Dense dense;
  Unpack(dense, M);
  double g[6];
  for (int i = 0; i < 6; ++i) {
    g[i] = beta[i];
    for (int j = 0; j < 6; ++j) g[i] += dense[i][j] * v[j];
  }
  // (v x* g)[5] = (ang(v) x ang(g) + lin(v) x lin(g))_z
  const double cross5 = v[3] * g[4] - v[4] * g[3] + v[0] * g[1] - v[1] * g[0];
  double term = 0.0;
  MomentumRateVelocityTerm(term, M, beta, v);
  EXPECT_NEAR(f[5] - term, f[5] - cross5, RoundingTolerance * 10);
}

}  // namespace
}  // namespace pendula
