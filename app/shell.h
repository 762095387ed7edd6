// The application shell: the process-wide records and the start-up that wires the dynamics to
// the viewer and hands control to the toolkit's event loop.
#pragma once

#include "app/chain_restart.h"
#include "app/idle_pass.h"
#include "app/world.h"
#include "dynamics/program_chain.h"
#include "viewer/camera.h"
#include "viewer/cursor.h"
#include "viewer/drive_settings.h"
#include "viewer/input.h"
#include "viewer/statistics.h"

namespace pendula {

// Integration step, seconds: handed to the model set-up and added to the simulated clock.
constexpr double StepSize = ProgramStepSize;

// The process-wide records, created before main and kept for the life of the process.
extern World world;
extern StartUpState startUpState;
extern Camera camera;
extern float aspectRatio;
extern DriveSettings driveSettings;
extern SimulationClock simulationClock;
extern MouseLook mouseLook;
extern Cursor cursor;
extern Statistics statistics;

// The start-up sequence up to the event loop: the display check, the World and its momenta (kept
// as the start-up state), the model, the window and scene, the cursor, the four handlers and the
// clock samples. argc is the caller's own copy, which glutInit may change together with argv.
void SetUpProcess(int& argc, char** argv);

// SetUpProcess, then the toolkit's event loop, which returns only when the window is closed
// through the window manager; then ends the process with status 0. Never returns.
[[noreturn]] void StartUp(int argc, char** argv);

// The four handlers installed with the toolkit. Declared here so that a test can drive them one
// by one without the event loop.
void DisplayHandler();
void ReshapeHandler(int width, int height);
void SpecialKeyHandler(int key, int pointerX, int pointerY);
void IdleHandler();

}  // namespace pendula
