// The page's WebAssembly interface: the desktop program's run (app/program_state.h), started,
// stepped, drawn and changed by the same functions, with the page's JavaScript (page.js) as the
// platform layer: canvas, keys, pointer lock and the clock of performance.now(). Every line the
// program would print goes to an output buffer that the page drains into its console. Beside the
// program's chains the page builds chains of other link counts (page_chains.h) and a robot read
// from a URDF file (page_robot.h). Nothing here allocates after pendula_start but in building
// those models.
#include "web/page.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>

#include "app/program_state.h"
#include "pendula/dynamics.h"
#include "viewer/keys.h"
#include "viewer/scene_constants.h"
#include "web/page_chains.h"
#include "web/page_output.h"
#include "web/page_robot.h"
#include "web/table_sine_patch.h"

namespace pendula {
namespace page {

ProgramState state;
PageRobot robot;

namespace {

PageOutput output;
std::ostream out(&output);

// Chains of another link count than the program's, when chosen (linkCount 0 otherwise).
PageChains otherChains;

bool ProgramLinks() {
  return otherChains.linkCount == 0;
}

bool robotShown = false;  // the page shows the robot rather than the chains

// Under pointer lock the page sees only the pointer's movements; the pointer position that mouse
// look reads is the centre plus the movements since it was last put back there.
ScreenPoint lockedPointer = MouseLookCentre;

ScreenPoint ReadLockedPointer() {
  return lockedPointer;
}
void MoveLockedPointer(ScreenPoint point) {
  lockedPointer = point;
}
// The locked pointer is hidden by the browser; page.js follows the mouse-look flag.
void SetLockedPointerVisible(bool) {}

// Whole milliseconds since the page started, as the desktop clock counts them.
double PageClockMilliseconds() {
  return std::floor(emscripten_get_now());
}

double view[6];  // eye x, y, z and the look-at centre x, y, z

char constantsJson[4096];
std::size_t constantsLength = 0;

// Appends printf-formatted text to constantsJson; what does not fit is cut off.
template <typename... Values>
void AppendConstants(const char* format, Values... values) {
  if (constantsLength >= sizeof constantsJson) return;
  const int written = std::snprintf(constantsJson + constantsLength,
                                    sizeof constantsJson - constantsLength, format, values...);
  if (written > 0) constantsLength += static_cast<std::size_t>(written);
}

// "name":[r,g,b], of an RGBA colour or a direction with w.
void AppendTriple(const char* name, const float (&c)[4]) {
  AppendConstants("\"%s\":[%.9g,%.9g,%.9g],", name, c[0], c[1], c[2]);
}

int KeyCode(Key key) {
  return static_cast<int>(key);
}

void FormatConstants() {
  AppendConstants("{\"width\":%d,\"height\":%d,\"chainCount\":%d,\"linksPerChain\":%d,",
                  InitialWindowWidth, InitialWindowHeight, ChainCount, JointsPerChain);
  AppendConstants("\"fieldOfViewDegrees\":%.17g,\"nearPlane\":%.17g,\"farPlane\":%.17g,",
                  FieldOfViewDegrees, NearPlane, FarPlane);
  AppendConstants("\"linkLength\":%.9g,\"linkThickness\":%.9g,\"chainSpacing\":%.9g,",
                  DrawnLinkLength, DrawnLinkThickness, ChainSpacing);
  AppendConstants("\"shininess\":%.9g,\"clearColour\":[%.9g,%.9g,%.9g,%.9g],", LinkShininess,
                  ClearColour[0], ClearColour[1], ClearColour[2], ClearColour[3]);
  AppendConstants("\"upVector\":[%.17g,%.17g,%.17g],", UpVector[0], UpVector[1], UpVector[2]);
  AppendTriple("linkColour", LinkColour);
  AppendTriple("linkSpecular", LinkSpecular);
  AppendTriple("materialAmbient", MaterialAmbient);
  AppendTriple("globalAmbient", GlobalAmbient);
  AppendTriple("light0Direction", Light0Direction);
  AppendTriple("light1Direction", Light1Direction);
  AppendTriple("lightDiffuse", LightDiffuse);
  AppendTriple("lightAmbient", LightAmbient);
  AppendTriple("light0Specular", Light0Specular);
  AppendTriple("light1Specular", Light1Specular);
  // The browser's names of the keys (KeyboardEvent.code) as the program's key codes. F4 is not
  // among them: it would end the process, and a page has none to end.
  AppendConstants(
      "\"keys\":{\"ArrowUp\":%d,\"ArrowDown\":%d,\"ArrowLeft\":%d,\"ArrowRight\":%d,"
      "\"Insert\":%d,\"F1\":%d,\"F8\":%d,\"F9\":%d,\"F10\":%d}}",
      KeyCode(Key::Up), KeyCode(Key::Down), KeyCode(Key::Left), KeyCode(Key::Right),
      KeyCode(Key::Insert), KeyCode(Key::F1), KeyCode(Key::F8), KeyCode(Key::F9),
      KeyCode(Key::F10));
}

}  // namespace

extern "C" {

// Start-up as the desktop program's: the model (its sine table with glibc's bits), the chains
// and their start-up state, the cursor and the clock samples. Returns the number of table
// entries corrected, or -1 when the correction did not fit the table built.
EMSCRIPTEN_KEEPALIVE int pendula_start() {
  BeginTableSinePatch();
  setUpModel(StepSize);
  const int corrected = EndTableSinePatch();
  StartChains(state);
  FormatConstants();
  StartSession(state, CursorServices{ReadLockedPointer, MoveLockedPointer, SetLockedPointerVisible},
               PageClockMilliseconds);
  return corrected;
}

// The scene's constants and the key codes, as JSON.
EMSCRIPTEN_KEEPALIVE const char* pendula_constants() {
  return constantsJson;
}

// One idle pass of the program. Returns 1 on every fifth pass, which asks for a display.
EMSCRIPTEN_KEEPALIVE int pendula_idle_pass() {
  if (robotShown) {
    const bool redraw = RobotIdlePass(robot, out);
    MouseLookStep(state.camera, state.mouseLook, state.cursor);
    return redraw ? 1 : 0;
  }
  if (ProgramLinks()) return IdlePass(state, out) ? 1 : 0;
  return PageChainsIdlePass(otherChains, state, out) ? 1 : 0;
}

// The mouse-look step alone, for a paused page.
EMSCRIPTEN_KEEPALIVE void pendula_look() {
  MouseLookStep(state.camera, state.mouseLook, state.cursor);
}

// The poses of the first chainCount chains' links, four floats each (joint x, y, cos and sin of
// the link's direction), chain after chain, pendula_links_per_chain() each; chain i lies in the
// plane z = ChainSpacing i.
EMSCRIPTEN_KEEPALIVE const float* pendula_link_boxes() {
  if (!ProgramLinks()) return &PosePageChains(otherChains, state.chainCount)->x;
  PoseLinks(state);
  return &state.linkPoses[0][0].x;
}

EMSCRIPTEN_KEEPALIVE int pendula_links_per_chain() {
  return ProgramLinks() ? JointsPerChain : otherChains.linkCount;
}

// Rebuilds every chain with `links` of the program's links (1 to 100), all restarted from the
// program's start, and prints "links per chain = N". The program's 20 run on its own run.
EMSCRIPTEN_KEEPALIVE int pendula_set_link_count(int links) {
  links = links < 1 ? 1 : (links > MaxPageLinks ? MaxPageLinks : links);
  if (links == JointsPerChain) {
    otherChains = PageChains{};
  } else if (links != otherChains.linkCount) {
    BuildPageChains(otherChains, links);
  }
  RestartPageChains(otherChains);
  RestartRun(state, PageClockMilliseconds);
  out << "links per chain = " << links << '\n' << std::flush;
  return links;
}

// The eye and the point it looks at.
EMSCRIPTEN_KEEPALIVE const double* pendula_view() {
  const Vector3 centre = LookAtCentre(state.camera);
  const double values[6] = {state.camera.x, state.camera.y, state.camera.z,
                            centre.x,       centre.y,       centre.z};
  std::memcpy(view, values, sizeof view);
  return view;
}

// A display has been drawn: the statistics step, which prints on every 20th.
EMSCRIPTEN_KEEPALIVE void pendula_frame_shown() {
  if (robotShown) {
    StatisticsStep(robot.statistics, robot.clock.simulatedTime, PageClockMilliseconds, out);
    return;
  }
  DisplayShown(state, PageClockMilliseconds, out);
}

// A key by its code in "keys" of pendula_constants. F4 would end the process; a page has none.
EMSCRIPTEN_KEEPALIVE void pendula_key(int code) {
  const Key key = static_cast<Key>(code);
  if (key == Key::F4) return;
  PressKey(state, key, out);
}

EMSCRIPTEN_KEEPALIVE int pendula_mouse_look_on() {
  return state.mouseLook.flag == MouseLookOn ? 1 : 0;
}

// The pointer moved by (dx, dy) pixels while locked.
EMSCRIPTEN_KEEPALIVE void pendula_pointer_moved(int dx, int dy) {
  constexpr int Limit = 1 << 20;  // far beyond any turn, far from overflow
  const auto clamp = [](int v) { return v < -Limit ? -Limit : (v > Limit ? Limit : v); };
  lockedPointer =
      ScreenPoint{clamp(lockedPointer.x + clamp(dx)), clamp(lockedPointer.y + clamp(dy))};
}

// Chains back to their start-up state, the simulated clock and the statistics started anew;
// camera and settings stay.
EMSCRIPTEN_KEEPALIVE void pendula_reset() {
  if (robotShown) {
    RestartRobot(robot, PageClockMilliseconds);
    return;
  }
  RestartPageChains(otherChains);
  RestartRun(state, PageClockMilliseconds);
}

// Steps and draws the first `count` chains (1 to 100) from now on, all restarted.
EMSCRIPTEN_KEEPALIVE int pendula_set_chain_count(int count) {
  state.chainCount = count < 1 ? 1 : (count > ChainCount ? ChainCount : count);
  RestartPageChains(otherChains);
  RestartRun(state, PageClockMilliseconds);
  return state.chainCount;
}

// Reads a URDF robot from the elements that page.js listed of the file `name` (page_robot.h),
// builds its model and shows it from its start: "model <name>: <n> joints" on the console, and
// the joint count returned. A file refused prints its message and returns 0, and the page goes
// on showing what it showed.
EMSCRIPTEN_KEEPALIVE int pendula_load_urdf(const char* stream, int length, const char* name) {
  const std::string refused = LoadPageRobot(robot, stream, length, name);
  if (!refused.empty()) {
    out << refused << '\n' << std::flush;
    return 0;
  }
  robotShown = true;
  RestartRobot(robot, PageClockMilliseconds);
  const ModelDescription& read = robot.model->description();
  out << "model " << read.name << ": " << read.joints.size() << " joints\n" << std::flush;
  return robot.model->jointCount();
}

// Whether the page shows the robot (1) or the chains (0).
EMSCRIPTEN_KEEPALIVE int pendula_robot_shown() {
  return robotShown ? 1 : 0;
}

// Back to the chains, restarted; the robot stays loaded for a later pendula_show_robot.
EMSCRIPTEN_KEEPALIVE void pendula_show_chains() {
  robotShown = false;
  RestartPageChains(otherChains);
  RestartRun(state, PageClockMilliseconds);
}

// The robot's boxes at its present positions: pendula_robot_box_count() of them, two corners
// of four floats each (x, y, z and the thickness).
EMSCRIPTEN_KEEPALIVE const float* pendula_robot_boxes() {
  PoseRobot(robot);
  return robot.boxes.data();
}

EMSCRIPTEN_KEEPALIVE int pendula_robot_box_count() {
  return robot.boxCount;
}

// The longest path from the base along the robot's boxes, metres: the camera keeps it in view.
EMSCRIPTEN_KEEPALIVE double pendula_robot_reach() {
  return robot.reach;
}

// Every joint's damping (>= 0), or the file's own (< 0); the robot restarts and the choice is
// printed.
EMSCRIPTEN_KEEPALIVE void pendula_robot_damping(double damping) {
  if (robot.model == nullptr) return;
  SetRobotDamping(robot, damping);
  RestartRobot(robot, PageClockMilliseconds);
  if (damping < 0.0) {
    out << "joint damping as in the file\n" << std::flush;
  } else {
    out << "joint damping = " << damping << '\n' << std::flush;
  }
}

// The lines written since the last call, NUL-terminated; the buffer is then empty again.
EMSCRIPTEN_KEEPALIVE const char* pendula_output() {
  const char* text = output.Take();
  out.clear();  // a full buffer set badbit; the drained one takes lines again
  return text;
}

}  // extern "C"

}  // namespace page
}  // namespace pendula
