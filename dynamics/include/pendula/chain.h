// Chains of your own: a serial chain of 1 to 1,000 links on a fixed base, described link by link
// and built into a model at run time, and the algorithms on it, each called as
// algorithm(chain, workspace, ...). The chain is read-only once built and may be shared between
// threads; the workspace is the caller's working data, one per thread, sized when it is made, so
// that no call allocates. Nothing is kept in process-wide state beyond the sine table, which is
// built once and only read. Arguments that no call can take raise std::invalid_argument.
//
// Numbering: body 0 is the fixed base, links 1 to N run from the base to the free tip, joint k
// turns link k about its own z axis relative to body k-1, and joint k's value sits at element
// k - 1 of every array of N values. A chain's state is its N joint angles q (radians, never
// wrapped) and the N generalized momenta p conjugate to them.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace pendula {

// Standard gravity, m/s^2: a chain's along -y and a tree's along -z unless told otherwise.
constexpr double StandardGravity = 9.80665;

// One link. Where its frame lies in its parent's: turned by the twist alpha about the parent's x
// axis, shifted by (a, 0, -d) in that twisted frame, then turned by the joint angle about the new
// z axis (the link's joint axis). Its rigid body: the mass, the centre of mass in link
// coordinates and the rotational inertia about the link frame's origin (not about the centre of
// mass), upper triangle xx, xy, xz, yy, yz, zz.
struct Link {
  double a = 0.0;
  double d = 0.0;
  double alpha = 0.0;
  double mass = 0.0;
  double centreOfMass[3] = {0.0, 0.0, 0.0};
  double inertia[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
};

// Where the dynamics takes the sines and cosines of the joint angles: the program's sine table
// of 1,000,000 entries by its lookup rule (the entry below the angle, error below 6.3e-6), or
// exact sines and cosines, smooth in the angle: pendula's own, within an ulp of the true values
// and the same bits on every CPU and in the web page (the C library's beyond |q| = 1e5 rad).
enum class Trigonometry { Table, Exact };

// A whole chain: its links from the base out, gravity in base coordinates (m/s^2) and the
// trigonometry of its model.
struct ChainDescription {
  std::vector<Link> links;
  double gravity[3] = {0.0, -StandardGravity, 0.0};
  Trigonometry trigonometry = Trigonometry::Table;
};

// The fewest and the most links a chain may have.
constexpr int MinChainLinks = 1;
constexpr int MaxChainLinks = 1000;

// The model built from a description: validated when it is built, read-only after.
struct ChainAccess;
class Model;  // a tree of joints (model.h)

class Chain {
 public:
  // Builds the model of the description. std::invalid_argument, with a message that names the
  // link (links[i]) and the field, for a link count outside 1..1000, a value that is not finite,
  // a mass <= 0, or an inertia whose part about the centre of mass (by the parallel-axis
  // theorem) is not positive definite or has principal moments that break the triangle
  // inequality.
  explicit Chain(const ChainDescription& description);
  // The program's chain: 20 links of length 1 and mass 1 in the base xy plane, gravity
  // 9.80665 m/s^2 along -y, the sine table: every call gives bit for bit what the program's
  // ForwardDynamics, HeunStep and StepChains (dynamics.h) give.
  static Chain Program();

  int linkCount() const;
  const ChainDescription& description() const;
  // Whether the chain moves in the base xy plane (no twist, no shift along z, no out-of-plane
  // centre of mass or inertia, gravity in the plane), decided once when it is built; such a chain
  // is evaluated with the in-plane part of the algebra alone.
  bool inPlane() const;
  // How many chains StepChains carries side by side: the widest lanes this CPU has for an
  // in-plane chain (2, 4 or 8), 1 for any other.
  int batchWidth() const;
  // The chain as the tree whose joint k has parent k - 1 (TreeOfChain in model.h): every call of
  // model.h takes it, among them the mass matrix A(q), and gives the chain's dynamics to rounding
  // (the chain's own calls keep their bits and their speed). Built by the first call, on any
  // thread, once for the chain and its copies; it allocates then, as making a model does.
  const pendula::Model& tree() const;

  struct Model;  // what the algorithms read, opaque

 private:
  friend struct ChainAccess;  // the library's own files
  std::shared_ptr<const Model> model_;
};

// The working data of the algorithms for chains of one shape and link count: one per thread,
// made once, sized for everything the calls below need.
class ChainWorkspace {
 public:
  explicit ChainWorkspace(const Chain& chain);
  ~ChainWorkspace();
  ChainWorkspace(ChainWorkspace&&) noexcept;
  ChainWorkspace& operator=(ChainWorkspace&&) noexcept;
  ChainWorkspace(const ChainWorkspace&) = delete;
  ChainWorkspace& operator=(const ChainWorkspace&) = delete;

  struct Storage;  // opaque

 private:
  friend struct ChainAccess;
  std::unique_ptr<Storage> storage_;
};

// The joint torques of a call: none (values null), one value per joint for every chain
// (values[k] on joint k + 1), or with perChain one row per chain (values[i·N + k] on joint k + 1
// of chain i). A joint's torque acts on its link and, as the reaction, on the link before, so it
// is the generalized force of its joint alone.
struct JointTorques {
  const double* values = nullptr;
  bool perChain = false;
};

// Every call below: the chain and a workspace made for a chain of the same shape and link count
// (std::invalid_argument otherwise), arrays of N values each (rows of N for n chains), none of
// them null, and an output distinct from every input. friction is the viscous coefficient b >= 0:
// the moment -b·q̇_k on each link k about its joint axis, as the program applies it (on the link
// alone, so that the momentum rate of every joint from k to the base feels it). Every torque must
// be finite: std::invalid_argument names the first that is not, by its index, joint and (for a row
// of a batch) chain, e.g. "torques[3] (joint 4) must be finite; got nan", once for each call before
// anything is stepped. A state that is not finite gives non-finite results and is not checked,
// except by Integrate and the Midpoint step, which refuse it in the same words ("momenta[3] ...",
// "angles[41] (chain 2, joint 2) ..."): their iterations can make nothing of it.

// p = A(q)·q̇: the momenta of one chain from its joint angles and joint rates.
void MomentumInitialisation(const Chain& chain, ChainWorkspace& workspace, double* momenta,
                            const double* angles, const double* jointRates);

// (p, q) -> (ṗ, q̇): q̇ = A(q)^-1 p and ṗ = -∂H/∂q + joint torques of one chain, by an O(N)
// recursion. torques: N values or null.
void ForwardDynamics(const Chain& chain, ChainWorkspace& workspace, const double* momenta,
                     const double* angles, double* momentumRates, double* jointRates,
                     double friction = 0.0, const double* torques = nullptr);

// One Heun step of size h > 0 of one chain, in place: the Euler predictor, then the trapezoidal
// corrector x += ((ẋ(predicted) + ẋ(current))·h)·0.5, the same torques in both evaluations.
void HeunStep(const Chain& chain, ChainWorkspace& workspace, double* momenta, double* angles,
              double h, double friction = 0.0, const double* torques = nullptr);

// HeunStep on each of chains 0 .. chainCount - 1 (momenta and angles row by row, chain i's at
// i·N), chain.batchWidth() at a time side by side in the lanes of the widest vector registers the
// CPU has; each chain ends bit for bit where HeunStep takes it (a NaN's sign and payload aside).
// A count of zero steps nothing; momenta and angles must not overlap.
void StepChains(const Chain& chain, ChainWorkspace& workspace, double* momenta, double* angles,
                int chainCount, double h, double friction = 0.0, JointTorques torques = {});

// The fixed steps of size h that Step and StepChains take:
//   Heun      the Euler predictor and the trapezoidal corrector (HeunStep), 2 evaluations;
//   Rk4       the classical fourth-order Runge–Kutta step, 4 evaluations;
//   Midpoint  the implicit midpoint rule x1 = x0 + h·f((x0 + x1)/2), symplectic and
//             time-reversible, solved by Newton's method (see NewtonSettings).
// Heun and Rk4 batches of an in-plane chain go side by side in lanes; Midpoint goes chain by
// chain. Every chain of a batch ends bit for bit where the same method takes it alone.
enum class StepMethod { Heun, Rk4, Midpoint };

// The Newton solve of a Midpoint step, on the residual R = x1 - x0 - h·f((x0 + x1)·0.5) with
// x = (p, q). The Jacobian I - (h/2)·Df is exact (derivatives.h, no evaluation), its system
// reduced to N unknowns and factored by dense LU, O(N^3); it is formed at the first iterate and
// again only when an iteration fails to halve the residual. The step is taken when every component
// has |R_i| <= tolerance·max(1, |x0_i|); after maxIterations Newton iterations without that (or
// with a state that is no longer finite) it is not taken. With the sine table the force is
// piecewise constant in q and the iterations may stall at the table's resolution: choose the exact
// trigonometry for tight tolerances.
struct NewtonSettings {
  double tolerance = 1e-10;
  int maxIterations = 20;
};

// What a step did.
struct StepStatus {
  bool taken = true;      // false only for a Midpoint step whose solve did not converge
  int evaluations = 0;    // of the forward dynamics
  int iterations = 0;     // Newton iterations (Midpoint)
  double residual = 0.0;  // the largest scaled |R_i| of the last iterate (Midpoint)
};

// One step of size h > 0 of one chain by the method, in place when it is taken; a Midpoint step
// that is not taken leaves the state as it was. The same torques in every evaluation.
StepStatus Step(const Chain& chain, ChainWorkspace& workspace, double* momenta, double* angles,
                double h, StepMethod method, double friction = 0.0, const double* torques = nullptr,
                const NewtonSettings& newton = {});

// What a batch step did: how many chains were not stepped (Midpoint solves that did not
// converge; the others were stepped) and the first of them (-1 for none).
struct BatchStepStatus {
  int notTaken = 0;
  int firstNotTaken = -1;
  long evaluations = 0;
};

// Step on each of chains 0 .. chainCount - 1, as StepChains above (which is the Heun method).
BatchStepStatus StepChains(const Chain& chain, ChainWorkspace& workspace, double* momenta,
                           double* angles, int chainCount, double h, StepMethod method,
                           double friction = 0.0, JointTorques torques = {},
                           const NewtonSettings& newton = {});

// The tolerances and limits of Integrate. Its error estimate of a step, with x = (p, q) before
// and after it, is err = sqrt(mean_i (e_i / (absolute + relative·max(|x0_i|, |x1_i|)))^2).
struct AdaptiveTolerances {
  double relative = 1e-8;
  double absolute = 1e-10;
  long maxSteps = 10000000;  // accepted and rejected together
};

// What an integration did.
struct IntegrationStatistics {
  bool completed = false;  // false: it stopped early (steps ran out, or the step size vanished)
  long steps = 0;          // accepted steps
  long rejected = 0;       // rejected steps
  long evaluations = 0;    // of the forward dynamics
  double time = 0.0;       // seconds integrated
};

// Integrates one chain over `duration` >= 0 seconds, in place, by the embedded Dormand–Prince
// 5(4) pair with error control: a step is accepted when err <= 1, and the next step size is
// h·min(10, max(0.2, 0.9·err^-1/5)). The same torques throughout.
IntegrationStatistics Integrate(const Chain& chain, ChainWorkspace& workspace, double* momenta,
                                double* angles, double duration,
                                const AdaptiveTolerances& tolerances = {}, double friction = 0.0,
                                const double* torques = nullptr);

// Total energy of one chain, joules: ½ pᵀq̇ (q̇ from ForwardDynamics) plus each link's weight at
// its centre of mass, -m gᵀ r, with r measured from the base's origin.
double Energy(const Chain& chain, ChainWorkspace& workspace, const double* momenta,
              const double* angles);

// Where each link frame's origin lies in base coordinates at the joint angles: origins[3k .. 3k+2]
// is link k + 1's (x, y, z), from the chain's own sines and cosines.
void FrameOrigins(const Chain& chain, const double* angles, double* origins);

// sin x and cos x as chains of the table's trigonometry take them: the table's entry below the
// angle, by its lookup rule (the table is built on first use and shared by the whole process).
double TableSine(double x);
double TableCosine(double x);

}  // namespace pendula
