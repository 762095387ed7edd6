// The desktop shell: the process-wide records and the start-up that opens the window, wires the
// run's state (app/program_state.h) to GLUT and hands control to the toolkit's event loop.
#pragma once

#include "app/program_state.h"

namespace pendula {

// The process-wide records, created before main and kept for the life of the process: the run's
// state, and the window's aspect ratio.
extern ProgramState program;
extern float aspectRatio;

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
