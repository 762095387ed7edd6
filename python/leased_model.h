// A model of the library (a Chain or a Model) with the working data its Python calls lease: a pool
// of workspaces, and the threads of its batch steps.
#pragma once

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace pendula {
namespace python {

// A call takes a workspace from the pool, or makes one, and gives it back, so calls on different
// threads each have their own and run at the same time. A lease touches no Python object: it may
// be taken with the GIL released.
template <class Model, class Workspace, class Threads>
class LeasedModel {
 public:
  explicit LeasedModel(Model model) : model_(std::move(model)) {}
  const Model& model() const { return model_; }

  class Lease {
   public:
    explicit Lease(LeasedModel& owner) : owner_(owner) {
      {
        const std::lock_guard<std::mutex> lock(owner_.poolLock_);
        if (!owner_.pool_.empty()) {
          workspace_ = std::move(owner_.pool_.back());
          owner_.pool_.pop_back();
        }
      }
      if (!workspace_) workspace_ = std::make_unique<Workspace>(owner_.model_);
    }
    ~Lease() {
      const std::lock_guard<std::mutex> lock(owner_.poolLock_);
      owner_.pool_.push_back(std::move(workspace_));
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Workspace& workspace() { return *workspace_; }

   private:
    LeasedModel& owner_;
    std::unique_ptr<Workspace> workspace_;
  };

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
  const Model model_;
  std::mutex poolLock_;
  std::vector<std::unique_ptr<Workspace>> pool_;
  std::mutex threadsLock_;
  std::unique_ptr<Threads> threads_;
};

}  // namespace python
}  // namespace pendula
