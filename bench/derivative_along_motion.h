// The rate of change of a matrix function of the joint angles along a motion:
//
//   dA/dt = Σ_j ∂A/∂q_j q̇_j = d/dε A(q + ε q̇) at ε = 0,
//
// by the fourth-order central difference
//
//   [8 (A(q + ε q̇) − A(q − ε q̇)) − (A(q + 2ε q̇) − A(q − 2ε q̇))] / 12ε.
//
// Its truncation error is (ε⁴/30)·A⁽⁵⁾: the link frames turn at up to |q̇_1| + … + |q̇_n| rad/s, a
// few rad/s for random rates of up to 1 on 160 links, so with ε = 1e-3 it stays near 1e-9 of A
// and below. Its rounding is that of A magnified by about 1/ε, near 1e-13. The second-order
// difference with ε = 1e-4 leaves errors of 1e-6 on 160 links, since its truncation, (ε²/6)·A''',
// falls only with ε².
#pragma once

#include <vector>

namespace pendula {
namespace comparison {

constexpr double DerivativeStep = 1e-3;

// `matrixAt(angles)` returns A at the n angles as a dense std::vector<double>.
template <class MatrixAt>
std::vector<double> DerivativeAlongMotion(MatrixAt matrixAt, const double* angles,
                                          const double* jointRates, int n) {
  const auto at = [&](double step) {
    std::vector<double> moved(n);
    for (int k = 0; k < n; ++k) moved[k] = angles[k] + step * jointRates[k];
    return matrixAt(moved.data());
  };
  const std::vector<double> forward = at(DerivativeStep), backward = at(-DerivativeStep);
  const std::vector<double> forward2 = at(2 * DerivativeStep), backward2 = at(-2 * DerivativeStep);
  std::vector<double> derivative(forward.size());
  for (std::size_t i = 0; i < derivative.size(); ++i) {
    derivative[i] =
        (8 * (forward[i] - backward[i]) - (forward2[i] - backward2[i])) / (12 * DerivativeStep);
  }
  return derivative;
}

}  // namespace comparison
}  // namespace pendula
