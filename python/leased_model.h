// A model of the library (a Chain or a Model) with the working data its Python calls lease: a pool
// of workspaces, and the threads of its batch steps.
#pragma once

#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

#include "pendula/derivatives.h"

namespace pendula {
namespace python {

// A call takes a workspace from the pool of its kind (the model's calls', or the derivatives'),
// or makes one, and gives it back, so calls on different threads each have their own and run at
// the same time, and a call in a loop makes none after the first. A lease touches no Python
// object: it may be taken with the GIL released.
template <class Model, class Workspace, class Threads>
class LeasedModel {
  template <class W>
  struct Pool {
    std::mutex lock;
    std::vector<std::unique_ptr<W>> spare;
  };

 public:
  explicit LeasedModel(Model model) : model_(std::move(model)) {}
  const Model& model() const { return model_; }

  template <class W>
  class LeaseOf {
   public:
    explicit LeaseOf(LeasedModel& owner) : owner_(owner) {
      Pool<W>& pool = owner_.PoolOf<W>();
      {
        const std::lock_guard<std::mutex> lock(pool.lock);
        if (!pool.spare.empty()) {
          workspace_ = std::move(pool.spare.back());
          pool.spare.pop_back();
        }
      }
      if (!workspace_) workspace_ = std::make_unique<W>(owner_.model_);
    }
    ~LeaseOf() {
      Pool<W>& pool = owner_.PoolOf<W>();
      const std::lock_guard<std::mutex> lock(pool.lock);
      pool.spare.push_back(std::move(workspace_));
    }
    LeaseOf(const LeaseOf&) = delete;
    LeaseOf& operator=(const LeaseOf&) = delete;
    W& workspace() { return *workspace_; }

   private:
    LeasedModel& owner_;
    std::unique_ptr<W> workspace_;
  };
  using Lease = LeaseOf<Workspace>;
  using DerivativesLease = LeaseOf<DerivativesWorkspace>;

  // The threads of the batch step, one per core, held for one batch: made by the first lease and
  // kept for the model's life. One batch on threads at a time; the lease must be taken with the
  // GIL released (so that a batch in progress does not hold up the interpreter), and the GIL
  // must not be taken while it is held, so that the two locks cannot deadlock.
  class ThreadsLease {
   public:
    explicit ThreadsLease(LeasedModel& owner) : lock_(owner.threadsLock_) {
      if (!owner.threads_) owner.threads_ = std::make_unique<Threads>(owner.model_, 0);
      threads_ = owner.threads_.get();
    }
    ThreadsLease(const ThreadsLease&) = delete;
    ThreadsLease& operator=(const ThreadsLease&) = delete;
    Threads& threads() { return *threads_; }

   private:
    std::lock_guard<std::mutex> lock_;
    Threads* threads_;
  };

 private:
  template <class W>
  Pool<W>& PoolOf() {
    if constexpr (std::is_same_v<W, Workspace>) {
      return workspaces_;
    } else {
      return derivatives_;
    }
  }

  const Model model_;
  Pool<Workspace> workspaces_;
  Pool<DerivativesWorkspace> derivatives_;
  std::mutex threadsLock_;
  std::unique_ptr<Threads> threads_;
};

}  // namespace python
}  // namespace pendula
