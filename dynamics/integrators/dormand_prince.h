// Adaptive integration of x = (p, q) over a span of time by the embedded explicit Runge–Kutta
// pair of Dormand and Prince, 5(4): each step advances with the fifth-order solution and estimates
// its error by the difference to the fourth-order one,
//   err = sqrt(mean_i (e_i / (atol + rtol·max(|x0_i|, |x1_i|)))^2),
// accepts the step when err <= 1, and chooses the next step as h·min(10, max(0.2, 0.9·err^-1/5))
// (no growth right after a rejection). The last stage of an accepted step is the first of the
// next (6 evaluations a step, 7 for the first). The first step size comes from the usual
// estimate of the solution's second derivative; the last step is shortened to end on the span.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace pendula {

// Tolerances and limits of an adaptive integration.
struct AdaptiveSettings {
  double relativeTolerance = 1e-8;
  double absoluteTolerance = 1e-10;
  long maxSteps = 10000000;  // accepted and rejected together, before it gives up
};

// What an adaptive integration did.
struct AdaptiveResult {
  bool completed = false;  // true: the whole span was integrated
  long steps = 0;          // accepted steps
  long rejected = 0;       // rejected steps
  long evaluations = 0;    // evaluations of f
  double time = 0.0;       // how far it got, seconds
};

// The storage of an integration of n joints, sized once when it is made.
class AdaptiveStorage {
 public:
  explicit AdaptiveStorage(int joints)
      : n_(joints), values_(static_cast<std::size_t>(2 * joints) * Vectors) {}
  int joints() const { return n_; }
  // Vector i of the 2n-value vectors that the integration works in.
  double* vector(int i) { return values_.data() + static_cast<std::size_t>(2 * n_) * i; }

 private:
  static constexpr int Vectors = 10;  // x, the trial state, the stage state and 7 stages
  int n_;
  std::vector<double> values_;
};

namespace detail {

// The Dormand–Prince tableau: nodes c, stage weights a, fifth-order weights b and the weights of
// the error estimate e = b - b* (b* the fourth-order weights).
struct DormandPrince {
  static constexpr double c[7] = {0.0, 1.0 / 5, 3.0 / 10, 4.0 / 5, 8.0 / 9, 1.0, 1.0};
  static constexpr double a[7][6] = {
      {},
      {1.0 / 5},
      {3.0 / 40, 9.0 / 40},
      {44.0 / 45, -56.0 / 15, 32.0 / 9},
      {19372.0 / 6561, -25360.0 / 2187, 64448.0 / 6561, -212.0 / 729},
      {9017.0 / 3168, -355.0 / 33, 46732.0 / 5247, 49.0 / 176, -5103.0 / 18656},
      {35.0 / 384, 0.0, 500.0 / 1113, 125.0 / 192, -2187.0 / 6784, 11.0 / 84},
  };
  static constexpr double e[7] = {71.0 / 57600,      0.0,        -71.0 / 16695, 71.0 / 1920,
                                  -17253.0 / 339200, 22.0 / 525, -1.0 / 40};
};

}  // namespace detail

// Integrates the chain (p, q) of storage.joints() joints over `duration` seconds, in place.
// Evaluate is called as f(p, q, pdot, qdot) with pointers to n values. When the step size falls
// below what the time can resolve, or the steps run out, it stops where it got to and says so.
template <typename Evaluate>
AdaptiveResult IntegrateAdaptive(Evaluate&& f, double duration, double* p, double* q,
                                 AdaptiveStorage& s, const AdaptiveSettings& settings = {}) {
  using detail::DormandPrince;
  const int n = s.joints(), m = 2 * n;
  double* x = s.vector(0);
  double* trial = s.vector(1);
  double* stage = s.vector(2);
  double* k[7];
  for (int i = 0; i < 7; ++i) k[i] = s.vector(3 + i);
  AdaptiveResult result;
  auto evaluate = [&](const double* at, double* rate) {
    f(at, at + n, rate, rate + n);
    ++result.evaluations;
  };
  auto scale = [&](double a, double b) {
    return settings.absoluteTolerance +
           settings.relativeTolerance * std::max(std::fabs(a), std::fabs(b));
  };
  std::copy(p, p + n, x);
  std::copy(q, q + n, x + n);
  if (!(duration > 0.0)) {
    result.completed = duration == 0.0;
    return result;
  }
  evaluate(x, k[0]);
  // The first step: h0 = 0.01·|x|/|f|, then an Euler step to estimate the second derivative,
  // h = (0.01 / max(|f|, |f'|))^(1/5), the smaller of the two and 100·h0 (scaled norms).
  double h;
  {
    double d0 = 0.0, d1 = 0.0;
    for (int i = 0; i < m; ++i) {
      const double sc = scale(x[i], x[i]);
      d0 += (x[i] / sc) * (x[i] / sc);
      d1 += (k[0][i] / sc) * (k[0][i] / sc);
    }
    d0 = std::sqrt(d0 / m);
    d1 = std::sqrt(d1 / m);
    const double h0 = d0 < 1e-5 || d1 < 1e-5 ? 1e-6 : 0.01 * d0 / d1;
    for (int i = 0; i < m; ++i) stage[i] = x[i] + h0 * k[0][i];
    evaluate(stage, k[1]);
    double d2 = 0.0;
    for (int i = 0; i < m; ++i) {
      const double sc = scale(x[i], x[i]);
      const double change = (k[1][i] - k[0][i]) / sc;
      d2 += change * change;
    }
    d2 = std::sqrt(d2 / m) / h0;
    const double largest = std::max(d1, d2);
    const double h1 =
        largest <= 1e-15 ? std::max(1e-6, h0 * 1e-3) : std::pow(0.01 / largest, 1.0 / 5.0);
    h = std::min({100.0 * h0, h1, duration});
  }
  double t = 0.0;
  bool rejectedLast = false;
  while (t < duration) {
    if (result.steps + result.rejected >= settings.maxSteps) break;
    const bool last = t + h >= duration;
    const double step = last ? duration - t : h;
    if (!(step > std::fabs(t) * std::numeric_limits<double>::epsilon() * 4)) break;
    for (int stageIndex = 1; stageIndex < 7; ++stageIndex) {
      const double* weights = DormandPrince::a[stageIndex];
      for (int i = 0; i < m; ++i) {
        double sum = 0.0;
        for (int j = 0; j < stageIndex; ++j) sum = sum + weights[j] * k[j][i];
        stage[i] = x[i] + step * sum;
      }
      evaluate(stage, k[stageIndex]);
    }
    // The seventh stage was evaluated at the fifth-order solution itself.
    double error = 0.0;
    for (int i = 0; i < m; ++i) {
      double sum = 0.0;
      for (int j = 0; j < 7; ++j) sum = sum + DormandPrince::e[j] * k[j][i];
      trial[i] = stage[i];
      const double e = step * sum / scale(x[i], trial[i]);
      error += e * e;
    }
    error = std::sqrt(error / m);
    if (error <= 1.0) {
      std::copy(trial, trial + m, x);
      std::copy(k[6], k[6] + m, k[0]);
      t = last ? duration : t + step;
      ++result.steps;
      const double grow = error == 0.0 ? 10.0 : std::min(10.0, 0.9 * std::pow(error, -0.2));
      h = step * std::max(0.2, rejectedLast ? std::min(1.0, grow) : grow);
      rejectedLast = false;
    } else {
      ++result.rejected;
      // A non-finite error (a stage overflowed) shrinks the step as much as allowed.
      const double shrink = std::isfinite(error) ? 0.9 * std::pow(error, -0.2) : 0.2;
      h = step * std::max(0.2, shrink);
      rejectedLast = true;
    }
  }
  std::copy(x, x + n, p);
  std::copy(x + n, x + m, q);
  result.time = t;
  result.completed = t >= duration;
  return result;
}

}  // namespace pendula
