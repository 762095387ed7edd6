// The Python object behind pendula.Chain: a Chain, a pool of workspaces for its calls, and the
// threads of its batch steps.
#pragma once

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "pendula/chain.h"
#include "dynamics/batch/chain_threads.h"

namespace pendula {
namespace python {

// A Chain and the workspaces its calls use: a call takes one from the pool, or makes one, and
// gives it back, so calls on different threads each have their own and run at the same time.
class PyChain {
 public:
  explicit PyChain(Chain chain) : chain_(std::move(chain)) {}
  const Chain& chain() const { return chain_; }

  class Lease {
   public:
    explicit Lease(PyChain& owner) : owner_(owner) {
      {
        const std::lock_guard<std::mutex> lock(owner_.poolLock_);
        if (!owner_.pool_.empty()) {
          workspace_ = std::move(owner_.pool_.back());
          owner_.pool_.pop_back();
        }
      }
      if (!workspace_) workspace_ = std::make_unique<ChainWorkspace>(owner_.chain_);
    }
    ~Lease() {
      const std::lock_guard<std::mutex> lock(owner_.poolLock_);
      owner_.pool_.push_back(std::move(workspace_));
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ChainWorkspace& workspace() { return *workspace_; }

   private:
    PyChain& owner_;
    std::unique_ptr<ChainWorkspace> workspace_;
  };

  // The ChainThreads of the batch step on threads, with a thread per core, held for one batch:
  // made by the first lease and kept for the Chain's life. One batch on threads at a time; the
  // lease must be taken with the GIL released (so that a batch in progress does not hold up
  // the interpreter), and the GIL must not be taken while it is held, so that the two locks
  // cannot deadlock.
  class ThreadsLease {
   public:
    explicit ThreadsLease(PyChain& owner) : lock_(owner.threadsLock_) {
      if (!owner.threads_) owner.threads_ = std::make_unique<ChainThreads>(owner.chain_, 0);
      threads_ = owner.threads_.get();
    }
    ThreadsLease(const ThreadsLease&) = delete;
    ThreadsLease& operator=(const ThreadsLease&) = delete;
    ChainThreads& threads() { return *threads_; }

   private:
    std::lock_guard<std::mutex> lock_;
    ChainThreads* threads_;
  };

 private:
  const Chain chain_;
  std::mutex poolLock_;
  std::vector<std::unique_ptr<ChainWorkspace>> pool_;
  std::mutex threadsLock_;
  std::unique_ptr<ChainThreads> threads_;
};

}  // namespace python
}  // namespace pendula
