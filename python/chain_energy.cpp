#include "python/chain_energy.h"

#include <cmath>

#include "dynamics/dynamics.h"

namespace pendula {
namespace python {

namespace {

// The model's links: 1 kg, 1 m long, centre of mass halfway along; gravity 9.80665 m/s² along -y.
constexpr double LinkMass = 1.0;
constexpr double LinkLength = 1.0;
constexpr double CentreOfMassFraction = 0.5;
constexpr double Gravity = 9.80665;

}  // namespace

double ChainEnergy(const double (&momenta)[20], const double (&angles)[20]) {
  double momentumRates[20];
  double jointRates[20];
  ForwardDynamics(momenta, angles, momentumRates, jointRates);
  double kinetic = 0.0;
  for (int k = 0; k < 20; ++k) kinetic += 0.5 * momenta[k] * jointRates[k];

  double potential = 0.0;
  double linkAngle = 0.0;
  double linkStartHeight = 0.0;
  for (int k = 0; k < 20; ++k) {
    linkAngle += angles[k];
    const double rise = LinkLength * std::sin(linkAngle);
    potential += LinkMass * Gravity * (linkStartHeight + CentreOfMassFraction * rise);
    linkStartHeight += rise;
  }
  return kinetic + potential;
}

}  // namespace python
}  // namespace pendula
