#include "python/chain_steps.h"

#include <pybind11/numpy.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "dynamics/batch/chain_threads.h"
#include "python/chain_state_arrays.h"
#include "python/drive_arguments.h"
#include "python/step_outcomes.h"

namespace pendula {
namespace python {
namespace {

struct States {
  py::array momenta, angles;
  TorqueArray torques;
  int count;
  double* p;
  double* q;
};

// The two arrays that a call updates in place, and its torques.
States InPlace(const PyChain& self, py::handle momentaObject, py::handle anglesObject,
               py::handle torquesObject) {
  const int n = self.chain().linkCount();
  py::array momenta = InPlaceStates(momentaObject, "momenta", n);
  py::array angles = InPlaceStates(anglesObject, "angles", n);
  RequireSameShape(momenta, "momenta", angles, "angles");
  RequireNoSharedMemory(momenta, angles);
  TorqueArray torques = ReadTorques(torquesObject, n, momenta);
  if (StateCount(momenta) > INT_MAX) {
    throw py::value_error("at most 2147483647 chains in one call");
  }
  const int count = static_cast<int>(StateCount(momenta));
  auto* p = static_cast<double*>(momenta.mutable_data());
  auto* q = static_cast<double*>(angles.mutable_data());
  return States{std::move(momenta), std::move(angles), std::move(torques), count, p, q};
}

// The state of every chain finite, as the iterations of a midpoint step and an integration
// need it: refused before anything is stepped, rather than as a failure to converge.
void RequireFiniteState(const States& s, int n) {
  RequireFinite(s.momenta, "momenta", n);
  RequireFinite(s.angles, "angles", n);
}

long StepOf(PyChain& self, py::handle momentaObject, py::handle anglesObject, double h,
            double friction, py::handle torquesObject, py::handle methodObject,
            py::handle threadsObject, double tolerance, int maxIterations) {
  const StepMethod method = MethodArgument(methodObject);
  const int threads = ThreadsArgument(threadsObject);
  States s = InPlace(self, momentaObject, anglesObject, torquesObject);
  const int n = self.chain().linkCount();
  if (method == StepMethod::Midpoint) RequireFiniteState(s, n);
  const NewtonSettings newton{tolerance, maxIterations};
  const JointTorques torques{s.torques.values, s.torques.perChain};
  std::vector<int> notTaken;
  StepStatus last;
  long evaluations = 0;
  if (s.momenta.ndim() == 2 && threads != 1 &&
      ThreadsForChainBatch(CoreCount(), self.chain(), s.count, method, threads) > 1) {
    std::vector<std::uint8_t> taken(method == StepMethod::Midpoint ? s.count : 0);
    BatchStepStatus status;
    {
      const py::gil_scoped_release withoutGil;
      PyChain::ThreadsLease lease(self);
      status = StepChains(self.chain(), lease.threads(), s.p, s.q, s.count, h, method, friction,
                          torques, newton, threads, taken.empty() ? nullptr : taken.data());
    }
    evaluations = status.evaluations;
    for (int i = status.firstNotTaken; status.notTaken > 0 && i < s.count; ++i) {
      if (taken[static_cast<std::size_t>(i)] == 0) notTaken.push_back(i);
    }
  } else {
    PyChain::Lease lease(self);
    const py::gil_scoped_release withoutGil;
    if (method != StepMethod::Midpoint && s.momenta.ndim() == 2) {
      evaluations = StepChains(self.chain(), lease.workspace(), s.p, s.q, s.count, h, method,
                               friction, torques, newton)
                        .evaluations;
    } else {
      // Chain by chain, as the batch goes for this method, so that every chain whose solve
      // fails is known.
      for (int i = 0; i < s.count; ++i) {
        const std::ptrdiff_t row = std::ptrdiff_t{i} * n;
        const StepStatus one = Step(self.chain(), lease.workspace(), s.p + row, s.q + row, h,
                                    method, friction, TorquesOfRow(s.torques, i, n), newton);
        evaluations += one.evaluations;
        if (!one.taken) {
          notTaken.push_back(i);
          last = one;
        }
      }
    }
  }
  if (notTaken.empty()) return evaluations;
  // A chain that was not stepped is where it was, at the start of the step.
  const std::vector<double> times(notTaken.size(), 0.0);
  if (s.momenta.ndim() == 1) {
    RaiseConvergenceError("the midpoint solve did not converge (residual " +
                              py::repr(py::float_(last.residual)).cast<std::string>() + " after " +
                              std::to_string(last.iterations) + " iterations, tolerance " +
                              py::repr(py::float_(tolerance)).cast<std::string>() +
                              "); the chain was not stepped",
                          notTaken, times);
  }
  RaiseConvergenceError("the midpoint solve did not converge for chain " + RowList(notTaken) +
                            " of " + std::to_string(s.count) +
                            "; those chains were not stepped, the others were",
                        notTaken, times);
}

py::dict IntegrateOf(PyChain& self, py::handle momentaObject, py::handle anglesObject,
                     double duration, double rtol, double atol, double friction,
                     py::handle torquesObject) {
  States s = InPlace(self, momentaObject, anglesObject, torquesObject);
  const int n = self.chain().linkCount();
  RequireFiniteState(s, n);
  const AdaptiveTolerances tolerances{rtol, atol};
  std::vector<IntegrationStatistics> statistics(s.count);
  PyChain::Lease lease(self);
  {
    const py::gil_scoped_release withoutGil;
    for (int i = 0; i < s.count; ++i) {
      const std::ptrdiff_t row = std::ptrdiff_t{i} * n;
      statistics[i] = Integrate(self.chain(), lease.workspace(), s.p + row, s.q + row, duration,
                                tolerances, friction, TorquesOfRow(s.torques, i, n));
    }
  }
  std::vector<int> stopped;
  std::vector<double> times;
  for (int i = 0; i < s.count; ++i) {
    if (statistics[i].completed) continue;
    stopped.push_back(i);
    times.push_back(statistics[i].time);
  }
  if (!stopped.empty()) {
    RaiseConvergenceError("the integration stopped short of its span for chain " +
                              RowList(stopped) +
                              " (at t = " + py::repr(py::float_(times[0])).cast<std::string>() +
                              " s, after " + std::to_string(statistics[stopped[0]].steps) +
                              " steps): the step size vanished or the steps ran out",
                          stopped, times);
  }
  return IntegrationResult(statistics, s.momenta.ndim() == 1);
}

}  // namespace

py::dict IntegrationResult(const std::vector<IntegrationStatistics>& statistics, bool oneState) {
  py::dict result;
  if (oneState) {
    result["steps"] = statistics[0].steps;
    result["rejected"] = statistics[0].rejected;
    result["evaluations"] = statistics[0].evaluations;
    return result;
  }
  const auto count = static_cast<py::ssize_t>(statistics.size());
  py::array_t<long> steps(count), rejected(count), evaluations(count);
  for (py::ssize_t i = 0; i < count; ++i) {
    steps.mutable_data()[i] = statistics[i].steps;
    rejected.mutable_data()[i] = statistics[i].rejected;
    evaluations.mutable_data()[i] = statistics[i].evaluations;
  }
  result["steps"] = steps;
  result["rejected"] = rejected;
  result["evaluations"] = evaluations;
  return result;
}

void AddChainSteps(py::module_& module, py::class_<PyChain, std::shared_ptr<PyChain>>& chain) {
  AddConvergenceError(module);
  chain
      .def(
          "step", &StepOf, py::arg("momenta"), py::arg("angles"), py::arg("h"),
          py::arg("friction") = 0.0, py::arg("torques") = py::none(), py::arg("method") = "heun",
          py::kw_only(), py::arg("threads") = py::none(), py::arg("tolerance") = 1e-10,
          py::arg("max_iterations") = 20,
          R"(step(momenta, angles, h, friction=0.0, torques=None, method="heun", *, threads=None, tolerance=1e-10, max_iterations=20) -> int

One step of h > 0 seconds of every chain, in place, by the method:

  "heun"      the Euler predictor, then the trapezoidal corrector (2 evaluations);
  "rk4"       the classical fourth-order Runge-Kutta step (4 evaluations);
  "midpoint"  the implicit midpoint rule x1 = x0 + h f((x0 + x1)/2), symplectic and
              time-reversible, solved by Newton's method until every component of the residual
              x1 - x0 - h f((x0 + x1)/2) is within tolerance * max(1, |x0|); the Jacobian is
              exact (derivatives(), no evaluation) and factored by dense LU.

The same torques in every evaluation. For heun and rk4, n chains of an in-plane chain go side by
side in the CPU's widest lanes, each bit for bit what it gets stepped alone; midpoint goes chain
by chain. A chain whose midpoint solve does not converge within max_iterations is not stepped,
and pendula.ConvergenceError names it after every other chain has been stepped. A midpoint step
refuses a state that is not finite (ValueError naming the value) and steps nothing. With the sine
table (trigonometry="table") the force is piecewise constant in the angles and the solve may
stall at the table's resolution: use trigonometry="exact" for tight tolerances.

A batch of n chains goes on up to `threads` threads: None uses every core for a large batch and
one thread while each would have less than 10,240 link-evaluations of work (256 chains of 20
links by heun), where waking another costs more than it saves; an int >= 1 uses at most that many
(and at most one per core). The results, the evaluations returned and the chains named by
ConvergenceError are the same for every thread count; one batch on threads at a time for each
Chain (a call meanwhile waits), whose threads are started at its first batch that uses more than
one and kept.

momenta and angles are updated in place, so both must be numpy.ndarray of dtype float64,
C-contiguous, aligned and writeable, of the same shape (N,) or (n, N), sharing no memory;
anything else raises TypeError or ValueError and nothing is copied or stepped. The GIL is
released while the chains are stepped. Returns the number of evaluations of the forward dynamics
made, all chains together.)")
      .def(
          "integrate", &IntegrateOf, py::arg("momenta"), py::arg("angles"), py::arg("duration"),
          py::arg("rtol") = 1e-8, py::arg("atol") = 1e-10, py::arg("friction") = 0.0,
          py::arg("torques") = py::none(),
          R"(integrate(momenta, angles, duration, rtol=1e-8, atol=1e-10, friction=0.0, torques=None) -> dict

Integrates every chain over duration >= 0 seconds, in place, with error control: the embedded
Dormand-Prince 5(4) pair, each chain with its own steps. A step is accepted when
sqrt(mean((e_i / (atol + rtol * max(|x0_i|, |x1_i|)))^2)) <= 1, e being the difference of the
fifth- and fourth-order solutions and x = (p, q). Returns {"steps", "rejected", "evaluations"}:
ints for one chain, (n,) arrays for n. pendula.ConvergenceError when a chain cannot be
integrated over the whole span (its step size vanished, or ten million steps ran out);
ValueError, before anything is integrated, for a state that is not finite.
The arrays are as for step.)");
}

}  // namespace python
}  // namespace pendula
