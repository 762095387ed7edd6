// The engines that the agreement test holds against each other, each behind the same two calls
// for a chain of any length (the length of the arrays, joint k at element k - 1).
#pragma once

#include <vector>

namespace pendula {
namespace agreement {

using Joints = std::vector<double>;

struct Rates {
  Joints jointRates;     // q̇
  Joints momentumRates;  // ṗ
};

struct Engine {
  const char* name;
  // How far the engine's results may be from the exact dynamics, relative to their size
  // (the largest magnitude over the joints), for a chain of `links` links.
  double (*tolerance)(int links);
  // p = M(q) q̇.
  Joints (*momenta)(const Joints& angles, const Joints& jointRates);
  // q̇ = M(q)^-1 p and ṗ = -∂H/∂q + joint torques, with viscous friction b (the moment -b q̇_k on
  // link k alone) and the drive τ on joint 1.
  Rates (*rates)(const Joints& angles, const Joints& momenta, double friction, double drive);
};

// The independent reference of tests/support/planar_chain_reference.h first, then pendula, then
// every peer engine that was found at configure time.
std::vector<Engine> Engines();

}  // namespace agreement
}  // namespace pendula
