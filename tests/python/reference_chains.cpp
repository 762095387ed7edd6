// The C++ interface's own answers on states that the Python tests send, so that the module can be
// compared with it bit for bit. Standard input, raw doubles: n, friction, torque, then n x 20
// momenta, n x 20 angles, n x 20 rates. Standard output, raw doubles, n x 20 each: momenta and
// angles after one HeunStep of each chain; ForwardDynamics' momentum rates and joint rates;
// MomentumInitialisation of (angles, rates); SineLookup and CosineLookup of every angle.
#include <cstdio>
#include <vector>

#include "pendula/dynamics.h"

namespace {

struct Chain {
  double values[20];
};
using Chains = std::vector<Chain>;

bool Read(double* values, std::size_t count) {
  return std::fread(values, sizeof(double), count, stdin) == count;
}

void Write(const Chains& chains) {
  std::fwrite(chains.data(), sizeof(Chain), chains.size(), stdout);
}

}  // namespace

int main() {
  double header[3];
  if (!Read(header, 3)) return 1;
  const auto n = static_cast<std::size_t>(header[0]);
  const double friction = header[1];
  const double torque = header[2];
  Chains momenta(n), angles(n), rates(n);
  if (!Read(momenta.data()->values, 20 * n) || !Read(angles.data()->values, 20 * n) ||
      !Read(rates.data()->values, 20 * n)) {
    return 1;
  }

  pendula::setUpModel(0.012);
  Chains steppedMomenta = momenta, steppedAngles = angles;
  for (std::size_t i = 0; i < n; ++i) {
    pendula::HeunStep(steppedMomenta[i].values, steppedAngles[i].values, friction, torque);
  }
  Chains momentumRates(n), jointRates(n), initialMomenta(n), sines(n), cosines(n);
  pendula::SetActiveJointTorques(friction, torque);
  for (std::size_t i = 0; i < n; ++i) {
    pendula::ForwardDynamics(momenta[i].values, angles[i].values, momentumRates[i].values,
                             jointRates[i].values);
    pendula::MomentumInitialisation(initialMomenta[i].values, angles[i].values, rates[i].values);
    for (int k = 0; k < 20; ++k) {
      sines[i].values[k] = pendula::SineLookup(angles[i].values[k]);
      cosines[i].values[k] = pendula::CosineLookup(angles[i].values[k]);
    }
  }
  for (const Chains* block : {&steppedMomenta, &steppedAngles, &momentumRates, &jointRates,
                              &initialMomenta, &sines, &cosines}) {
    Write(*block);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
