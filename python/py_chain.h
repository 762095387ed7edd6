// The Python object behind pendula.Chain: a Chain, a pool of workspaces for its calls, and the
// threads of its batch steps.
#pragma once

#include <utility>

#include "dynamics/batch/chain_threads.h"
#include "pendula/chain.h"
#include "python/leased_model.h"

namespace pendula {
namespace python {

class PyChain : public LeasedModel<Chain, ChainWorkspace, ChainThreads> {
 public:
  explicit PyChain(Chain chain) : LeasedModel(std::move(chain)) {}
  const Chain& chain() const { return model(); }
};

}  // namespace python
}  // namespace pendula
