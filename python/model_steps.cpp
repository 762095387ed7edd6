#include "python/model_steps.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <exception>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "dynamics/batch/chain_threads.h"
#include "python/chain_steps.h"
#include "python/drive_arguments.h"
#include "python/model_arguments.h"
#include "python/model_arrays.h"

namespace pendula {
namespace python {
namespace {

py::handle convergenceError;  // the module's, kept for the life of the interpreter

StepMethod MethodOf(py::handle object) {
  const char* expected = "method must be \"heun\", \"rk4\" or \"midpoint\"";
  if (!py::isinstance<py::str>(object)) {
    throw py::type_error(std::string(expected) + "; got " + TypeNameOf(object));
  }
  const std::string name = object.cast<std::string>();
  if (name == "heun") return StepMethod::Heun;
  if (name == "rk4") return StepMethod::Rk4;
  if (name == "midpoint") return StepMethod::Midpoint;
  throw py::value_error(std::string(expected) + "; got \"" + name + "\"");
}

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

std::string StateList(const std::vector<int>& states) {
  std::string list = std::to_string(states[0]);
  const std::size_t shown = std::min<std::size_t>(states.size(), 10);
  for (std::size_t i = 1; i < shown; ++i) list += ", " + std::to_string(states[i]);
  if (states.size() > shown) list += " and " + std::to_string(states.size() - shown) + " more";
  return list;
}

// Raises pendula.ConvergenceError with the message and, as Chain's calls give them, its
// attributes: chains, the rows it names, and time, the seconds each had been advanced.
[[noreturn]] void RaiseConvergenceError(const std::string& message, const std::vector<int>& rows,
                                        const std::vector<double>& times) {
  py::list rowList, timeList;
  for (const int row : rows) rowList.append(row);
  for (const double time : times) timeList.append(time);
  py::object error = py::reinterpret_borrow<py::object>(convergenceError)(message);
  error.attr("chains") = rowList;
  error.attr("time") = timeList;
  PyErr_SetObject(convergenceError.ptr(), error.ptr());
  throw py::error_already_set();
}

// The state finite, as the iterations of a midpoint step and an integration need it: refused
// before anything is stepped, rather than as a failure to converge.
void RequireFiniteState(const States& s, const Model& model) {
  RequireFiniteJoints(s.momenta, "momenta", model);
  RequireFiniteJoints(s.positions, "positions", model);
}

// The threads of a batch step: at most `threads` and one per core (every core for 0), one per
// state, and for 0 one per MinimumLinkEvaluationsPerThread of the batch's joint-evaluations, the
// rule of Chain's batches.
int ThreadsForBatch(int count, int n, StepMethod method, int threads) {
  const int cores = CoreCount();
  long long use = threads <= 0 ? cores : std::min(threads, cores);
  if (threads <= 0) {
    const long long work = static_cast<long long>(count) * n * EvaluationsPerStep(method, n);
    use = std::min(use, work / MinimumLinkEvaluationsPerThread);
  }
  return static_cast<int>(std::max(1LL, std::min<long long>(use, count)));
}

long StepOf(PyModel& self, py::handle momentaObject, py::handle positionsObject, double h,
            py::handle torquesObject, py::handle methodObject, py::handle threadsObject,
            double tolerance, int maxIterations) {
  const StepMethod method = MethodOf(methodObject);
  const int requested = ThreadsArgument(threadsObject);
  States s = InPlace(self, momentaObject, positionsObject, torquesObject);
  const int n = self.jointCount();
  if (method == StepMethod::Midpoint) RequireFiniteState(s, self.model());
  const NewtonSettings newton{tolerance, maxIterations};
  const int threads = s.momenta.ndim() == 2 ? ThreadsForBatch(s.count, n, method, requested) : 1;
  std::vector<std::uint8_t> taken(s.count, 1);
  std::vector<long> evaluations(threads, 0);
  std::vector<std::exception_ptr> failures(threads);
  StepStatus last;
  {
    const py::gil_scoped_release withoutGil;
    // Refuses h and the Newton settings before any state is stepped.
    {
      PyModel::Lease lease(self);
      StepStates(self.model(), lease.workspace(), s.p, s.q, 0, h, method, {}, newton);
    }
    // Thread t steps states [t·count/threads, (t+1)·count/threads), each alone on its own
    // workspace, so every state ends where one thread takes it.
    auto stepBlock = [&](int t) {
      try {
        PyModel::Lease lease(self);
        const int begin = static_cast<int>(static_cast<long long>(s.count) * t / threads);
        const int end = static_cast<int>(static_cast<long long>(s.count) * (t + 1) / threads);
        if (method != StepMethod::Midpoint && end - begin > 1) {
          // Heun and Rk4 take the block's states side by side in lanes.
          const std::ptrdiff_t row = std::ptrdiff_t{begin} * n;
          const JointTorques torques = s.torques.perChain
                                           ? JointTorques{s.torques.values + row, true}
                                           : JointTorques{s.torques.values, false};
          evaluations[t] += StepStates(self.model(), lease.workspace(), s.p + row, s.q + row,
                                       end - begin, h, method, torques, newton)
                                .evaluations;
          return;
        }
        for (int i = begin; i < end; ++i) {
          const std::ptrdiff_t row = std::ptrdiff_t{i} * n;
          const StepStatus one = Step(self.model(), lease.workspace(), s.p + row, s.q + row, h,
                                      method, TorquesOfRow(s.torques, i, n), newton);
          evaluations[t] += one.evaluations;
          taken[i] = one.taken ? 1 : 0;
          if (!one.taken && threads == 1) last = one;  // read only for a single state
        }
      } catch (...) {
        failures[t] = std::current_exception();
      }
    };
    std::vector<std::thread> workers;
    workers.reserve(threads - 1);
    for (int t = 1; t < threads; ++t) {
      try {
        workers.emplace_back(stepBlock, t);
      } catch (const std::system_error&) {
        stepBlock(t);  // no thread to be had: this one steps the block
      }
    }
    stepBlock(0);
    for (std::thread& worker : workers) worker.join();
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
  long total = 0;
  for (long e : evaluations) total += e;
  std::vector<int> notTaken;
  for (int i = 0; i < s.count; ++i) {
    if (taken[i] == 0) notTaken.push_back(i);
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
  RaiseConvergenceError("the midpoint solve did not converge for state " + StateList(notTaken) +
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
                              StateList(stopped) + " (at t = " + ReprOf(times[0]) + " s, after " +
                              std::to_string(statistics[stopped[0]].steps) +
                              " steps): the step size vanished or the steps ran out",
                          stopped, times);
  }
  return IntegrationResult(statistics, s.momenta.ndim() == 1);
}

}  // namespace

void AddModelSteps(py::module_& module, ModelClass& model) {
  convergenceError = module.attr("ConvergenceError");
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

A batch of n states is cut into up to `threads` blocks of consecutive rows, each stepped on a
thread started for the call with a workspace of its own: None uses one thread per core for a
large batch and one thread while each would have less than 10,240 joint-evaluations of work
(as Chain.step counts it), where starting another costs more than it saves; an int >= 1 uses at
most that many (and at most one per core and one per state). The results, the evaluations
returned and the states named by ConvergenceError are the same for every thread count.

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
