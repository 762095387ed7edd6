// The page's run of the program and its robot, for the test build's probes
// (tests/web/page_probes.cpp).
#pragma once

#include "app/program_state.h"
#include "web/page_robot.h"

namespace pendula {
namespace page {

// The state that the page's interface (web/page.cpp) steps, draws and changes.
extern ProgramState state;

// The robot, once a URDF file is loaded (page_robot.h).
extern PageRobot robot;

}  // namespace page
}  // namespace pendula
