// The chain model behind the public interface of dynamics.h, for code that wants to evaluate
// exactly the program's chains through the core's own calls (tests, benchmarks).
#pragma once

#include "dynamics/chain_model.h"

namespace pendula {

// Links in each of the program's chains; the public interface's arrays hold this many.
constexpr int ProgramLinkCount = 20;

// The model that setUpModel set up (read-only; valid after setUpModel).
const ChainModel<ProgramLinkCount>& SharedChainModel();

}  // namespace pendula
