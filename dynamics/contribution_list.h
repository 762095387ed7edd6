// ContributionList: the ordered, non-owning references through which a link collects
// the results that its children write. The lists are the chain model's only statement of the
// topology; they are built once by setUpModel and only walked afterwards.
#pragma once

#include <vector>

namespace pendula {

// An ordered list of references to result slots of type Slot (a SpatialVector or an
// ArticulatedInertia) owned by other links. The summing kernels read the slots in list order.
template <typename Slot>
class ContributionList {
 public:
  // Appends a reference to `slot`; only the model set-up calls this (it may allocate).
  void Append(const Slot& slot) { slots_.push_back(&slot); }
  // Empties the list and keeps its storage, so that a repeated set-up allocates nothing new.
  void Clear() { slots_.clear(); }

  const Slot* const* begin() const { return slots_.data(); }
  const Slot* const* end() const { return slots_.data() + slots_.size(); }
  bool empty() const { return slots_.empty(); }
  std::size_t size() const { return slots_.size(); }
  const Slot& operator[](std::size_t i) const { return *slots_[i]; }

 private:
  std::vector<const Slot*> slots_;
};

}  // namespace pendula
