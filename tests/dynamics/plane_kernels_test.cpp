// The in-plane kernels against the general ones.
#include "dynamics/spatial/plane_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>

#include "dynamics/spatial/spatial_kernels.h"
#include "tests/support/random_spatial.h"

namespace pendula {
namespace {

using testing::RandomInertia;
using testing::RandomTransform;
using testing::RandomVector;

// The in-plane kernels against the general ones, on inputs of the in-plane shape: no coupling
// between {0, 1, 5} and {2, 3, 4} in the inertias, zeros in components 2, 3, 4 of the vectors,
// an untwisted and unshifted transform. The entries they form must be the general kernels' own,
// bit for bit, signs of zeros included; the general kernels' other entries must be zeros.

using PlaneVector = PlaneVectorOf<double>;
using PlaneInertia = PlaneInertiaOf<double>;

bool InPlaneIndex(int i) {
  return i == 0 || i == 1 || i == 5;
}

ArticulatedInertia RandomInPlaneInertia(std::mt19937& random) {
  ArticulatedInertia M = RandomInertia(random);
  for (int i = 0; i < 6; ++i) {
    for (int j = i; j < 6; ++j) {
      if (InPlaneIndex(i) != InPlaneIndex(j)) M[InertiaEntry(i, j)] = 0.0;
    }
  }
  return M;
}

SpatialVector RandomInPlaneVector(std::mt19937& random) {
  SpatialVector v = RandomVector(random);
  v[2] = v[3] = v[4] = 0.0;
  return v;
}

LinkTransform RandomPlanarTransform(std::mt19937& random) {
  LinkTransform X = RandomTransform(random);
  X.d = 0.0;
  X.sinAlpha = 0.0;
  X.cosAlpha = 1.0;
  return X;
}

PlaneTransformOf<double> InPlanePart(const LinkTransform& X) {
  return PlaneTransformOf<double>{X.a, X.sinTheta, X.cosTheta};
}
PlaneVector InPlanePart(const SpatialVector& x) {
  return PlaneVector{x[0], x[1], x[5]};
}
PlaneInertia InPlanePart(const ArticulatedInertia& M) {
  return PlaneInertia{M[0], M[1], M[5], M[6], M[10], M[20]};
}

// A result record whose every entry is a marker, so that entries the in-plane part does not
// hold show.
constexpr double Untouched = -12345.678;

SpatialVector Stored(const PlaneVector& x) {
  SpatialVector out;
  for (int i = 0; i < 6; ++i) out[i] = Untouched;
  out[0] = x.c0;
  out[1] = x.c1;
  out[5] = x.c5;
  return out;
}
ArticulatedInertia Stored(const PlaneInertia& M) {
  ArticulatedInertia out;
  for (int i = 0; i < 21; ++i) out[i] = Untouched;
  out[0] = M.m00;
  out[1] = M.m01;
  out[5] = M.m05;
  out[6] = M.m11;
  out[10] = M.m15;
  out[20] = M.m55;
  return out;
}

void ExpectSameInPlane(const SpatialVector& inPlane, const SpatialVector& general) {
  for (int i = 0; i < 6; ++i) {
    if (InPlaneIndex(i)) {
      EXPECT_EQ(inPlane[i], general[i]) << i;
      EXPECT_EQ(std::signbit(inPlane[i]), std::signbit(general[i])) << i;
    } else {
      EXPECT_EQ(general[i], 0.0) << i;
    }
  }
}

TEST(InPlaneKernels, VectorKernelsFormTheGeneralKernelsInPlaneComponents) {
  std::mt19937 random(41);
  std::uniform_real_distribution<double> value(-3.0, 3.0);
  for (int n = 0; n < 50; ++n) {
    SpatialVector x = RandomInPlaneVector(random), y = RandomInPlaneVector(random);
    // Negative zeros: the general sum starts from +0, which the in-plane sum must keep.
    if (n % 5 == 0) x[0] = y[5] = -0.0;
    const LinkTransform X = RandomPlanarTransform(random);
    const double s1 = value(random), s2 = value(random), m = 1.0 + std::fabs(value(random));
    const double g[3] = {value(random), value(random), 0.0};
    const double rc[3] = {value(random), value(random), 0.0};
    const double I[6] = {1.0, value(random), 0.0, 1.0, 0.0, 1.0 + std::fabs(value(random))};
    const PlaneVector px = InPlanePart(x), py = InPlanePart(y);
    SpatialVector general;
    PlaneVector inPlane;
    AddChildVectors(general, x, y);
    AddChildVectors(inPlane, px, py);
    ExpectSameInPlane(Stored(inPlane), general);
    SumChildVectors(general, y);
    SumChildVectors(inPlane, py);
    ExpectSameInPlane(Stored(inPlane), general);
    GravityForce(general, g, rc, m);
    GravityForce(inPlane, g, rc, m);
    ExpectSameInPlane(Stored(inPlane), general);
    AddJointRate(general, x, s1);
    AddJointRate(inPlane, px, s1);
    ExpectSameInPlane(Stored(inPlane), general);
    AddJointTorques(general, x, s1, s2);
    AddJointTorques(inPlane, px, s1, s2);
    ExpectSameInPlane(Stored(inPlane), general);
    TransformForceToParent(general, x, X);
    TransformForceToParent(inPlane, px, InPlanePart(X));
    ExpectSameInPlane(Stored(inPlane), general);
    TransformMotionToChild(general, x, X);
    TransformMotionToChild(inPlane, px, InPlanePart(X));
    ExpectSameInPlane(Stored(inPlane), general);
    ApplyRigidInertia(general, m, I, rc, x);
    ApplyRigidInertia(inPlane, m, I, rc, px);
    ExpectSameInPlane(Stored(inPlane), general);
  }
}

TEST(InPlaneKernels, InertiaKernelsFormTheGeneralKernelsInPlaneEntries) {
  std::mt19937 random(43);
  std::uniform_real_distribution<double> value(-3.0, 3.0);
  for (int n = 0; n < 50; ++n) {
    const ArticulatedInertia M = RandomInPlaneInertia(random);
    const ArticulatedInertia child = RandomInPlaneInertia(random);
    const LinkTransform X = RandomPlanarTransform(random);
    const double inverseD = 1.0 / M[DEntry];
    const double m = 1.0 + std::fabs(value(random));
    const double I[6] = {1.0, value(random), 0.0, 1.0, 0.0, 1.0 + std::fabs(value(random))};
    const double rc[3] = {value(random), value(random), 0.0};
    const std::pair<ArticulatedInertia, ArticulatedInertia> cases[3] = {
        [&] {
          ArticulatedInertia general;
          PlaneInertia inPlane;
          TransferArticulatedInertia(general, M, X, inverseD);
          TransferArticulatedInertia(inPlane, InPlanePart(M), InPlanePart(X), inverseD);
          return std::make_pair(Stored(inPlane), general);
        }(),
        [&] {
          ArticulatedInertia general;
          PlaneInertia inPlane;
          BuildArticulatedInertia(general, m, I, rc, child);
          BuildArticulatedInertia(inPlane, m, I, rc, InPlanePart(child));
          return std::make_pair(Stored(inPlane), general);
        }(),
        [&] {
          ArticulatedInertia general;
          PlaneInertia inPlane;
          BuildArticulatedInertia(general, m, I, rc);
          BuildArticulatedInertia(inPlane, m, I, rc);
          return std::make_pair(Stored(inPlane), general);
        }(),
    };
    for (const auto& [inPlane, general] : cases) {
      for (int i = 0; i < 6; ++i) {
        for (int j = i; j < 6; ++j) {
          const int e = InertiaEntry(i, j);
          if (InPlaneIndex(i) && InPlaneIndex(j)) {
            EXPECT_EQ(inPlane[e], general[e]) << i << "," << j;
            EXPECT_EQ(std::signbit(inPlane[e]), std::signbit(general[e])) << i << "," << j;
          } else if (InPlaneIndex(i) != InPlaneIndex(j)) {
            EXPECT_EQ(general[e], 0.0) << i << "," << j;
          }
        }
      }
    }
  }
}

TEST(InPlaneKernels, ScalarKernelsEqualTheGeneralKernels) {
  std::mt19937 random(47);
  std::uniform_real_distribution<double> value(-3.0, 3.0);
  for (int n = 0; n < 50; ++n) {
    const ArticulatedInertia M = RandomInPlaneInertia(random);
    const SpatialVector beta = RandomInPlaneVector(random), v = RandomInPlaneVector(random);
    const SpatialVector f = RandomInPlaneVector(random);
    const LinkTransform X = RandomPlanarTransform(random);
    const double p = value(random), inverseD = 1.0 / M[DEntry];
    const PlaneInertia pM = InPlanePart(M);
    double general, inPlane;
    SolveJointRate(general, p, beta, v, M, inverseD);
    SolveJointRate(inPlane, p, InPlanePart(beta), InPlanePart(v), pM, inverseD);
    EXPECT_EQ(inPlane, general);
    MomentumRateVelocityTerm(general, M, beta, v);
    MomentumRateVelocityTerm(inPlane, pM, InPlanePart(beta), InPlanePart(v));
    EXPECT_EQ(inPlane, general);
    EXPECT_EQ(InPlanePart(f).c5 - inPlane, f[5] - general);
    SpatialVector generalBias;
    PlaneVector inPlaneBias;
    TransferArticulatedBias(generalBias, beta, M, p, X, inverseD);
    TransferArticulatedBias(inPlaneBias, InPlanePart(beta), pM, p, InPlanePart(X), inverseD);
    ExpectSameInPlane(Stored(inPlaneBias), generalBias);
  }
}

}  // namespace
}  // namespace pendula
