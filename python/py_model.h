// The Python object behind pendula.Model: a Model and a pool of workspaces for its calls.
#pragma once

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "pendula/model.h"

namespace pendula {
namespace python {

// A Model and the workspaces its calls use: a call takes one from the pool, or makes one, and
// gives it back, so calls on different threads (and the threads of one batch step) each have
// their own and run at the same time. A lease touches no Python object: it may be taken with the
// GIL released.
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

 private:
  const Model model_;
  std::mutex poolLock_;
  std::vector<std::unique_ptr<ModelWorkspace>> pool_;
};

}  // namespace python
}  // namespace pendula
