// Drops one chain of 20 links from the horizontal and lets it swing for 10 s of simulated time at
// joint friction 1, printing every second the angle of joint 1 and the chain's total energy.
// It uses nothing but the installed interface, <pendula/dynamics.h>, <pendula/program_chain.h>
// and pendula::dynamics.
#include <pendula/dynamics.h>
#include <pendula/program_chain.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr int Links = 20;
constexpr double StepSize = pendula::ProgramStepSize;  // s, as the pendula program steps
constexpr double FrictionCoefficient = 1.0;            // N·m·s/rad on every joint
constexpr double AppliedTorque = 0.0;                  // N·m on joint 1
constexpr int SimulatedSeconds = 10;
// The model's links: 1 kg each, 1 m long, centre of mass halfway along; gravity along -y.
constexpr double LinkMass = 1.0;
constexpr double LinkLength = 1.0;
constexpr double Gravity = 9.80665;

// Kinetic energy ½ pᵀq̇, q̇ = A(q)⁻¹ p from the forward dynamics, plus the potential energy of
// each link's mass at its centre of mass, zero at the height of the base. Joint angles are
// relative, so link k lies at q_1 + ... + q_k from the +x axis.
double TotalEnergy(const double (&momenta)[Links], const double (&angles)[Links]) {
  double momentumRates[Links];
  double jointRates[Links];
  pendula::ForwardDynamics(momenta, angles, momentumRates, jointRates);
  double kinetic = 0.0;
  for (int k = 0; k < Links; ++k) kinetic += 0.5 * momenta[k] * jointRates[k];

  double potential = 0.0;
  double linkAngle = 0.0;
  double linkStartHeight = 0.0;
  for (int k = 0; k < Links; ++k) {
    linkAngle += angles[k];
    const double rise = LinkLength * std::sin(linkAngle);
    potential += LinkMass * Gravity * (linkStartHeight + 0.5 * rise);
    linkStartHeight += rise;
  }
  return kinetic + potential;
}

void PrintRow(double time, const double (&momenta)[Links], const double (&angles)[Links]) {
  std::printf("%8.3f  %13.4f  %16.2f\n", time, angles[0], TotalEnergy(momenta, angles));
}

}  // namespace

int main() {
  pendula::setUpModel(StepSize);

  double angles[Links] = {};            // all zero: straight along +x, level with the base
  const double jointRates[Links] = {};  // at rest
  double momenta[Links];
  pendula::MomentumInitialisation(momenta, angles, jointRates);

  std::printf("%8s  %13s  %16s\n", "time [s]", "joint 1 [rad]", "total energy [J]");
  PrintRow(0.0, momenta, angles);
  // A whole second is not a whole number of steps: each row comes at the first step that
  // reaches its second, and shows that step's time.
  int steps = 0;
  for (int second = 1; second <= SimulatedSeconds; ++second) {
    while (steps * StepSize < second) {
      pendula::HeunStep(momenta, angles, FrictionCoefficient, AppliedTorque);
      ++steps;
    }
    PrintRow(steps * StepSize, momenta, angles);
  }
  return 0;
}
