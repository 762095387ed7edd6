// The C++ interface's answers for a chain built at run time, so that the module's Chain can be
// compared with it bit for bit. Standard input, raw doubles: N, n, friction, h, exact (0 or 1),
// gravity (3), then N links of 13 values (a, d, alpha, mass, centre of mass 3, inertia 6), then
// n x N momenta, angles, rates and torques. Standard output, raw doubles: momenta and angles
// after StepChains with those torques one row per chain (n x N each); ForwardDynamics' momentum
// rates and joint rates (n x N each); MomentumInitialisation of (angles, rates) (n x N); the
// energies (n); the frame origins (n x N x 3).
#include <cstdio>
#include <vector>

#include "pendula/chain.h"

namespace {

bool Read(double* values, std::size_t count) {
  return std::fread(values, sizeof(double), count, stdin) == count;
}

void Write(const std::vector<double>& values) {
  std::fwrite(values.data(), sizeof(double), values.size(), stdout);
}

}  // namespace

int main() {
  double header[8];
  if (!Read(header, 8)) return 1;
  const auto links = static_cast<int>(header[0]);
  const auto chains = static_cast<int>(header[1]);
  const double friction = header[2], h = header[3];
  pendula::ChainDescription description;
  description.trigonometry =
      header[4] != 0.0 ? pendula::Trigonometry::Exact : pendula::Trigonometry::Table;
  for (int i = 0; i < 3; ++i) description.gravity[i] = header[5 + i];
  for (int k = 0; k < links; ++k) {
    double v[13];
    if (!Read(v, 13)) return 1;
    pendula::Link link;
    link.a = v[0], link.d = v[1], link.alpha = v[2], link.mass = v[3];
    for (int i = 0; i < 3; ++i) link.centreOfMass[i] = v[4 + i];
    for (int i = 0; i < 6; ++i) link.inertia[i] = v[7 + i];
    description.links.push_back(link);
  }
  const std::size_t size = static_cast<std::size_t>(links) * chains;
  std::vector<double> momenta(size), angles(size), rates(size), torques(size);
  for (std::vector<double>* block : {&momenta, &angles, &rates, &torques}) {
    if (!Read(block->data(), size)) return 1;
  }
  const pendula::Chain chain(description);
  pendula::ChainWorkspace workspace(chain);
  std::vector<double> stepped = momenta, steppedAngles = angles;
  pendula::StepChains(chain, workspace, stepped.data(), steppedAngles.data(), chains, h, friction,
                      pendula::JointTorques{torques.data(), true});
  std::vector<double> momentumRates(size), jointRates(size), initial(size), energies(chains),
      origins(3 * size);
  for (int i = 0; i < chains; ++i) {
    const std::size_t row = static_cast<std::size_t>(i) * links;
    pendula::ForwardDynamics(chain, workspace, &momenta[row], &angles[row], &momentumRates[row],
                             &jointRates[row], friction, &torques[row]);
    pendula::MomentumInitialisation(chain, workspace, &initial[row], &angles[row], &rates[row]);
    energies[i] = pendula::Energy(chain, workspace, &momenta[row], &angles[row]);
    pendula::FrameOrigins(chain, &angles[row], &origins[3 * row]);
  }
  for (const std::vector<double>* block :
       {&stepped, &steppedAngles, &momentumRates, &jointRates, &initial, &energies, &origins}) {
    Write(*block);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
