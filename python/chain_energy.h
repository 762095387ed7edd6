// The total energy of one of the program's chains, the quantity that friction dissipates and that
// the fixed explicit step should, at friction 0, keep constant.
#pragma once

#include "pendula/chain.h"
#include "pendula/program_chain.h"

namespace pendula {
namespace python {

// E = ½ pᵀq̇ + Σ_k m g y_k: the kinetic energy, q̇ = A(q)⁻¹ p from ForwardDynamics, plus the
// potential energy of each link's mass at its centre of mass (halfway along the link), y_k
// measured up from the base. Joint angles are relative: link k lies at q_1 + ... + q_k from +x.
// chain is the program's (Chain::Program()), its evaluation in the workspace given.
double ChainEnergy(const Chain& chain, ChainWorkspace& workspace,
                   const double (&momenta)[ProgramLinkCount],
                   const double (&angles)[ProgramLinkCount]);

}  // namespace python
}  // namespace pendula
