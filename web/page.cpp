// The page's WebAssembly interface: the desktop program's run (app/program_state.h), started,
// stepped, drawn and changed by the same functions, with the page's JavaScript (page.js) as the
// platform layer: canvas, keys, pointer lock and the clock of performance.now(). Every line the
// program would print goes to an output buffer that the page drains into its console. Nothing
// here allocates after pendula_start.
#include "web/page.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "app/program_state.h"
#include "pendula/dynamics.h"
#include "viewer/keys.h"
#include "viewer/scene_constants.h"
#include "web/page_output.h"
#include "web/table_sine_patch.h"

namespace pendula {
namespace page {

ProgramState state;

namespace {

PageOutput output;
std::ostream out(&output);

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
  return IdlePass(state, out) ? 1 : 0;
}

// The mouse-look step alone, for a paused page.
EMSCRIPTEN_KEEPALIVE void pendula_look() {
  MouseLookStep(state.camera, state.mouseLook, state.cursor);
}

// The poses of the first chainCount chains' links, four floats each (joint x, y, cos and sin of
// the link's direction), chain after chain; chain i lies in the plane z = ChainSpacing i.
EMSCRIPTEN_KEEPALIVE const float* pendula_link_boxes() {
  PoseLinks(state);
  return &state.linkPoses[0][0].x;
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
  RestartRun(state, PageClockMilliseconds);
}

// Steps and draws the first `count` chains (1 to 100) from now on, all restarted.
EMSCRIPTEN_KEEPALIVE int pendula_set_chain_count(int count) {
  state.chainCount = count < 1 ? 1 : (count > ChainCount ? ChainCount : count);
  RestartRun(state, PageClockMilliseconds);
  return state.chainCount;
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
