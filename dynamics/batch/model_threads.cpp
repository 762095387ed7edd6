#include "dynamics/batch/model_threads.h"

#include <cstddef>
#include <string>
#include <vector>

#include "dynamics/batch/batch_blocks.h"
#include "dynamics/batch/thread_pool.h"
#include "dynamics/calls/chain_calls.h"
#include "dynamics/tree/tree_model.h"

namespace pendula {

struct ModelThreads::Storage : WorkspacesOnThreads<ModelWorkspace> {
  Storage(const Model& model, int threadCount)
      : WorkspacesOnThreads(model, threadCount), n(model.jointCount()) {}

  int n;  // the joints of the model it was made for
};

namespace {

int BlockUnit(StepMethod method) {
  return method != StepMethod::Midpoint ? StatesPerBlockUnit : 1;
}

}  // namespace

int ThreadsForStateBatch(int poolThreads, const Model& model, int count, StepMethod method,
                         int threads) {
  return ThreadsForBatch(poolThreads, count, model.jointCount(), method, BlockUnit(method),
                         threads);
}

ModelThreads::ModelThreads(const Model& model, int threadCount)
    : storage_(std::make_unique<Storage>(model, threadCount > 0 ? threadCount : CoreCount())) {}

ModelThreads::~ModelThreads() = default;

int ModelThreads::ThreadCount() const {
  return storage_->pool.ThreadCount();
}

BatchStepStatus StepStates(const Model& model, ModelThreads& onThreads, double* momenta,
                           double* positions, int count, double h, StepMethod method,
                           JointTorques torques, const NewtonSettings& newton, int threads,
                           std::uint8_t* taken) {
  ModelThreads::Storage& storage = onThreads.storage();
  if (storage.n != model.jointCount()) {
    Refuse("the ModelThreads were made for a model of " + std::to_string(storage.n) +
           " joints, not for this model of " + std::to_string(model.jointCount()) + " joints");
  }
  RequireStateBatch(model, momenta, positions, count, h, method, torques, newton);
  const int used = ThreadsForStateBatch(storage.pool.ThreadCount(), model, count, method, threads);
  if (used == 1) {
    return StepCheckedStates(model, ModelAccess::StorageOf(storage.workspaces[0]), momenta,
                             positions, count, h, method, torques, newton, taken);
  }
  const int n = storage.n;
  auto stepBlock = [&](int first, int blockCount, int thread) {
    const std::ptrdiff_t offset = std::ptrdiff_t{first} * n;
    JointTorques blockTorques = torques;
    if (torques.perChain && torques.values != nullptr) blockTorques.values += offset;
    return StepCheckedStates(
        model, ModelAccess::StorageOf(storage.workspaces[static_cast<std::size_t>(thread)]),
        momenta + offset, positions + offset, blockCount, h, method, blockTorques, newton,
        taken != nullptr ? taken + first : nullptr);
  };
  return StepBlocksOnThreads(storage.pool, storage.tallies, count,
                             StatesPerBlock(count, used, BlockUnit(method)), used, stepBlock);
}

}  // namespace pendula
