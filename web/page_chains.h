// The page's chains of any link count: the program's chains rebuilt with N of the program's
// links (1 to 100) as a run-time Chain, started fanned out as the program starts its own. The
// program's 20 links run on the program's own run (app/program_state.h) instead, bit for bit
// the desktop program's; these are for every other count.
#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "app/program_state.h"
#include "pendula/chain.h"

namespace pendula {
namespace page {

// The most links the page's chains may have.
constexpr int MaxPageLinks = 100;

struct PageChains {
  int linkCount = 0;  // 0: none built
  std::unique_ptr<Chain> chain;
  std::unique_ptr<ChainWorkspace> workspace;
  // ProgramChainCount rows of linkCount values each.
  std::vector<double> angles, momenta, startAngles, startMomenta;
  std::vector<LinkPose> poses;
};

// Builds the chains of `links` program links (which must be 1..MaxPageLinks) and their start:
// joint 1 of chain i at ProgramStartAngleStep · i, every other joint 0, all at rest. Allocates:
// this is model creation.
void BuildPageChains(PageChains& chains, int links);

// One idle pass over the first state.chainCount chains with the state's drive settings, as the
// program's IdlePass: the Heun step, every non-finite chain restarted ("chain <i> restarted"),
// the simulated clock advanced, the mouse-look step. True on every fifth pass.
bool PageChainsIdlePass(PageChains& chains, ProgramState& state, std::ostream& out);

// Every chain back to its start.
void RestartPageChains(PageChains& chains);

// The poses of the first chainCount chains' links, chain after chain, linkCount each.
const LinkPose* PosePageChains(PageChains& chains, int chainCount);

}  // namespace page
}  // namespace pendula
