// The fingerprint of a robot's fall (tests/dynamics/urdf_test.cpp): with exact sines, a robot
// moves by the same bits on every CPU and at every optimisation level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pendula/model.h"
#include "tests/support/fingerprint.h"

namespace pendula {
namespace testing {

// The robot undamped from q_i = 0.1 (i + 1) at rest: one state by Step and a batch of two (q and
// q + 0.05) by StepStates, 4 stretches of 50 steps of 2 ms, the states hashed after each.
inline std::uint64_t RobotFallFingerprint(const ModelDescription& robot) {
  ModelDescription description = robot;
  for (Joint& joint : description.joints) joint.damping = 0.0;
  const Model model(description);
  ModelWorkspace workspace(model);
  const int n = model.jointCount();
  const std::size_t rows = 2 * static_cast<std::size_t>(n);
  std::vector<double> p(n, 0.0), q(n), batchP(rows, 0.0), batchQ(rows);
  for (int i = 0; i < n; ++i) {
    q[i] = batchQ[i] = 0.1 * (i + 1);
    batchQ[n + i] = q[i] + 0.05;
  }
  Fingerprint fingerprint;
  for (int stretch = 0; stretch < 4; ++stretch) {
    for (int step = 0; step < 50; ++step) {
      Step(model, workspace, p.data(), q.data(), 0.002);
      StepStates(model, workspace, batchP.data(), batchQ.data(), 2, 0.002);
    }
    fingerprint.Add(p.data(), n);
    fingerprint.Add(q.data(), n);
    fingerprint.Add(batchP.data(), 2 * n);
    fingerprint.Add(batchQ.data(), 2 * n);
  }
  return fingerprint.value();
}

}  // namespace testing
}  // namespace pendula
