// The Python object behind pendula.Model: a Model, a pool of workspaces for its calls and the
// threads of its batch steps.
#pragma once

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "dynamics/batch/model_threads.h"
#include "pendula/model.h"

namespace pendula {
namespace python {

// A Model and the workspaces its calls use: a call takes one from the pool, or makes one, and
// gives it back, so calls on different threads each have their own and run at the same time. A
// lease touches no Python object: it may be taken with the GIL released.
class PyModel {
 public:
  explicit PyModel(Model model) : model_(std::move(model)) {}
  const Model& model() const { return model_; }
  int jointCount() const { return model_.jointCount(); }
  const ModelDescription& description() const { return model_.description(); }

  class Lease {
   public:
    explicit Lease(PyModel& owner) : owner_(owner) {
      {
        const std::lock_guard<std::mutex> lock(owner_.poolLock_);
        if (!owner_.pool_.empty()) {
          workspace_ = std::move(owner_.pool_.back());
          owner_.pool_.pop_back();
        }
      }
      if (!workspace_) workspace_ = std::make_unique<ModelWorkspace>(owner_.model_);
    }
    ~Lease() {
      const std::lock_guard<std::mutex> lock(owner_.poolLock_);
      owner_.pool_.push_back(std::move(workspace_));
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ModelWorkspace& workspace() { return *workspace_; }

   private:
    PyModel& owner_;
    std::unique_ptr<ModelWorkspace> workspace_;
  };

  // The ModelThreads of the batch step on threads, with a thread per core, held for one batch:
  // made by the first lease and kept for the Model's life. One batch on threads at a time; the
  // lease must be taken with the GIL released (so that a batch in progress does not hold up
  // the interpreter), and the GIL must not be taken while it is held, so that the two locks
  // cannot deadlock.
  class ThreadsLease {
   public:
    explicit ThreadsLease(PyModel& owner) : lock_(owner.threadsLock_) {
      if (!owner.threads_) owner.threads_ = std::make_unique<ModelThreads>(owner.model_, 0);
      threads_ = owner.threads_.get();
    }
    ThreadsLease(const ThreadsLease&) = delete;
    ThreadsLease& operator=(const ThreadsLease&) = delete;
    ModelThreads& threads() { return *threads_; }

   private:
    std::lock_guard<std::mutex> lock_;
    ModelThreads* threads_;
  };

 private:
  const Model model_;
  std::mutex poolLock_;
  std::vector<std::unique_ptr<ModelWorkspace>> pool_;
  std::mutex threadsLock_;
  std::unique_ptr<ModelThreads> threads_;
};

}  // namespace python
}  // namespace pendula
