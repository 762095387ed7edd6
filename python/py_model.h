// The Python object behind pendula.Model: a Model, a pool of workspaces for its calls and the
// threads of its batch steps.
#pragma once

#include <utility>

#include "dynamics/batch/model_threads.h"
#include "pendula/model.h"
#include "python/leased_model.h"

namespace pendula {
namespace python {

class PyModel : public LeasedModel<Model, ModelWorkspace, ModelThreads> {
 public:
  explicit PyModel(Model model) : LeasedModel(std::move(model)) {}
  int jointCount() const { return model().jointCount(); }
  const ModelDescription& description() const { return model().description(); }
};

}  // namespace python
}  // namespace pendula
