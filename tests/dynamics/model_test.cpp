// Trees built at run time: their recursions against a chain's, against the mass matrix, and
// against the Hamiltonian itself; closed forms of one joint; the descriptions refused.
#include "pendula/model.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "dynamics/batch/model_threads.h"
#include "dynamics/tree/tree_recursions.h"
#include "pendula/chain.h"
#include "tests/support/random_chain.h"
#include "tests/support/random_tree.h"

namespace pendula {
namespace {

// Two computations of one quantity by different arithmetic agree to rounding, a few hundred ulps
// of the largest term.
constexpr double Rounding = 1e-11;

double MaxAbs(const std::vector<double>& x) {
  double m = 0.0;
  for (double v : x) m = std::fmax(m, std::fabs(v));
  return m;
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected,
                double relative, const std::string& what) {
  ASSERT_EQ(actual.size(), expected.size());
  const double scale = std::fmax(1.0, MaxAbs(expected));
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_NEAR(actual[i], expected[i], relative * scale) << what << " [" << i << "]";
  }
}

std::vector<double> Random(int n, std::mt19937_64& random, double lo, double hi) {
  std::uniform_real_distribution<double> u(lo, hi);
  std::vector<double> x(n);
  for (double& v : x) v = u(random);
  return x;
}

// A chain is the tree whose parents are k - 1: a twisted 3-D chain and its tree (Chain::tree())
// give the same momenta, rates, momentum rates, energy and frames, and the tree's A(q) gives the
// chain's momenta, A(q) q̇ = p.
TEST(Model, ChainAsATreeGivesTheChainsDynamics) {
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    const ChainDescription description =
        testing::RandomChain(9, seed, /*inPlane=*/seed % 3 == 0, Trigonometry::Exact);
    const Chain chain(description);
    ChainWorkspace chainWorkspace(chain);
    const Model& model = chain.tree();
    ModelWorkspace workspace(model);
    const int n = chain.linkCount();
    ASSERT_EQ(model.jointCount(), n);
    std::mt19937_64 random(seed);
    const std::vector<double> q = Random(n, random, -3.0, 3.0);
    const std::vector<double> rates = Random(n, random, -2.0, 2.0);
    const std::vector<double> torques = Random(n, random, -5.0, 5.0);
    std::vector<double> p(n), pTree(n);
    MomentumInitialisation(chain, chainWorkspace, p.data(), q.data(), rates.data());
    MomentumInitialisation(model, workspace, pTree.data(), q.data(), rates.data());
    ExpectNear(pTree, p, Rounding, "momenta");
    std::vector<double> A(static_cast<std::size_t>(n) * n), Arates(n, 0.0);
    MassMatrix(model, workspace, q.data(), A.data());
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) Arates[i] += A[static_cast<std::size_t>(i) * n + j] * rates[j];
    }
    ExpectNear(Arates, p, Rounding, "A(q) q̇");
    std::vector<double> pdot(n), qdot(n), pdotTree(n), qdotTree(n);
    ForwardDynamics(chain, chainWorkspace, p.data(), q.data(), pdot.data(), qdot.data(), 0.0,
                    torques.data());
    ForwardDynamics(model, workspace, p.data(), q.data(), pdotTree.data(), qdotTree.data(),
                    torques.data());
    ExpectNear(qdotTree, qdot, Rounding, "rates");
    ExpectNear(pdotTree, pdot, Rounding, "momentum rates");
    const double energy = Energy(chain, chainWorkspace, p.data(), q.data());
    EXPECT_NEAR(Energy(model, workspace, p.data(), q.data()), energy,
                Rounding * std::fmax(1.0, std::fabs(energy)));
    std::vector<double> origins(3 * static_cast<std::size_t>(n)), originsTree(origins.size());
    FrameOrigins(chain, q.data(), origins.data());
    FrameOrigins(model, workspace, q.data(), originsTree.data());
    ExpectNear(originsTree, origins, Rounding, "frame origins");
  }
}

// A tree that is a planar chain runs on the chain's in-plane recursion: its momenta and forward
// dynamics are the tree recursion's, to rounding, with a torque at every joint. A tree that misses
// being one in any way keeps the tree's recursion; damping among them, as a chain's friction
// leaves its reaction off the parent, where a joint's damping does not.
TEST(Model, PlanarChainsTakeTheChainsRecursionWithTheTreesDynamics) {
  ModelDescription planar =
      TreeOfChain(testing::RandomChain(7, 5, /*inPlane=*/true, Trigonometry::Exact));
  const Model model(planar);
  ASSERT_TRUE(ModelAccess::DataOf(model).chain.has_value());
  ModelWorkspace workspace(model);
  const int n = model.jointCount();
  std::mt19937_64 random(5);
  const std::vector<double> q = Random(n, random, -3.0, 3.0);
  const std::vector<double> rates = Random(n, random, -2.0, 2.0);
  const std::vector<double> torques = Random(n, random, -5.0, 5.0);
  std::vector<double> p(n), pTree(n), pdot(n), qdot(n), pdotTree(n), qdotTree(n);
  MomentumInitialisation(model, workspace, p.data(), q.data(), rates.data());
  TreeMomenta(ModelAccess::DataOf(model), ModelAccess::StorageOf(workspace), q.data(), rates.data(),
              pTree.data());
  ExpectNear(p, pTree, Rounding, "momenta");
  ForwardDynamics(model, workspace, p.data(), q.data(), pdot.data(), qdot.data(), torques.data());
  TreeForwardDynamics(ModelAccess::DataOf(model), ModelAccess::StorageOf(workspace), p.data(),
                      q.data(), torques.data(), pdotTree.data(), qdotTree.data());
  ExpectNear(qdot, qdotTree, Rounding, "rates");
  ExpectNear(pdot, pdotTree, Rounding, "momentum rates");

  const std::vector<std::function<void(ModelDescription&)>> misses = {
      [](ModelDescription& d) { d.joints[3].damping = 0.2; },
      [](ModelDescription& d) { d.joints[2].xyz[1] = 0.01; },
      [](ModelDescription& d) { d.joints[2].rpy[2] = 0.01; },
      [](ModelDescription& d) { d.joints[4].kind = JointKind::Prismatic; },
      [](ModelDescription& d) { d.joints[5].parent = 3; },
      [](ModelDescription& d) { d.joints[1].centreOfMass[2] = 0.01; },
      [](ModelDescription& d) { d.gravity[2] = -1.0; },
      [](ModelDescription& d) { d.joints[3].mass = 0.0; },
  };
  for (std::size_t k = 0; k < misses.size(); ++k) {
    ModelDescription description = planar;
    misses[k](description);
    EXPECT_FALSE(ModelAccess::DataOf(Model(description)).chain.has_value()) << "miss " << k;
  }
}

// On trees with prismatic joints, tilted axes and turned frames: A(q) from composite rigid bodies
// is symmetric, A q̇ is the momentum recursion's p, and the forward dynamics' q̇ solves A q̇ = p.
TEST(Model, MassMatrixAgreesWithMomentaAndRates) {
  for (std::uint64_t seed = 1; seed <= 8; ++seed) {
    const Model model(testing::RandomTree(12, seed));
    ModelWorkspace workspace(model);
    const int n = model.jointCount();
    std::mt19937_64 random(seed + 100);
    const std::vector<double> q = Random(n, random, -2.0, 2.0);
    const std::vector<double> rates = Random(n, random, -2.0, 2.0);
    std::vector<double> A(static_cast<std::size_t>(n) * n), p(n), Ar(n, 0.0);
    MassMatrix(model, workspace, q.data(), A.data());
    MomentumInitialisation(model, workspace, p.data(), q.data(), rates.data());
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        EXPECT_EQ(A[i * n + j], A[j * n + i]) << "A(" << i << ", " << j << ")";
        Ar[i] += A[i * n + j] * rates[j];
      }
    }
    ExpectNear(p, Ar, Rounding, "A q̇");
    std::vector<double> pdot(n), qdot(n), Aq(n, 0.0);
    ForwardDynamics(model, workspace, p.data(), q.data(), pdot.data(), qdot.data());
    ExpectNear(qdot, rates, 1e-9, "A^-1 p");
  }
}

// ṗ = -∂H/∂q + τ - d q̇ at fixed p, H the energy: the whole momentum-rate recursion against
// central differences of the Hamiltonian (error of order δ², about 1e-10 here).
TEST(Model, MomentumRatesAreMinusTheHamiltoniansGradientPlusTheForces) {
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    const Model model(testing::RandomTree(10, seed, /*prismatic=*/true, /*damping=*/0.5));
    ModelWorkspace workspace(model);
    const int n = model.jointCount();
    std::mt19937_64 random(seed + 200);
    std::vector<double> q = Random(n, random, -2.0, 2.0);
    const std::vector<double> p = Random(n, random, -1.0, 1.0);
    const std::vector<double> torques = Random(n, random, -3.0, 3.0);
    std::vector<double> pdot(n), qdot(n), expected(n);
    ForwardDynamics(model, workspace, p.data(), q.data(), pdot.data(), qdot.data(), torques.data());
    const double delta = 1e-5;
    for (int i = 0; i < n; ++i) {
      const double qi = q[i];
      q[i] = qi + delta;
      const double up = Energy(model, workspace, p.data(), q.data());
      q[i] = qi - delta;
      const double down = Energy(model, workspace, p.data(), q.data());
      q[i] = qi;
      const double damping = model.description().joints[i].damping;
      expected[i] = -(up - down) / (2.0 * delta) + torques[i] - damping * qdot[i];
    }
    ExpectNear(pdot, expected, 1e-7, "momentum rates, seed " + std::to_string(seed));
  }
}

// Frame origins and the potential energy against the description's own placements composed
// joint by joint, T_i = T_λ(i)·[R(rpy), xyz]·(the joint's turn or slide), on robot-like trees
// (parallel and nearly parallel axes, quarter turns) and on tilted ones.
TEST(Model, FramesAndPotentialFollowTheDescriptionsPlacements) {
  for (std::uint64_t seed = 1; seed <= 8; ++seed) {
    const ModelDescription description =
        testing::RandomTree(14, seed, /*prismatic=*/true, 0.0, /*robotLike=*/seed % 2 == 1);
    const Model model(description);
    ModelWorkspace workspace(model);
    const int n = model.jointCount();
    std::mt19937_64 random(seed + 300);
    const std::vector<double> q = Random(n, random, -2.0, 2.0);
    using Matrix = std::array<std::array<double, 3>, 3>;
    auto times = [](const Matrix& A, const Matrix& B) {
      Matrix C{};
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
          for (int k = 0; k < 3; ++k) C[i][j] += A[i][k] * B[k][j];
      return C;
    };
    std::vector<Matrix> R(n);
    std::vector<std::array<double, 3>> o(n);
    std::vector<double> expected(3 * static_cast<std::size_t>(n)), origins(expected.size());
    double potential = 0.0;
    for (int i = 0; i < n; ++i) {
      const Joint& J = description.joints[i];
      const double *r = J.rpy, *a = J.axis;
      const Matrix Rx = {
          {{1, 0, 0}, {0, std::cos(r[0]), -std::sin(r[0])}, {0, std::sin(r[0]), std::cos(r[0])}}};
      const Matrix Ry = {
          {{std::cos(r[1]), 0, std::sin(r[1])}, {0, 1, 0}, {-std::sin(r[1]), 0, std::cos(r[1])}}};
      const Matrix Rz = {
          {{std::cos(r[2]), -std::sin(r[2]), 0}, {std::sin(r[2]), std::cos(r[2]), 0}, {0, 0, 1}}};
      const double length = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
      const double u[3] = {a[0] / length, a[1] / length, a[2] / length};
      // The joint's own turn about u by q (Rodrigues) or slide along u.
      const double t = J.kind == JointKind::Revolute ? q[i] : 0.0;
      const double c = std::cos(t), s = std::sin(t);
      Matrix turn{};
      for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < 3; ++k) {
          const double cross =
              j == k ? 0.0 : (((k - j + 3) % 3 == 1) ? -u[3 - j - k] : u[3 - j - k]);
          turn[j][k] = (j == k ? c : 0.0) + (1 - c) * u[j] * u[k] + s * cross;
        }
      }
      const Matrix Rp = J.parent < 0 ? Matrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}} : R[J.parent];
      const std::array<double, 3> op = J.parent < 0 ? std::array<double, 3>{} : o[J.parent];
      const Matrix placed = times(Rp, times(Rz, times(Ry, Rx)));
      const double slide = J.kind == JointKind::Prismatic ? q[i] : 0.0;
      for (int j = 0; j < 3; ++j) {
        o[i][j] = op[j];
        for (int k = 0; k < 3; ++k) o[i][j] += Rp[j][k] * J.xyz[k] + placed[j][k] * u[k] * slide;
        expected[3 * i + j] = o[i][j];
      }
      R[i] = times(placed, turn);
      for (int j = 0; j < 3; ++j) {
        double centre = o[i][j];
        for (int k = 0; k < 3; ++k) centre += R[i][j][k] * J.centreOfMass[k];
        potential -= J.mass * description.gravity[j] * centre;
      }
    }
    FrameOrigins(model, workspace, q.data(), origins.data());
    ExpectNear(origins, expected, Rounding, "frame origins, seed " + std::to_string(seed));
    const std::vector<double> p(n, 0.0);
    EXPECT_NEAR(Energy(model, workspace, p.data(), q.data()), potential,
                Rounding * std::fmax(1.0, std::fabs(potential)))
        << "seed " << seed;
  }
}

// A batch goes through the lanes of the CPU's widest registers, W states at a time and the rest in
// a pack filled up with copies, and on threads in blocks: every state ends bit for bit where Step
// takes it alone, on every thread count and by every method.
TEST(Model, BatchStatesEndWhereEachAloneEnds) {
  const Model model(testing::RandomTree(9, 5, /*prismatic=*/true, /*damping=*/0.3));
  ModelWorkspace workspace(model);
  ModelThreads onThreads(model, 3);
  const int n = model.jointCount(), count = 37;
  std::mt19937_64 random(9);
  const std::vector<double> p0 = Random(n * count, random, -1.0, 1.0);
  const std::vector<double> q0 = Random(n * count, random, -2.0, 2.0);
  const std::vector<double> torques = Random(n * count, random, -2.0, 2.0);
  for (StepMethod method : {StepMethod::Heun, StepMethod::Rk4, StepMethod::Midpoint}) {
    for (bool perState : {false, true}) {
      for (int threads = 0; threads <= 3; ++threads) {
        std::vector<double> p = p0, q = q0;
        std::vector<std::uint8_t> taken(count, 7);
        const JointTorques batchTorques{torques.data(), perState};
        const BatchStepStatus status =
            threads == 0 ? StepStates(model, workspace, p.data(), q.data(), count, 1e-3, method,
                                      batchTorques)
                         : StepStates(model, onThreads, p.data(), q.data(), count, 1e-3, method,
                                      batchTorques, {}, threads, taken.data());
        EXPECT_EQ(status.notTaken, 0);
        long evaluations = 0;
        for (int i = 0; i < count; ++i) {
          const std::ptrdiff_t row = std::ptrdiff_t{i} * n;
          std::vector<double> pAlone(p0.begin() + row, p0.begin() + row + n);
          std::vector<double> qAlone(q0.begin() + row, q0.begin() + row + n);
          evaluations += Step(model, workspace, pAlone.data(), qAlone.data(), 1e-3, method,
                              torques.data() + (perState ? i * n : 0))
                             .evaluations;
          if (threads > 0) {
            EXPECT_EQ(taken[i], 1) << "state " << i;
          }
          for (int j = 0; j < n; ++j) {
            ASSERT_EQ(p[i * n + j], pAlone[j]) << "state " << i << ", joint " << j;
            ASSERT_EQ(q[i * n + j], qAlone[j]) << "state " << i << ", joint " << j;
          }
        }
        EXPECT_EQ(status.evaluations, evaluations) << "threads " << threads;
      }
    }
  }
  const Model other(testing::RandomTree(4, 5, /*prismatic=*/false, /*damping=*/0.0));
  std::vector<double> p(4), q(4);
  EXPECT_THROW(StepStates(other, onThreads, p.data(), q.data(), 1, 1e-3), std::invalid_argument);
}

// One joint in closed form: a slider along z falls freely (ṗ = -m g, q̇ = p/m); a body turning
// about y with its centre of mass at distance l along x has A = Iyy + m l² and ṗ = m g l cos q.
TEST(Model, OneJointMovesAsItsClosedFormSays) {
  ModelDescription slider;
  Joint joint;
  joint.kind = JointKind::Prismatic;
  joint.mass = 2.5;
  joint.inertia[0] = joint.inertia[3] = joint.inertia[5] = 0.1;
  slider.joints = {joint};
  const Model falling(slider);
  ModelWorkspace fallingWorkspace(falling);
  double p = 1.5, q = 0.3, pdot, qdot;
  ForwardDynamics(falling, fallingWorkspace, &p, &q, &pdot, &qdot);
  EXPECT_DOUBLE_EQ(pdot, -2.5 * 9.80665);
  EXPECT_DOUBLE_EQ(qdot, 1.5 / 2.5);

  ModelDescription pendulum;
  joint.kind = JointKind::Revolute;
  joint.axis[0] = 0.0, joint.axis[1] = 1.0, joint.axis[2] = 0.0;
  joint.centreOfMass[0] = 0.8;
  const double Iyy = 0.1, m = 2.5, l = 0.8;
  pendulum.joints = {joint};
  const Model swinging(pendulum);
  ModelWorkspace swingingWorkspace(swinging);
  q = 0.7;
  double A;
  MassMatrix(swinging, swingingWorkspace, &q, &A);
  EXPECT_NEAR(A, Iyy + m * l * l, 1e-15);
  ForwardDynamics(swinging, swingingWorkspace, &p, &q, &pdot, &qdot);
  EXPECT_NEAR(pdot, m * 9.80665 * l * std::cos(q), 1e-13);
  EXPECT_NEAR(qdot, p / (Iyy + m * l * l), 1e-15);
}

// Each fault in a description is refused when the model is built, naming the joint and the field.
TEST(Model, RefusesDescriptionsNamingTheJointAndTheField) {
  const ModelDescription good = testing::RandomTree(4, 7);
  ASSERT_NO_THROW(Model{good});
  struct Case {
    std::function<void(ModelDescription&)> spoil;
    const char* message;
  };
  const double nan = std::nan("");
  const std::vector<Case> cases = {
      {[](ModelDescription& d) { d.joints.clear(); }, "a model has 1 to 1000 joints; got 0"},
      {[](ModelDescription& d) { d.joints[2].parent = 2; }, "joints[2] (j2).parent must be -1"},
      {[](ModelDescription& d) { d.joints[1].parent = -2; }, "joints[1] (j1).parent must be -1"},
      {[](ModelDescription& d) {
         d.joints[3].axis[0] = d.joints[3].axis[1] = d.joints[3].axis[2] = 0;
       },
       "joints[3] (j3).axis must not be zero"},
      {[&](ModelDescription& d) { d.joints[1].xyz[2] = nan; },
       "joints[1] (j1).xyz z must be finite"},
      {[&](ModelDescription& d) { d.gravity[1] = nan; }, "gravity y must be finite"},
      {[](ModelDescription& d) { d.joints[0].mass = -1.0; }, "joints[0] (j0).mass must be >= 0"},
      {[](ModelDescription& d) { d.joints[2].inertia[0] = 1.0; },
       "joints[2] (j2).inertia (xx, xy, xz, yy, yz, zz"},
      {[](ModelDescription& d) { d.joints[2].inertia[0] = -1.0; }, "negative principal moment"},
      {[](ModelDescription& d) { d.joints[1].damping = -0.1; },
       "joints[1] (j1).damping must be >= 0"},
      {[](ModelDescription& d) {
         d.joints.resize(1);
         d.joints[0].mass = 0.0;
         for (double& e : d.joints[0].inertia) e = 0.0;
       },
       "joints[0] (j0): the bodies it moves have no mass or no inertia about its axis"},
  };
  for (const Case& c : cases) {
    ModelDescription spoilt = good;
    c.spoil(spoilt);
    try {
      Model model(spoilt);
      ADD_FAILURE() << "not refused: " << c.message;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << e.what() << "\n  expected: " << c.message;
    }
  }
}

}  // namespace
}  // namespace pendula
