// The total energy of one chain, the quantity that friction dissipates and that the fixed explicit
// step should, at friction 0, keep constant.
#pragma once

namespace pendula {
namespace python {

// E = ½ pᵀq̇ + Σ_k m g y_k: the kinetic energy, q̇ = A(q)⁻¹ p from ForwardDynamics, plus the
// potential energy of each link's mass at its centre of mass (halfway along the link), y_k
// measured up from the base. Joint angles are relative: link k lies at q_1 + ... + q_k from +x.
// Uses the model's process-wide working storage, as ForwardDynamics does.
double ChainEnergy(const double (&momenta)[20], const double (&angles)[20]);

}  // namespace python
}  // namespace pendula
