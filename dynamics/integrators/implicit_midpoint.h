// The implicit midpoint rule in x = (p, q), symplectic and time-reversible:
//   x1 = x0 + h·f((x0 + x1)/2),
// solved for x1 by Newton's method on the residual R(x1) = x1 - x0 - h·f((x0 + x1)·0.5). The
// Jacobian dR/dx1 = I - (h/2)·Df(mid) is factored from the exact Df of the model when the caller
// gives it, or else formed by forward differences, one evaluation per column (2n evaluations for
// n joints, each O(n): O(n^2) per Jacobian), and factored by dense LU, O(n^3). The first iterate is
// the explicit midpoint step; the Jacobian is formed there, and again only where an iteration fails
// to halve the residual's scaled 2-norm, so a step usually costs one Jacobian and a few
// evaluations. A Newton step that makes the residual larger is taken again from a fresh Jacobian,
// or, if its Jacobian is fresh, halved until it does not (at most 11 times). A root farther from
// the explicit step than that step moves belongs to another branch of solutions and is refused. The
// step is taken only when every component satisfies |R_i| <= tolerance·max(1, |x0_i|); otherwise
// the state is left as it was and the result says so.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

#include "dynamics/integrators/dense_lu.h"

namespace pendula {

// How hard the Newton solve tries.
struct MidpointSolverSettings {
  double tolerance = 1e-10;  // on |R_i| / max(1, |x0_i|), every component
  int maxIterations = 20;    // Newton iterations before the step is refused
};

// What one implicit midpoint step did.
struct MidpointStepResult {
  bool converged = false;  // true: the step was taken; false: the state is unchanged
  int iterations = 0;      // Newton iterations (each one evaluation and one solve)
  int evaluations = 0;     // evaluations of f in all
  double residual = 0.0;   // the largest |R_i| / max(1, |x0_i|) at the last iterate
};

// The storage of a step of n joints, sized once when it is made; a step allocates nothing.
struct MidpointStorage {
  static std::size_t Twice(int joints) { return 2 * static_cast<std::size_t>(joints); }
  explicit MidpointStorage(int joints)
      : n(joints),
        x0(Twice(joints)),
        x1(Twice(joints)),
        mid(Twice(joints)),
        rate(Twice(joints)),
        shifted(Twice(joints)),
        shiftedRate(Twice(joints)),
        residual(Twice(joints)),
        predicted(Twice(joints)),
        accepted(Twice(joints)),
        newtonStep(Twice(joints)),
        jacobian(new double[Twice(joints) * Twice(joints)]),
        pivot(Twice(joints)) {}
  int n;
  // 2n values each, x = (p, q): the start, the iterate, their midpoint, f there, the shifted
  // midpoint of a difference quotient, f there, the residual, the explicit midpoint step, the
  // last iterate that lowered the residual and the Newton step from it.
  std::vector<double> x0, x1, mid, rate, shifted, shiftedRate, residual, predicted, accepted,
      newtonStep;
  // 2n x 2n, row by row; its LU factors after a factorisation. Not initialised, so that its pages
  // (32 MB for 1,000 joints) are taken from the system only when a step first writes them.
  std::unique_ptr<double[]> jacobian;
  std::vector<int> pivot;
};

// The Jacobian of the step formed by forward differences of f.
struct ForwardDifferences {};

// One implicit midpoint step of size h of the chain (p, q) of s.n joints, in place
// when the solve converges. Evaluate is called as f(p, q, pdot, qdot) with pointers to n values;
// x = (p, q) is laid out as p followed by q. Derivative, unless it is ForwardDifferences, solves
// the Newton system itself from exact derivatives, at no evaluation: df.Factor(mid, h/2,
// storage, pivot) factors I - (h/2)·Df(mid) in the 2n·2n doubles and 2n pivots it is given (false:
// the step is not taken), and df.Solve(b, storage, pivot) turns b into (I - (h/2)·Df)^-1 b
// (exact_midpoint_newton.h).
template <typename Evaluate, typename Derivative>
MidpointStepResult ImplicitMidpointStep(Evaluate&& f, Derivative&& df, double h, double* p,
                                        double* q, MidpointStorage& s,
                                        const MidpointSolverSettings& settings = {}) {
  const int n = s.n, m = 2 * n;
  double* x0 = s.x0.data();
  double* x1 = s.x1.data();
  double* mid = s.mid.data();
  double* rate = s.rate.data();
  double* residual = s.residual.data();
  double* jacobian = s.jacobian.get();
  MidpointStepResult result;
  auto evaluate = [&](const double* x, double* xdot) {
    f(x, x + n, xdot, xdot + n);
    ++result.evaluations;
  };
  std::copy(p, p + n, x0);
  std::copy(q, q + n, x0 + n);
  // The first iterate, the explicit midpoint step x0 + h·f(x0 + (h/2)·f(x0)), is within O(h^3) of
  // the solution.
  evaluate(x0, rate);
  for (int i = 0; i < m; ++i) mid[i] = x0[i] + 0.5 * h * rate[i];
  evaluate(mid, rate);
  for (int i = 0; i < m; ++i) x1[i] = x0[i] + h * rate[i];
  double* predicted = s.predicted.data();
  std::copy(x1, x1 + m, predicted);
  double* accepted = s.accepted.data();
  double* newtonStep = s.newtonStep.data();
  double previous = std::numeric_limits<double>::infinity();
  double fraction = 1.0;  // of the Newton step taken from the last accepted iterate
  bool haveJacobian = false;
  bool fresh = false;   // the Jacobian was formed at the iterate the Newton step started from
  bool reform = false;  // form it anew at the next iterate
  for (;;) {
    for (int i = 0; i < m; ++i) mid[i] = (x0[i] + x1[i]) * 0.5;
    evaluate(mid, rate);
    double largest = 0.0, squares = 0.0;
    for (int i = 0; i < m; ++i) {
      residual[i] = x1[i] - x0[i] - h * rate[i];
      const double scaled = std::fabs(residual[i]) / std::max(1.0, std::fabs(x0[i]));
      // A NaN never passes: it keeps the largest at NaN.
      largest = scaled > largest || std::isnan(scaled) ? scaled : largest;
      squares += scaled * scaled;
    }
    result.residual = largest;
    if (largest <= settings.tolerance) {
      // A root of the midpoint equation that lies farther from the explicit step than that step
      // moves is another branch of solutions, not the step's: the whip is faster than h can
      // follow, and the step is refused rather than jump.
      double moved = 0.0, apart = 0.0;
      for (int i = 0; i < m; ++i) {
        const double scale = std::max(1.0, std::fabs(x0[i]));
        moved = std::max(moved, std::fabs(predicted[i] - x0[i]) / scale);
        apart = std::max(apart, std::fabs(x1[i] - predicted[i]) / scale);
      }
      if (!(apart <= moved + settings.tolerance)) return result;
      std::copy(x1, x1 + n, p);
      std::copy(x1 + n, x1 + m, q);
      result.converged = true;
      return result;
    }
    if (result.iterations == settings.maxIterations) return result;
    if (haveJacobian && !(squares < previous)) {
      // The step made the residual larger (or not finite). From a Jacobian formed at an earlier
      // iterate, go back and form it where the step started; from a fresh one, go back along the
      // step by halves: far from the solution a whole Newton step of this stiff system can
      // overshoot without bound.
      if (!fresh) {
        std::copy(accepted, accepted + m, x1);
        previous = std::numeric_limits<double>::infinity();
        reform = true;
        ++result.iterations;
        continue;
      }
      if (fraction < 1.0 / 1024) return result;
      fraction *= 0.5;
      for (int i = 0; i < m; ++i) x1[i] = accepted[i] + fraction * newtonStep[i];
      ++result.iterations;
      continue;
    }
    if (!std::isfinite(largest)) return result;
    fresh = !haveJacobian || reform || !(squares <= 0.25 * previous);
    if constexpr (!std::is_same_v<std::decay_t<Derivative>, ForwardDifferences>) {
      if (fresh) {
        if (!df.Factor(static_cast<const double*>(mid), 0.5 * h, jacobian, s.pivot.data())) {
          return result;
        }
        haveJacobian = true;
        reform = false;
      }
    } else if (fresh) {
      // Column j of dR/dx1 = e_j - (h/2)·(f(mid + e_j·delta) - f(mid))/delta.
      double* shifted = s.shifted.data();
      double* shiftedRate = s.shiftedRate.data();
      std::copy(mid, mid + m, shifted);
      for (int j = 0; j < m; ++j) {
        const double step =
            std::sqrt(std::numeric_limits<double>::epsilon()) * std::max(1.0, std::fabs(mid[j]));
        shifted[j] = mid[j] + step;
        const double delta = shifted[j] - mid[j];  // the step as it is represented
        evaluate(shifted, shiftedRate);
        shifted[j] = mid[j];
        for (int i = 0; i < m; ++i) {
          jacobian[i * m + j] = (i == j ? 1.0 : 0.0) - 0.5 * h * (shiftedRate[i] - rate[i]) / delta;
        }
      }
      if (!FactorLu(jacobian, s.pivot.data(), m)) return result;
      haveJacobian = true;
      reform = false;
    }
    previous = squares;
    fraction = 1.0;
    // Newton: dR/dx1 · step = -R.
    for (int i = 0; i < m; ++i) newtonStep[i] = -residual[i];
    if constexpr (!std::is_same_v<std::decay_t<Derivative>, ForwardDifferences>) {
      df.Solve(newtonStep, jacobian, s.pivot.data());
    } else {
      SolveLu(jacobian, s.pivot.data(), newtonStep, m);
    }
    std::copy(x1, x1 + m, accepted);
    for (int i = 0; i < m; ++i) x1[i] = accepted[i] + newtonStep[i];
    ++result.iterations;
  }
}

// The step with the Jacobian by forward differences, 2n evaluations each time it is formed.
template <typename Evaluate>
MidpointStepResult ImplicitMidpointStep(Evaluate&& f, double h, double* p, double* q,
                                        MidpointStorage& s,
                                        const MidpointSolverSettings& settings = {}) {
  return ImplicitMidpointStep(f, ForwardDifferences{}, h, p, q, s, settings);
}

}  // namespace pendula
