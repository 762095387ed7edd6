#include "python/derivative_calls.h"

#include <pybind11/numpy.h>

#include <memory>
#include <string>

#include "pendula/derivatives.h"
#include "python/chain_state_arrays.h"
#include "python/drive_arguments.h"
#include "python/model_arrays.h"
#include "python/py_chain.h"

namespace pendula {
namespace python {
namespace {

// The four blocks, shaped (N, N) for states (N,) and (n, N, N) for (n, N), as a dict.
struct BlockArrays {
  BlockArrays(const ChainArray& like, int n)
      : pp(NewArrayWith(like, {n})),
        pq(NewArrayWith(like, {n})),
        qp(NewArrayWith(like, {n})),
        qq(NewArrayWith(like, {n})) {}
  ChainArray pp, pq, qp, qq;
  DynamicsJacobian Out() {
    return {pp.mutable_data(), pq.mutable_data(), qp.mutable_data(), qq.mutable_data()};
  }
  py::dict Dict() const {
    py::dict d;
    d["dpdot_dp"] = pp;
    d["dpdot_dq"] = pq;
    d["dqdot_dp"] = qp;
    d["dqdot_dq"] = qq;
    return d;
  }
};

py::dict ChainDerivativesOf(PyChain& self, py::handle momentaObject, py::handle anglesObject,
                            py::handle frictionObject, py::handle torquesObject) {
  const double friction = FrictionArgument(frictionObject);
  const int n = self.chain().linkCount();
  const ChainArray momenta = ReadStates(momentaObject, "momenta", n);
  const ChainArray angles = ReadStates(anglesObject, "angles", n);
  RequireSameShape(momenta, "momenta", angles, "angles");
  // Torques add nothing to the Jacobian; they are checked as every call checks them.
  const TorqueArray torques = ReadTorques(torquesObject, n, momenta);
  BlockArrays blocks(momenta, n);
  {
    const py::gil_scoped_release withoutGil;
    PyChain::DerivativesLease lease(self);
    DerivativesOfStates(self.chain(), lease.workspace(), momenta.data(), angles.data(),
                        static_cast<int>(StateCount(momenta)), blocks.Out(), friction,
                        JointTorques{torques.values, torques.perChain});
  }
  return blocks.Dict();
}

py::dict ModelDerivativesOf(PyModel& self, py::handle momentaObject, py::handle positionsObject,
                            py::handle torquesObject) {
  const int n = self.jointCount();
  const ChainArray momenta = ReadJointStates(momentaObject, "momenta", n);
  const ChainArray positions = ReadJointStates(positionsObject, "positions", n);
  RequireSameShape(momenta, "momenta", positions, "positions");
  const TorqueArray torques = ReadJointTorques(torquesObject, self.model(), momenta);
  BlockArrays blocks(momenta, n);
  {
    const py::gil_scoped_release withoutGil;
    PyModel::DerivativesLease lease(self);
    DerivativesOfStates(self.model(), lease.workspace(), momenta.data(), positions.data(),
                        static_cast<int>(StateCount(momenta)), blocks.Out(),
                        JointTorques{torques.values, torques.perChain});
  }
  return blocks.Dict();
}

constexpr const char* Blocks = R"(
A dict of four arrays, each (N, N) for one state (N,) or (n, N, N) for n states (n, N), exact
(recursions derived from the evaluation, not differences):
  "dpdot_dp", "dpdot_dq"   d(momentum_rates)/d(momenta), d(momentum_rates)/d(positions)
  "dqdot_dp", "dqdot_dq"   d(rates)/d(momenta) = A(q)^-1, d(rates)/d(positions)
Row i, column j: the derivative of component i by state component j. Torques are generalized
forces that do not depend on the state: d(momentum_rates)/d(torques) is the identity and they
change none of the four blocks. Without friction or damping dqdot_dp and dpdot_dq are symmetric
and dpdot_dp = -dqdot_dq.T. With the sine table the blocks are those of the smooth model at the
table's sines and cosines.)";

}  // namespace

void AddDerivativeCalls(py::module_& module, ModelClass& model) {
  // pybind11 keeps the pointers it is given: the strings live as long as the module.
  static const std::string modelDoc =
      std::string("derivatives(momenta, positions, torques=None) -> dict\n") + Blocks +
      "\nEach joint's damping enters dpdot_dp and dpdot_dq.";
  static const std::string chainDoc =
      std::string("derivatives(momenta, angles, friction=0.0, torques=None) -> dict\n") + Blocks +
      "\nFriction b >= 0 (the couple -b q_dot_k on link k) enters dpdot_dp and dpdot_dq.";
  model.def("derivatives", &ModelDerivativesOf, py::arg("momenta"), py::arg("positions"),
            py::arg("torques") = py::none(), modelDoc.c_str());
  auto chain =
      py::reinterpret_borrow<py::class_<PyChain, std::shared_ptr<PyChain>>>(module.attr("Chain"));
  chain.def("derivatives", &ChainDerivativesOf, py::arg("momenta"), py::arg("angles"),
            py::arg("friction") = 0.0, py::arg("torques") = py::none(), chainDoc.c_str());
}

}  // namespace python
}  // namespace pendula
