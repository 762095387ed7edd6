// The classical fourth-order Runge–Kutta step of size h in x = (p, q), for one chain (T = double)
// or a pack of chains side by side (T a lane pack), over any evaluation f(p, q) -> (ṗ, q̇) of n
// joints, in four evaluations:
//   k1 = f(x0), k2 = f(x0 + (h/2)·k1), k3 = f(x0 + (h/2)·k2), k4 = f(x0 + h·k3),
//   x1 = x0 + (h/6)·(((k1 + 2·k2) + 2·k3) + k4).
// The arithmetic is lane by lane in the order written, so a chain's step does not depend on the
// chains that ride beside it. Evaluate is called as f(p, q, pdot, qdot) with pointers to n values.
#pragma once

namespace pendula {

// Storage for one step of n joints: 6n values of T, owned by the caller.
template <typename T>
struct Rk4Storage {
  T* rateP;  // ṗ of the current stage
  T* rateQ;  // q̇ of the current stage
  T* sumP;   // the stages' weighted sum so far
  T* sumQ;
  T* stageP;  // the state at which the next stage evaluates
  T* stageQ;
};

// One classical fourth-order Runge–Kutta step of size h, in place.
template <typename T, typename Evaluate>
inline void Rk4Step(Evaluate&& f, int n, double h, T* p, T* q, const Rk4Storage<T>& s) {
  const double halfH = 0.5 * h;
  const double sixthH = h / 6.0;
  // k1
  f(p, q, s.rateP, s.rateQ);
  for (int j = 0; j < n; ++j) {
    s.sumP[j] = s.rateP[j];
    s.sumQ[j] = s.rateQ[j];
    s.stageP[j] = p[j] + halfH * s.rateP[j];
    s.stageQ[j] = q[j] + halfH * s.rateQ[j];
  }
  // k2, then k3: each weighs 2 in the sum and sets the next stage's state
  const double stageStep[2] = {halfH, h};
  for (int stage = 0; stage < 2; ++stage) {
    f(s.stageP, s.stageQ, s.rateP, s.rateQ);
    for (int j = 0; j < n; ++j) {
      s.sumP[j] = s.sumP[j] + 2.0 * s.rateP[j];
      s.sumQ[j] = s.sumQ[j] + 2.0 * s.rateQ[j];
      s.stageP[j] = p[j] + stageStep[stage] * s.rateP[j];
      s.stageQ[j] = q[j] + stageStep[stage] * s.rateQ[j];
    }
  }
  // k4
  f(s.stageP, s.stageQ, s.rateP, s.rateQ);
  for (int j = 0; j < n; ++j) {
    p[j] = p[j] + sixthH * (s.sumP[j] + s.rateP[j]);
    q[j] = q[j] + sixthH * (s.sumQ[j] + s.rateQ[j]);
  }
}

}  // namespace pendula
