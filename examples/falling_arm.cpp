// A six-joint industrial arm, the Unimation PUMA 560, falls from a pose under gravity with its
// motors off: 3 s of simulated time, printed every 0.25 s (the six joint angles, the total
// energy and where the wrist is). It uses nothing but the installed interface, <pendula/chain.h>
// and pendula::dynamics.
//
// The arm's kinematic and inertial parameters are those of
//   B. Armstrong, O. Khatib and J. Burdick, "The explicit dynamic model and inertial parameters
//   of the PUMA 560 arm", Proc. IEEE International Conference on Robotics and Automation,
//   1986, pp. 510-518,
// as tabulated in modified Denavit-Hartenberg form in P. Corke's Robotics Toolbox for MATLAB
// (model mdl_puma560akb). Link i's frame lies in link i-1's by Rx(alpha) Tx(a) Rz(theta) Tz(d):
// pendula's link transform with the sign of d turned (pendula shifts by -d). The table gives
// each centre of mass in its link's frame and the inertia about it, which is moved to the link
// frame's origin here (I_o = I_c + m (|c|² 1 - c cᵀ)), as a pendula link takes it.
//
// Two entries of the table are not a body: link 1 has no mass and only Izz = 0.35 kg m², since
// it turns about the fixed vertical axis and nothing else of it enters the motion. The chain
// refuses it as it stands (printed below); with 1 kg on the axis and Ixx = Iyy = 0.175 kg m², the
// least that makes the three moments a body's, the motion is the same. The motors' rotors
// (armature inertia) are left out: the chain is the links alone.
#include <pendula/chain.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

constexpr double Pi = 3.141592653589793;
constexpr double StepSize = 0.001;  // s
constexpr double Friction = 0.0;    // motors off, no friction: the energy should stay
constexpr int Steps = 3000;
constexpr int StepsPerRow = 250;

// One row of the table: modified DH a, alpha, d (m, rad, m), mass (kg), centre of mass (m) and
// the principal moments about it (kg m², principal axes along the link frame's).
struct PublishedLink {
  double a, alpha, d, mass;
  double centre[3];
  double moments[3];  // Ixx, Iyy, Izz about the centre of mass
};

const PublishedLink Puma560[6] = {
    {0.0, 0.0, 0.0, 0.0, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.35}},
    {0.0, -Pi / 2, 0.2435, 17.4, {0.068, 0.006, -0.016}, {0.13, 0.524, 0.539}},
    {0.4318, 0.0, -0.0934, 4.8, {0.0, -0.070, 0.014}, {0.066, 0.0125, 0.066}},
    {-0.0203, Pi / 2, 0.4331, 0.82, {0.0, 0.0, -0.019}, {1.8e-3, 1.8e-3, 1.3e-3}},
    {0.0, -Pi / 2, 0.0, 0.34, {0.0, 0.0, 0.0}, {0.30e-3, 0.30e-3, 0.40e-3}},
    {0.0, Pi / 2, 0.0, 0.09, {0.0, 0.0, 0.032}, {0.15e-3, 0.15e-3, 0.04e-3}},
};

pendula::Link LinkOf(const PublishedLink& row) {
  pendula::Link link;
  link.a = row.a;
  link.alpha = row.alpha;
  link.d = -row.d;
  link.mass = row.mass;
  const double* c = row.centre;
  const double cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  const int i[6] = {0, 0, 0, 1, 1, 2}, j[6] = {0, 1, 2, 1, 2, 2};
  for (int e = 0; e < 6; ++e) {
    const double aboutCentre = i[e] == j[e] ? row.moments[i[e]] : 0.0;
    link.inertia[e] = aboutCentre + row.mass * ((i[e] == j[e] ? cc : 0.0) - c[i[e]] * c[j[e]]);
  }
  for (int k = 0; k < 3; ++k) link.centreOfMass[k] = c[k];
  return link;
}

pendula::ChainDescription ArmAsPublished() {
  pendula::ChainDescription arm;
  for (const PublishedLink& row : Puma560) arm.links.push_back(LinkOf(row));
  arm.gravity[0] = 0.0;
  arm.gravity[1] = 0.0;
  arm.gravity[2] = -9.80665;  // the base's z axis points up
  arm.trigonometry = pendula::Trigonometry::Exact;
  return arm;
}

void PrintRow(double time, const pendula::Chain& arm, pendula::ChainWorkspace& workspace,
              const double* momenta, const double* angles) {
  double origins[6 * 3];
  pendula::FrameOrigins(arm, angles, origins);
  std::printf("%6.2f ", time);
  for (int k = 0; k < 6; ++k) std::printf(" %8.4f", angles[k]);
  // The wrist centre is where the frames of links 4 to 6 meet.
  std::printf("  %10.6f  %7.4f %7.4f %7.4f\n", pendula::Energy(arm, workspace, momenta, angles),
              origins[15], origins[16], origins[17]);
}

}  // namespace

int main() {
  pendula::ChainDescription description = ArmAsPublished();
  try {
    const pendula::Chain asPublished(description);
  } catch (const std::invalid_argument& refusal) {
    std::printf("the table as it stands: %s\n", refusal.what());
  }
  description.links[0] = LinkOf({0.0, 0.0, 0.0, 1.0, {0.0, 0.0, 0.0}, {0.175, 0.175, 0.35}});
  const pendula::Chain arm(description);
  pendula::ChainWorkspace workspace(arm);

  // The arm stretched out along x, the wrist bent, at rest.
  double angles[6] = {0.0, 0.0, Pi / 2, 0.3, 0.6, 0.0};
  const double rates[6] = {};
  double momenta[6];
  pendula::MomentumInitialisation(arm, workspace, momenta, angles, rates);

  std::printf("%6s  %8s %8s %8s %8s %8s %8s  %10s  %23s\n", "t [s]", "q1", "q2", "q3", "q4", "q5",
              "q6", "energy [J]", "wrist centre x, y, z [m]");
  PrintRow(0.0, arm, workspace, momenta, angles);
  for (int step = 1; step <= Steps; ++step) {
    pendula::HeunStep(arm, workspace, momenta, angles, StepSize, Friction);
    if (step % StepsPerRow == 0) PrintRow(step * StepSize, arm, workspace, momenta, angles);
  }
  return 0;
}
