#include "web/page_robot.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "dynamics/urdf/urdf_values.h"
#include "pendula/program_chain.h"

namespace pendula {
namespace page {
namespace {

using urdf_reading::UrdfElement;

// The box thickness as a share of the robot's reach.
constexpr double ThicknessPerReach = 0.06;

// The next NUL-terminated token at `at`, or null past the end of the stream.
const char* Token(const char* stream, int length, int& at) {
  if (at >= length) return nullptr;
  const void* end = std::memchr(stream + at, '\0', static_cast<std::size_t>(length - at));
  if (end == nullptr) return nullptr;
  const char* token = stream + at;
  at = static_cast<int>(static_cast<const char*>(end) - stream) + 1;
  return token;
}

[[noreturn]] void Garbled() {
  throw std::invalid_argument("the page's list of the file's elements is garbled");
}

int Count(const char* token) {
  if (token == nullptr) Garbled();
  char* end = nullptr;
  const long value = std::strtol(token, &end, 10);
  if (*end != '\0' || value < 0 || value > (1 << 30)) Garbled();
  return static_cast<int>(value);
}

// Without recursion, so that deep nesting cannot exhaust the stack.
UrdfElement ReadStream(const char* stream, int length) {
  std::vector<UrdfElement> open;
  int at = 0;
  while (true) {
    const char* token = Token(stream, length, at);
    if (token == nullptr) Garbled();
    if (std::strcmp(token, ")") == 0) {
      if (open.empty()) Garbled();
      if (open.size() == 1) return std::move(open.back());
      UrdfElement done = std::move(open.back());
      open.pop_back();
      open.back().children.push_back(std::move(done));
      continue;
    }
    if (std::strcmp(token, "(") != 0) Garbled();
    UrdfElement element;
    const char* name = Token(stream, length, at);
    if (name == nullptr) Garbled();
    element.name = name;
    element.line = Count(Token(stream, length, at));
    const int attributes = Count(Token(stream, length, at));
    for (int k = 0; k < attributes; ++k) {
      const char* key = Token(stream, length, at);
      const char* value = Token(stream, length, at);
      if (key == nullptr || value == nullptr) Garbled();
      element.attributes.emplace_back(key, value);
    }
    open.push_back(std::move(element));
  }
}

void BuildModel(PageRobot& robot) {
  ModelDescription description = robot.read;
  if (robot.damping >= 0.0) {
    for (Joint& joint : description.joints) joint.damping = robot.damping;
  }
  auto model = std::make_unique<Model>(description);
  robot.workspace = std::make_unique<ModelWorkspace>(*model);
  robot.model = std::move(model);
}

double Distance(const double* a, const double* b) {
  return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

}  // namespace

std::string LoadPageRobot(PageRobot& robot, const char* stream, int length,
                          const std::string& name) {
  PageRobot loaded;
  try {
    loaded.read = urdf_reading::DescribeUrdfElements(ReadStream(stream, length), name);
    BuildModel(loaded);
  } catch (const std::exception& error) {
    return error.what();
  }
  const Model& model = *loaded.model;
  const int n = model.jointCount();
  loaded.momenta.assign(static_cast<std::size_t>(n), 0.0);
  loaded.positions.assign(static_cast<std::size_t>(n), 0.0);
  loaded.origins.assign(static_cast<std::size_t>(3 * n), 0.0);
  // The reach: the longest path along the boxes at zero, which no posture can exceed.
  FrameOrigins(model, *loaded.workspace, loaded.positions.data(), loaded.origins.data());
  std::vector<double> path(static_cast<std::size_t>(n), 0.0);
  std::vector<char> hasChild(static_cast<std::size_t>(n), 0);
  const double base[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < n; ++i) {
    const int parent = model.parents()[i];
    const double* from = parent < 0 ? base : &loaded.origins[3 * parent];
    path[i] = (parent < 0 ? 0.0 : path[parent]) + Distance(from, &loaded.origins[3 * i]);
    if (parent >= 0) hasChild[parent] = 1;
    if (path[i] > loaded.reach) loaded.reach = path[i];
  }
  for (int i = 0; i < n; ++i) {
    if (!hasChild[i]) loaded.leaves.push_back(i);
  }
  loaded.boxCount = n + static_cast<int>(loaded.leaves.size());
  if (loaded.reach <= 0.0) loaded.reach = 1.0;
  loaded.boxes.assign(static_cast<std::size_t>(8 * loaded.boxCount), 0.0f);
  robot = std::move(loaded);
  PoseRobot(robot);
  return "";
}

void SetRobotDamping(PageRobot& robot, double damping) {
  if (robot.model == nullptr) return;
  robot.damping = damping;
  robot.stepsPerPass = RobotStepsPerPass;
  BuildModel(robot);
}

void RestartRobot(PageRobot& robot, MillisecondClock clock) {
  for (double& p : robot.momenta) p = 0.0;
  for (double& q : robot.positions) q = 0.0;
  robot.clock = InitialSimulationClock();
  robot.statistics = StartStatistics(clock);
}

bool RobotIdlePass(PageRobot& robot, std::ostream& out) {
  const double h = ProgramStepSize / robot.stepsPerPass;
  for (int step = 0; step < robot.stepsPerPass; ++step) {
    Step(*robot.model, *robot.workspace, robot.momenta.data(), robot.positions.data(), h);
  }
  bool finite = true;
  for (std::size_t i = 0; i < robot.positions.size(); ++i) {
    finite = finite && std::isfinite(robot.positions[i]) && std::isfinite(robot.momenta[i]);
  }
  if (!finite) {
    for (double& p : robot.momenta) p = 0.0;
    for (double& q : robot.positions) q = 0.0;
    if (robot.stepsPerPass < MaxRobotStepsPerPass) robot.stepsPerPass *= 2;
    out << "robot restarted, step " << ProgramStepSize / robot.stepsPerPass << " s\n" << std::flush;
  }
  return AdvanceSimulationClock(robot.clock, ProgramStepSize);
}

void PoseRobot(PageRobot& robot) {
  const Model& model = *robot.model;
  const int n = model.jointCount();
  FrameOrigins(model, *robot.workspace, robot.positions.data(), robot.origins.data());
  const float thickness = static_cast<float>(ThicknessPerReach * robot.reach);
  const double base[3] = {0.0, 0.0, 0.0};
  float* box = robot.boxes.data();
  const auto put = [&box, thickness](const double* from, const double* to) {
    for (int k = 0; k < 3; ++k) box[k] = static_cast<float>(from[k]);
    box[3] = thickness;
    for (int k = 0; k < 3; ++k) box[4 + k] = static_cast<float>(to[k]);
    box[7] = thickness;
    box += 8;
  };
  for (int i = 0; i < n; ++i) {
    const int parent = model.parents()[i];
    put(parent < 0 ? base : &robot.origins[3 * parent], &robot.origins[3 * i]);
  }
  // A cube at every joint without a child: its body's far end is not known to the boxes.
  for (int i : robot.leaves) put(&robot.origins[3 * i], &robot.origins[3 * i]);
}

}  // namespace page
}  // namespace pendula
