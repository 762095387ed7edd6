#include "python/chain_energy.h"

#include <cmath>

namespace pendula {
namespace python {

namespace {

// The program's link (ProgramLink): its mass, its length, how far along it the centre of mass
// lies; gravity 9.80665 m/s² along -y.
constexpr double LinkMass = ProgramLink().mass;
constexpr double LinkLength = ProgramLink().a;
constexpr double CentreOfMassFraction = ProgramLink().centreOfMass[0] / ProgramLink().a;
constexpr double Gravity = StandardGravity;

}  // namespace

double ChainEnergy(const Chain& chain, ChainWorkspace& workspace,
                   const double (&momenta)[ProgramLinkCount],
                   const double (&angles)[ProgramLinkCount]) {
  double momentumRates[ProgramLinkCount];
  double jointRates[ProgramLinkCount];
  // q̇ does not depend on the joint torques, so none are given.
  ForwardDynamics(chain, workspace, momenta, angles, momentumRates, jointRates);
  double kinetic = 0.0;
  for (int k = 0; k < ProgramLinkCount; ++k) kinetic += 0.5 * momenta[k] * jointRates[k];

  double potential = 0.0;
  double linkAngle = 0.0;
  double linkStartHeight = 0.0;
  for (int k = 0; k < ProgramLinkCount; ++k) {
    linkAngle += angles[k];
    const double rise = LinkLength * std::sin(linkAngle);
    potential += LinkMass * Gravity * (linkStartHeight + CentreOfMassFraction * rise);
    linkStartHeight += rise;
  }
  return kinetic + potential;
}

}  // namespace python
}  // namespace pendula
