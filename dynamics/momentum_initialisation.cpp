#include "dynamics/momentum_initialisation.h"

#include "dynamics/chain_model.h"
#include "dynamics/sine_table.h"
#include "dynamics/spatial_algebra.h"

namespace pendula {

void MomentumInitialisation(double (&momenta)[20], const double (&angles)[20],
                            const double (&jointRates)[20]) {
  ChainWorkspace& w = chainWorkspace;
  const ChainModel& model = chainModel;
  // Outward: v'_k = X_k^T v_{k-1}, v_k = v'_k + S qdot_k, h_k = I_k v_k.
  const SpatialVector* parent = &model.baseVelocity;
  for (int link = 0; link < LinkCount; ++link) {
    const LinkParameters& L = model.links[link];
    w.sine[link] = SineFromTable(angles[link]);
    w.cosine[link] = CosineFromTable(angles[link]);
    const LinkTransform X = TransformOfLink(L, w.sine[link], w.cosine[link]);
    TransformMotionToChild(w.parentVelocity[link], *parent, X);
    AddJointRate(w.velocity[link], w.parentVelocity[link], jointRates[link]);
    ApplyRigidInertia(w.linkMomentum[link], L.mass, L.inertia, L.centreOfMass, w.velocity[link]);
    parent = &w.velocity[link];
  }
  // Inward: H_k = h_k + transferred children, p_k = H_k[5]; for k >= 2 the slot X_k H_k
  // (momenta transform like forces; nothing is reported to the base).
  for (int link = LinkCount - 1; link >= 0; --link) {
    AddChildVectors(w.subtreeMomentum[link], w.linkMomentum[link],
                    model.momentumContributions[link]);
    JointComponent(momenta[link], w.subtreeMomentum[link]);
    if (link == 0) break;
    const LinkTransform X = TransformOfLink(model.links[link], w.sine[link], w.cosine[link]);
    TransformForceToParent(w.momentumSlot[link], w.subtreeMomentum[link], X);
  }
}

}  // namespace pendula
