// The Heun step of size h in x = (p, q), for one state (T = double) or a pack of states side by
// side (T a lane pack), over any evaluation f(p, q) -> (ṗ, q̇) of n joints, in two evaluations:
//   predictor   x~ = x + h·f(x)
//   corrector   x  = x + ((f(x~) + f(x))·h)·0.5,
// the arithmetic lane by lane in the order written. Evaluate is called as f(p, q, pdot, qdot)
// with pointers to n values.
#pragma once

namespace pendula {

// Storage for one step of n joints: 6n values of T, owned by the caller.
template <typename T>
struct HeunStorage {
  T* rateP;  // f(x)
  T* rateQ;
  T* predictedRateP;  // f(x~)
  T* predictedRateQ;
  T* predictedP;  // x~
  T* predictedQ;
};

// One Heun step of size h, in place.
template <typename T, typename Evaluate>
inline void HeunRuleStep(Evaluate&& f, int n, double h, T* p, T* q, const HeunStorage<T>& s) {
  f(p, q, s.rateP, s.rateQ);
  for (int j = 0; j < n; ++j) {
    s.predictedP[j] = p[j] + h * s.rateP[j];
    s.predictedQ[j] = q[j] + h * s.rateQ[j];
  }
  f(s.predictedP, s.predictedQ, s.predictedRateP, s.predictedRateQ);
  for (int j = 0; j < n; ++j) {
    p[j] = p[j] + ((s.predictedRateP[j] + s.rateP[j]) * h) * 0.5;
    q[j] = q[j] + ((s.predictedRateQ[j] + s.rateQ[j]) * h) * 0.5;
  }
}

}  // namespace pendula
