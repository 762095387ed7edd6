// The batch step of model.h on every core: a ModelThreads, made once for a model, owns a pool of
// threads and a workspace for each of them; StepStates on it cuts the states into blocks and
// steps the blocks on the threads, each with the single-threaded batch step on its own thread's
// workspace. Every state ends bit for bit where the single-threaded StepStates takes it.
#pragma once

#include <cstdint>
#include <memory>

#include "pendula/model.h"

namespace pendula {

// The threads that StepStates below uses, on a pool of poolThreads threads, for `count` states
// of the model by the method when asked for `threads`: ThreadsForBatch (batch_blocks.h) with
// blocks of StatesPerBlockUnit states for Heun and Rk4, which go in lanes, of one for Midpoint.
int ThreadsForStateBatch(int poolThreads, const Model& model, int count, StepMethod method,
                         int threads);

// The threads and the working data of the batch step on threads, for models of one joint count:
// made once, used by one call at a time (as a workspace is).
class ModelThreads {
 public:
  // threadCount threads: threadCount - 1 workers, started here, and the caller of each step;
  // 0 or less: CoreCount().
  ModelThreads(const Model& model, int threadCount);
  ~ModelThreads();
  ModelThreads(const ModelThreads&) = delete;
  ModelThreads& operator=(const ModelThreads&) = delete;

  int ThreadCount() const;

  struct Storage;  // opaque
  Storage& storage() { return *storage_; }

 private:
  std::unique_ptr<Storage> storage_;
};

// StepStates(model, workspace, momenta, positions, count, h, method, torques, newton) of model.h
// on up to `threads` threads of the ModelThreads (ThreadsForStateBatch; 0 or less: the default
// rule), with the same checks, the same bits and the same status. taken, when not null, is
// `count` flags: taken[i] = 1 when state i was stepped, 0 when its Midpoint solve did not
// converge. Allocates nothing and starts no thread.
BatchStepStatus StepStates(const Model& model, ModelThreads& onThreads, double* momenta,
                           double* positions, int count, double h,
                           StepMethod method = StepMethod::Heun, JointTorques torques = {},
                           const NewtonSettings& newton = {}, int threads = 0,
                           std::uint8_t* taken = nullptr);

}  // namespace pendula
