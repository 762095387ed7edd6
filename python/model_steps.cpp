#include "python/model_steps.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "dynamics/batch/model_threads.h"
#include "python/chain_steps.h"
#include "python/drive_arguments.h"
#include "python/model_arguments.h"
#include "python/model_arrays.h"
#include "python/step_outcomes.h"

namespace pendula {
namespace python {
namespace {

struct States {
  py::array momenta, positions;
  TorqueArray torques;
  int count;
  double* p;
  double* q;
};

// The two arrays that a call updates in place, and its torques.
States InPlace(const PyModel& self, py::handle momentaObject, py::handle positionsObject,
               py::handle torquesObject) {
  const int n = self.jointCount();
  py::array momenta = InPlaceStates(momentaObject, "momenta", n);
  py::array positions = InPlaceStates(positionsObject, "positions", n);
  RequireSameShape(momenta, "momenta", positions, "positions");
  RequireNoSharedMemory(momenta, positions);
  TorqueArray torques = ReadJointTorques(torquesObject, self.model(), momenta);
  if (StateCount(momenta) > INT_MAX) throw py::value_error("at most 2147483647 states in one call");
  const int count = static_cast<int>(StateCount(momenta));
  auto* p = static_cast<double*>(momenta.mutable_data());
  auto* q = static_cast<double*>(positions.mutable_data());
  return States{std::move(momenta), std::move(positions), std::move(torques), count, p, q};
}

// The state finite, as the iterations of a midpoint step and an integration need it: refused
// before anything is stepped, rather than as a failure to converge.
void RequireFiniteState(const States& s, const Model& model) {
  RequireFiniteJoints(s.momenta, "momenta", model);
  RequireFiniteJoints(s.positions, "positions", model);
}

long StepOf(PyModel& self, py::handle momentaObject, py::handle positionsObject, double h,
            py::handle torquesObject, py::handle methodObject, py::handle threadsObject,
            double tolerance, int maxIterations) {
  const StepMethod method = MethodArgument(methodObject);
  const int threads = ThreadsArgument(threadsObject);
  States s = InPlace(self, momentaObject, positionsObject, torquesObject);
  const int n = self.jointCount();
  if (method == StepMethod::Midpoint) RequireFiniteState(s, self.model());
  const NewtonSettings newton{tolerance, maxIterations};
  const JointTorques torques{s.torques.values, s.torques.perChain};
  std::vector<int> notTaken;
  StepStatus last;
  long total = 0;
  if (s.momenta.ndim() == 2 && threads != 1 &&
      ThreadsForStateBatch(CoreCount(), self.model(), s.count, method, threads) > 1) {
    std::vector<std::uint8_t> taken(method == StepMethod::Midpoint ? s.count : 0);
    BatchStepStatus status;
    {
      const py::gil_scoped_release withoutGil;
      PyModel::ThreadsLease lease(self);
      status = StepStates(self.model(), lease.threads(), s.p, s.q, s.count, h, method, torques,
                          newton, threads, taken.empty() ? nullptr : taken.data());
    }
    total = status.evaluations;
    for (int i = status.firstNotTaken; status.notTaken > 0 && i < s.count; ++i) {
      if (taken[static_cast<std::size_t>(i)] == 0) notTaken.push_back(i);
    }
  } else {
    PyModel::Lease lease(self);
    const py::gil_scoped_release withoutGil;
    if (method != StepMethod::Midpoint && s.momenta.ndim() == 2) {
      total =
          StepStates(self.model(), lease.workspace(), s.p, s.q, s.count, h, method, torques, newton)
              .evaluations;
    } else {
      // State by state, as the batch goes for this method, so that every state whose solve
      // fails is known.
      for (int i = 0; i < s.count; ++i) {
        const std::ptrdiff_t row = std::ptrdiff_t{i} * n;
        const StepStatus one = Step(self.model(), lease.workspace(), s.p + row, s.q + row, h,
                                    method, TorquesOfRow(s.torques, i, n), newton);
        total += one.evaluations;
        if (!one.taken) {
          notTaken.push_back(i);
          last = one;
        }
      }
    }
  }
  if (notTaken.empty()) return total;
  // A state that was not stepped is where it was, at the start of the step.
  const std::vector<double> times(notTaken.size(), 0.0);
  if (s.momenta.ndim() == 1) {
    RaiseConvergenceError("the midpoint solve did not converge (residual " + ReprOf(last.residual) +
                              " after " + std::to_string(last.iterations) +
                              " iterations, tolerance " + ReprOf(tolerance) +
                              "); the state was not stepped",
                          notTaken, times);
  }
  RaiseConvergenceError("the midpoint solve did not converge for state " + RowList(notTaken) +
                            " of " + std::to_string(s.count) +
                            "; those states were not stepped, the others were",
                        notTaken, times);
}

py::dict IntegrateOf(PyModel& self, py::handle momentaObject, py::handle positionsObject,
                     double duration, double rtol, double atol, py::handle torquesObject) {
  States s = InPlace(self, momentaObject, positionsObject, torquesObject);
  const int n = self.jointCount();
  RequireFiniteState(s, self.model());
  const AdaptiveTolerances tolerances{rtol, atol};
  std::vector<IntegrationStatistics> statistics(s.count);
  {
    PyModel::Lease lease(self);
    const py::gil_scoped_release withoutGil;
    for (int i = 0; i < s.count; ++i) {
      const std::ptrdiff_t row = std::ptrdiff_t{i} * n;
      statistics[i] = Integrate(self.model(), lease.workspace(), s.p + row, s.q + row, duration,
                                tolerances, TorquesOfRow(s.torques, i, n));
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
    RaiseConvergenceError("the integration stopped short of its span for state " +
                              RowList(stopped) + " (at t = " + ReprOf(times[0]) + " s, after " +
                              std::to_string(statistics[stopped[0]].steps) +
                              " steps): the step size vanished or the steps ran out",
                          stopped, times);
  }
  return IntegrationResult(statistics, s.momenta.ndim() == 1);
}

}  // namespace

void AddModelSteps(ModelClass& model) {
  model
      .def(
          "step", &StepOf, py::arg("momenta"), py::arg("positions"), py::arg("h"),
          py::arg("torques") = py::none(), py::arg("method") = "heun", py::kw_only(),
          py::arg("threads") = py::none(), py::arg("tolerance") = 1e-10,
          py::arg("max_iterations") = 20,
          R"(step(momenta, positions, h, torques=None, method="heun", *, threads=None, tolerance=1e-10, max_iterations=20) -> int

One step of h > 0 seconds of every state, in place, by the method:

  "heun"      the Euler predictor, then the trapezoidal corrector (2 evaluations);
  "rk4"       the classical fourth-order Runge-Kutta step (4 evaluations);
  "midpoint"  the implicit midpoint rule x1 = x0 + h f((x0 + x1)/2), symplectic and
              time-reversible, solved by Newton's method until every component of the residual
              x1 - x0 - h f((x0 + x1)/2) is within tolerance * max(1, |x0|); the Jacobian is
              exact (derivatives(), no evaluation) and factored by dense LU.

The same torques in every evaluation; each state is stepped alone, bit for bit as in a call of
its own. A state whose midpoint solve does not converge within max_iterations is not stepped,
and pendula.ConvergenceError names it after every other state has been stepped (its chains
attribute lists the rows). A midpoint step refuses a state that is not finite (ValueError naming
the value) and steps nothing.

A batch of n states goes on up to `threads` threads, by the rule of Chain.step: None uses every
core for a large batch and one thread while each would have less than 10,240 joint-evaluations
of work, where waking another costs more than it saves; an int >= 1 uses at most that many (and
at most one per core, and for heun and rk4 one per 16 states, which go in lanes). The results,
the evaluations returned and the states named by ConvergenceError are the same for every thread
count; one batch on threads at a time for each Model (a call meanwhile waits), whose threads
are started at its first batch that uses more than one and kept.

momenta and positions are updated in place, so both must be numpy.ndarray of dtype float64,
C-contiguous, aligned and writeable, of the same shape (N,) or (n, N), sharing no memory;
anything else raises TypeError or ValueError and nothing is stepped. The GIL is released while
the states are stepped. Returns the number of evaluations of the forward dynamics made, all
states together.)")
      .def("integrate", &IntegrateOf, py::arg("momenta"), py::arg("positions"), py::arg("duration"),
           py::arg("rtol") = 1e-8, py::arg("atol") = 1e-10, py::arg("torques") = py::none(),
           R"(integrate(momenta, positions, duration, rtol=1e-8, atol=1e-10, torques=None) -> dict

Integrates every state over duration >= 0 seconds, in place, with error control: the embedded
Dormand-Prince 5(4) pair, each state with its own steps. A step is accepted when
sqrt(mean((e_i / (atol + rtol * max(|x0_i|, |x1_i|)))^2)) <= 1, e being the difference of the
fifth- and fourth-order solutions and x = (p, q). Returns {"steps", "rejected", "evaluations"}:
ints for one state, (n,) arrays for n. pendula.ConvergenceError when a state cannot be
integrated over the whole span (its step size vanished, or ten million steps ran out; its
chains and time attributes list the rows and where each stopped); ValueError, before anything is
integrated, for a state that is not finite. The arrays are as for step.)");
}

}  // namespace python
}  // namespace pendula
