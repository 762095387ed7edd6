#include "dynamics/chain_model.h"

#include "dynamics/dynamics.h"
#include "dynamics/sine_table.h"

namespace pendula {

ChainModel chainModel;
ChainWorkspace chainWorkspace;

namespace {

// Every link: a slender body of length 1 and mass 1 along its x axis, centre of mass in its
// middle, inertia taken about the joint (Izz = Iyy = 0.33, not 1/3; no parallel-axis shift),
// no twist and no offset along z, so the chain moves in the base xy plane.
constexpr LinkParameters UniformLink = {
    {0.01, 0.0, 0.0, 0.33, 0.0, 0.33},  // inertia
    {0.5, 0.0, 0.0},                    // centreOfMass
    1.0,                                // mass
    1.0,                                // a
    0.0,                                // d
    0.0,                                // sinAlpha
    1.0,                                // cosAlpha
};

// Whether list k holds exactly link k+1's slot (k = 1..19) and the tip's list is empty.
template <typename Slot>
bool ListsFormSerialChain(const ContributionList<Slot> (&lists)[LinkCount],
                          const Slot (&slots)[LinkCount]) {
  for (int link = 0; link + 1 < LinkCount; ++link) {
    if (lists[link].size() != 1 || &lists[link][0] != &slots[link + 1]) return false;
  }
  return lists[LinkCount - 1].empty();
}

// Whether the lists that the forward dynamics reads wire the links as one serial chain, each
// link collecting the slots of the next: the in-plane evaluation hands those slots on directly.
bool WiredAsSerialChain(const ChainModel& model) {
  const ChainWorkspace& w = chainWorkspace;
  return ListsFormSerialChain(model.inertiaContributions, w.inertiaSlot) &&
         ListsFormSerialChain(model.biasContributions, w.biasSlot) &&
         ListsFormSerialChain(model.forceContributions, w.forceSlot);
}

}  // namespace

ModelShape ClassifyChainModel(const ChainModel& model) {
  const SpatialVector& v0 = model.baseVelocity;
  bool untwisted = true;
  bool inPlane = (model.gravity[2] == 0.0) & (v0[2] == 0.0) & (v0[3] == 0.0) & (v0[4] == 0.0);
  for (const LinkParameters& L : model.links) {
    untwisted &= (L.d == 0.0) & (L.sinAlpha == 0.0) & (L.cosAlpha == 1.0);
    inPlane &= (L.centreOfMass[2] == 0.0) & (L.inertia[2] == 0.0) & (L.inertia[4] == 0.0);
  }
  if (!untwisted) return ModelShape::General;
  return inPlane && WiredAsSerialChain(model) ? ModelShape::InPlane : ModelShape::Untwisted;
}

void setUpModel(double stepSize) {
  ChainModel& model = chainModel;
  model.stepSize = stepSize;
  BuildSineTable(SineTableSize);
  model.baseVelocity = SpatialVector{{0.0, 0.0, 0.0, 0.0, 0.0, 0.0}};
  model.gravity = SpatialVector{{0.0, -StandardGravity, 0.0, 0.0, 0.0, 0.0}};
  for (int link = 0; link < LinkCount; ++link) model.links[link] = UniformLink;

  for (int link = 0; link < LinkCount; ++link) {
    model.inertiaContributions[link].Clear();
    model.biasContributions[link].Clear();
    model.forceContributions[link].Clear();
    model.momentumContributions[link].Clear();
  }
  // The workspace starts as zeros, and every M_k as link k's own rigid-body inertia: what an
  // evaluation of an in-plane model does not write keeps these values (exact for the
  // out-of-plane components of the vectors, and for all of M_20).
  ChainWorkspace& work = chainWorkspace;
  work = ChainWorkspace{};
  for (int link = 0; link < LinkCount; ++link) {
    const LinkParameters& L = model.links[link];
    BuildArticulatedInertia(work.articulatedInertia[link], ContributionList<ArticulatedInertia>{},
                            L.mass, L.inertia, L.centreOfMass);
  }
  // Link k collects link k+1's slots (k = 1..19); the tip's lists stay empty.
  for (int link = 0; link + 1 < LinkCount; ++link) {
    model.inertiaContributions[link].Append(work.inertiaSlot[link + 1]);
    model.biasContributions[link].Append(work.biasSlot[link + 1]);
    model.forceContributions[link].Append(work.forceSlot[link + 1]);
    model.momentumContributions[link].Append(work.momentumSlot[link + 1]);
  }
  model.shape = ClassifyChainModel(model);
}

}  // namespace pendula
