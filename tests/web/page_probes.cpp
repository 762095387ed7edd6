// The probes of the page's test build (tests/web): what the browser test and bench/web_speed.py
// read of the page, linked beside web/page.cpp into a module of its own. The shipped page has
// none of them.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/idle_pass.h"
#include "app/world.h"
#include "tests/support/fingerprint.h"
#include "viewer/drive_settings.h"
#include "web/page.h"

namespace pendula {
namespace page {
namespace {

World scratch;  // the fingerprint's and the timing's own chains, apart from the page's
char fingerprintText[17];

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE double pendula_friction() {
  return state.driveSettings.frictionCoefficient;
}

EMSCRIPTEN_KEEPALIVE double pendula_torque() {
  return state.driveSettings.appliedTorque;
}

// The fingerprint of the native trajectory test, as 16 hex digits: 100 chains from the start-up
// state, 100 steps at each of the settings (5, 0), (0, 100), (1, -100), (0, 0), the angles and
// momenta hashed after each stretch. The steps are the program's own, without restarts.
EMSCRIPTEN_KEEPALIVE const char* pendula_fingerprint() {
  SetInitialAnglesAndRates(scratch);
  InitialiseMomenta(scratch);
  const DriveSettings stretches[] = {{FrictionHigh, TorqueNone},
                                     {FrictionNone, TorqueCounterClockwise},
                                     {FrictionLow, TorqueClockwise},
                                     {FrictionNone, TorqueNone}};
  testing::Fingerprint fingerprint;
  for (const DriveSettings& settings : stretches) {
    for (int pass = 0; pass < 100; ++pass) StepAllChains(scratch, settings);
    fingerprint.Add(&scratch.angles[0][0], ChainCount * JointsPerChain);
    fingerprint.Add(&scratch.momenta[0][0], ChainCount * JointsPerChain);
  }
  std::snprintf(fingerprintText, sizeof fingerprintText, "%016llx",
                static_cast<unsigned long long>(fingerprint.value()));
  return fingerprintText;
}

// Milliseconds that `steps` steps of all 100 chains take at friction 5, from the start-up state.
EMSCRIPTEN_KEEPALIVE double pendula_time_steps(int steps) {
  SetInitialAnglesAndRates(scratch);
  InitialiseMomenta(scratch);
  const double start = emscripten_get_now();
  for (int step = 0; step < steps; ++step) StepAllChains(scratch, InitialDriveSettings());
  return emscripten_get_now() - start;
}

// Milliseconds that `steps` of the robot's steps take, one state from all joints at zero and at
// rest, apart from the page's own state, and back there every 3,000 steps (6 s), long before an
// undamped fall could run away; -1 without a robot.
EMSCRIPTEN_KEEPALIVE double pendula_time_robot_steps(int steps) {
  if (robot.model == nullptr) return -1.0;
  std::vector<double> p(robot.momenta.size()), q(robot.positions.size());
  const double start = emscripten_get_now();
  for (int step = 0; step < steps; ++step) {
    if (step % 3000 == 0) {
      for (std::size_t i = 0; i < p.size(); ++i) p[i] = q[i] = 0.0;
    }
    Step(*robot.model, *robot.workspace, p.data(), q.data(), RobotStepSize);
  }
  return emscripten_get_now() - start;
}

}  // extern "C"

}  // namespace page
}  // namespace pendula
