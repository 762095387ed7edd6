// The Python object behind pendula.Chain: a Chain and a pool of workspaces for its calls.
#pragma once

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "dynamics/chain.h"

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

 private:
  const Chain chain_;
  std::mutex poolLock_;
  std::vector<std::unique_ptr<ChainWorkspace>> pool_;
};

}  // namespace python
}  // namespace pendula
