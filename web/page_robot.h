// The page's robot: a tree model read from a URDF document that the browser's XML parser took
// apart, hanging from its fixed base under gravity from all joints at zero and at rest, stepped
// by the Heun step and drawn as boxes from each joint to its children's joints.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/idle_pass.h"
#include "pendula/model.h"
#include "viewer/statistics.h"

namespace pendula {
namespace page {

// The robot's step, seconds, and the steps of one idle pass to start with: a pass advances the
// simulated clock by the program's step, in steps short enough for the small wrist links of real
// arms. The explicit step outruns a damping that is large for a light body (its rate d/I beyond
// about 2/h); each time the state stops being finite the steps are halved, down to
// MaxRobotStepsPerPass a pass.
constexpr double RobotStepSize = 0.002;
constexpr int RobotStepsPerPass = 6;
constexpr int MaxRobotStepsPerPass = 6 << 10;

struct PageRobot {
  std::unique_ptr<Model> model;  // null until a robot is loaded
  std::unique_ptr<ModelWorkspace> workspace;
  ModelDescription read;  // as the file gave it, for the damping choices
  std::vector<double> momenta, positions, origins;
  // Two corners per box, x y z and the box's thickness each: a box per joint from its parent's
  // joint (the base's origin for a root joint) to its own, and a cube at every joint without a
  // child joint.
  std::vector<float> boxes;
  std::vector<int> leaves;  // the joints without a child joint
  int boxCount = 0;
  double reach = 0.0;                    // the longest path from the base along the boxes, metres
  double damping = -1.0;                 // the damping of every joint, or < 0 for the file's own
  int stepsPerPass = RobotStepsPerPass;  // of ProgramStepSize / stepsPerPass seconds each
  SimulationClock clock = InitialSimulationClock();
  Statistics statistics{};
};

// Reads the elements that `stream` (length bytes) lists, as page.js writes them: every token
// NUL-terminated, an element as "(" name line attribute-count (name value)... children ")".
// Builds the model of the robot that they describe, read as LoadUrdf reads a file named `name`,
// and starts it; the robot as it was stays when anything is refused. Returns "" or the message
// of what refused the file. Allocates: this is model creation.
std::string LoadPageRobot(PageRobot& robot, const char* stream, int length,
                          const std::string& name);

// Rebuilds the model with every joint's damping `damping` (>= 0), or the file's own (< 0), back
// at the first step size.
void SetRobotDamping(PageRobot& robot, double damping);

// All joints at zero and at rest, the clock and the statistics started anew.
void RestartRobot(PageRobot& robot, MillisecondClock clock);

// One idle pass: stepsPerPass Heun steps, back to the start when the state is no longer finite,
// with the steps halved while they can be ("robot restarted, step <h> s"), the clock advanced by
// the program's step. True on every fifth.
bool RobotIdlePass(PageRobot& robot, std::ostream& out);

// The boxes at the robot's present positions, into robot.boxes.
void PoseRobot(PageRobot& robot);

}  // namespace page
}  // namespace pendula
