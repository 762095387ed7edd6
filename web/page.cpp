// The page's WebAssembly interface: the desktop program's World, drive settings, camera, mouse
// look and statistics, stepped and changed by the same functions, with the page's JavaScript
// (page.js) as the platform layer: canvas, keys, pointer lock and the clock of performance.now().
// Every line the program would print goes to an output buffer that the page drains into its
// console. Nothing here allocates after pendula_start.
#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <streambuf>

#include "app/chain_restart.h"
#include "app/idle_pass.h"
#include "app/shell.h"
#include "app/world.h"
#include "dynamics/dynamics.h"
#include "viewer/camera.h"
#include "viewer/cursor.h"
#include "viewer/drive_settings.h"
#include "viewer/input.h"
#include "viewer/scene_constants.h"
#include "viewer/statistics.h"
#include "web/page_output.h"
#include "web/table_sine_patch.h"

// The page's own records, apart from the desktop program's (app/shell.h) of the same names.
namespace pendula {
namespace page {
namespace {

World world;
StartUpState startUpState;
Camera camera = InitialCamera();
DriveSettings driveSettings = InitialDriveSettings();
SimulationClock simulationClock = InitialSimulationClock();
MouseLook mouseLook = InitialMouseLook();
Cursor cursor;
Statistics statistics;
PageOutput output;
std::ostream out(&output);

// Chains stepped and drawn: the first chainCount of the World's.
int chainCount = ChainCount;

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

// One box per link: the position of its joint in the plane of its chain and the cosine and sine
// of the link's direction, the sum of the joint angles up to it.
float linkBoxes[ChainCount * JointsPerChain][4];
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

void FormatConstants() {
  AppendConstants("{\"width\":%d,\"height\":%d,\"chainCount\":%d,\"linksPerChain\":%d,",
                  InitialWindowWidth, InitialWindowHeight, ChainCount, JointsPerChain);
  AppendConstants("\"fieldOfViewDegrees\":%.17g,\"nearPlane\":%.17g,\"farPlane\":%.17g,",
                  FieldOfViewDegrees, NearPlane, FarPlane);
  AppendConstants("\"linkLength\":%.9g,\"linkThickness\":%.9g,\"chainSpacing\":%.9g,",
                  DrawnLinkLength, DrawnLinkThickness, ChainSpacing);
  AppendConstants("\"shininess\":%.9g,\"clearColour\":[1,1,1],", LinkShininess);
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
  // The keys by their DOM KeyboardEvent.code, as the toolkit's special-key codes.
  AppendConstants(
      "\"keys\":{\"ArrowUp\":%d,\"ArrowDown\":%d,\"ArrowLeft\":%d,\"ArrowRight\":%d,"
      "\"Insert\":%d,\"F1\":%d,\"F8\":%d,\"F9\":%d,\"F10\":%d}}",
      GLUT_KEY_UP, GLUT_KEY_DOWN, GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_INSERT, GLUT_KEY_F1,
      GLUT_KEY_F8, GLUT_KEY_F9, GLUT_KEY_F10);
}

void RestartRun() {
  std::memcpy(world.angles, startUpState.angles, sizeof world.angles);
  std::memcpy(world.momenta, startUpState.momenta, sizeof world.momenta);
  simulationClock = InitialSimulationClock();
  statistics = StartStatistics(PageClockMilliseconds);
}

// FNV-1a over the bytes of the doubles, every NaN hashed as the one quiet NaN: the fingerprint
// of the trajectory tests, whose sign and payload of a NaN the instruction set may choose.
std::uint64_t HashValues(std::uint64_t hash, const double* values, int count) {
  for (int n = 0; n < count; ++n) {
    const double value = std::isnan(values[n]) ? NAN : values[n];
    unsigned char bytes[sizeof(double)];
    std::memcpy(bytes, &value, sizeof bytes);
    for (unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3ull;
  }
  return hash;
}

World scratch;  // the fingerprint's and the timing's own chains, apart from the page's
char fingerprintText[17];

}  // namespace

extern "C" {

// Start-up as the desktop program's: the World, the model (its sine table with glibc's bits), the
// momenta, the start-up state, the cursor and the clock samples. Returns the number of table
// entries corrected, or -1 when the correction did not fit the table built.
EMSCRIPTEN_KEEPALIVE int pendula_start() {
  SetInitialAnglesAndRates(world);
  BeginTableSinePatch();
  setUpModel(StepSize);
  const int corrected = EndTableSinePatch();
  InitialiseMomenta(world);
  RecordStartUpState(world, startUpState);
  cursor =
      MakeCursor(CursorServices{ReadLockedPointer, MoveLockedPointer, SetLockedPointerVisible});
  FormatConstants();
  statistics = StartStatistics(PageClockMilliseconds);
  return corrected;
}

// The scene's constants and the key codes, as JSON.
EMSCRIPTEN_KEEPALIVE const char* pendula_constants() {
  return constantsJson;
}

// One idle pass: every chain stepped, non-finite chains restarted, the simulated clock advanced
// and the mouse-look step. Returns 1 on every fifth pass, which asks for a display.
EMSCRIPTEN_KEEPALIVE int pendula_idle_pass() {
  StepChains(world.momenta, world.angles, chainCount, driveSettings.frictionCoefficient,
             driveSettings.appliedTorque);
  RestartNonFiniteChains(world, startUpState, out);
  const bool redraw = AdvanceSimulationClock(simulationClock, StepSize);
  MouseLookStep(camera, mouseLook, cursor);
  return redraw ? 1 : 0;
}

// The mouse-look step alone, for a paused page.
EMSCRIPTEN_KEEPALIVE void pendula_look() {
  MouseLookStep(camera, mouseLook, cursor);
}

// The boxes of the first chainCount chains, four floats each (joint x, y, cos and sin of the
// link's direction), chain after chain; chain i lies in the plane z = ChainSpacing i.
EMSCRIPTEN_KEEPALIVE const float* pendula_link_boxes() {
  for (int i = 0; i < chainCount; ++i) {
    double direction = 0.0, x = 0.0, y = 0.0;
    for (int k = 0; k < JointsPerChain; ++k) {
      direction += world.angles[i][k];
      const double c = std::cos(direction), s = std::sin(direction);
      float* box = linkBoxes[i * JointsPerChain + k];
      box[0] = static_cast<float>(x);
      box[1] = static_cast<float>(y);
      box[2] = static_cast<float>(c);
      box[3] = static_cast<float>(s);
      x += DrawnLinkLength * c;
      y += DrawnLinkLength * s;
    }
  }
  return &linkBoxes[0][0];
}

// The eye and the point it looks at.
EMSCRIPTEN_KEEPALIVE const double* pendula_view() {
  const Vector3 centre = LookAtCentre(camera);
  const double values[6] = {camera.x, camera.y, camera.z, centre.x, centre.y, centre.z};
  std::memcpy(view, values, sizeof view);
  return view;
}

// A display has been drawn: the statistics step, which prints on every 20th.
EMSCRIPTEN_KEEPALIVE void pendula_frame_shown() {
  StatisticsStep(statistics, simulationClock.simulatedTime, PageClockMilliseconds, out);
}

// A special key by its toolkit code. F4 would end the process; a page has none to end.
EMSCRIPTEN_KEEPALIVE void pendula_key(int key) {
  if (key == GLUT_KEY_F4) return;
  HandleSpecialKey(key, camera, driveSettings, mouseLook, cursor, out);
}

EMSCRIPTEN_KEEPALIVE int pendula_mouse_look_on() {
  return mouseLook.flag == MouseLookOn ? 1 : 0;
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
  RestartRun();
}

// Steps and draws the first `count` chains (1 to 100) from now on, all restarted.
EMSCRIPTEN_KEEPALIVE int pendula_set_chain_count(int count) {
  chainCount = count < 1 ? 1 : (count > ChainCount ? ChainCount : count);
  RestartRun();
  return chainCount;
}

EMSCRIPTEN_KEEPALIVE double pendula_friction() {
  return driveSettings.frictionCoefficient;
}

EMSCRIPTEN_KEEPALIVE double pendula_torque() {
  return driveSettings.appliedTorque;
}

// The lines written since the last call, NUL-terminated; the buffer is then empty again.
EMSCRIPTEN_KEEPALIVE const char* pendula_output() {
  const char* text = output.Take();
  out.clear();  // a full buffer set badbit; the drained one takes lines again
  return text;
}

// The fingerprint of the trajectory tests, as 16 hex digits: 100 chains from the start-up state,
// 100 steps at each of the settings (5, 0), (0, 100), (1, -100), (0, 0), the angles and momenta
// hashed after each stretch. The steps are the program's own, without restarts.
EMSCRIPTEN_KEEPALIVE const char* pendula_fingerprint() {
  SetInitialAnglesAndRates(scratch);
  InitialiseMomenta(scratch);
  const DriveSettings stretches[] = {{5.0, 0.0}, {0.0, 100.0}, {1.0, -100.0}, {0.0, 0.0}};
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const DriveSettings& settings : stretches) {
    for (int pass = 0; pass < 100; ++pass) StepAllChains(scratch, settings);
    hash = HashValues(hash, &scratch.angles[0][0], ChainCount * JointsPerChain);
    hash = HashValues(hash, &scratch.momenta[0][0], ChainCount * JointsPerChain);
  }
  std::snprintf(fingerprintText, sizeof fingerprintText, "%016llx",
                static_cast<unsigned long long>(hash));
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

}  // extern "C"

}  // namespace page
}  // namespace pendula
