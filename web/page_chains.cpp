#include "web/page_chains.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace pendula {
namespace page {

void BuildPageChains(PageChains& chains, int links) {
  ChainDescription description;
  description.links.assign(static_cast<std::size_t>(links), ProgramLink());
  chains.chain = std::make_unique<Chain>(description);
  chains.workspace = std::make_unique<ChainWorkspace>(*chains.chain);
  chains.linkCount = links;
  const std::size_t values = static_cast<std::size_t>(ProgramChainCount) * links;
  chains.startAngles.assign(values, 0.0);
  chains.startMomenta.assign(values, 0.0);
  const std::vector<double> rest(static_cast<std::size_t>(links), 0.0);
  for (int i = 0; i < ProgramChainCount; ++i) {
    double* angles = &chains.startAngles[static_cast<std::size_t>(i) * links];
    angles[0] = ProgramStartAngleStep * i;
    MomentumInitialisation(*chains.chain, *chains.workspace,
                           &chains.startMomenta[static_cast<std::size_t>(i) * links], angles,
                           rest.data());
  }
  chains.angles = chains.startAngles;
  chains.momenta = chains.startMomenta;
  chains.poses.assign(values, LinkPose{});
}

bool PageChainsIdlePass(PageChains& chains, ProgramState& state, std::ostream& out) {
  const int n = chains.linkCount;
  // The program drives joint 1 alone; one torque row for every chain, the rest zero.
  double torques[MaxPageLinks] = {};
  torques[0] = state.driveSettings.appliedTorque;
  StepChains(*chains.chain, *chains.workspace, chains.momenta.data(), chains.angles.data(),
             state.chainCount, ProgramStepSize, state.driveSettings.frictionCoefficient,
             JointTorques{torques, false});
  for (int i = 0; i < state.chainCount; ++i) {
    const std::size_t row = static_cast<std::size_t>(i) * n;
    bool finite = true;
    for (int k = 0; k < n && finite; ++k) {
      finite = std::isfinite(chains.angles[row + k]) && std::isfinite(chains.momenta[row + k]);
    }
    if (finite) continue;
    std::copy_n(&chains.startAngles[row], n, &chains.angles[row]);
    std::copy_n(&chains.startMomenta[row], n, &chains.momenta[row]);
    out << "chain " << i << " restarted\n" << std::flush;
  }
  const bool redraw = AdvanceSimulationClock(state.simulationClock, ProgramStepSize);
  MouseLookStep(state.camera, state.mouseLook, state.cursor);
  return redraw;
}

void RestartPageChains(PageChains& chains) {
  chains.angles = chains.startAngles;  // same sizes: no allocation
  chains.momenta = chains.startMomenta;
}

const LinkPose* PosePageChains(PageChains& chains, int chainCount) {
  ComputeLinkPoses(chains.angles.data(), chainCount, chains.linkCount, chains.poses.data());
  return chains.poses.data();
}

}  // namespace page
}  // namespace pendula
