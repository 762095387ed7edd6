#include "app/shell.h"

#include <GL/freeglut.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/heap_policy.h"
#include "pendula/dynamics.h"
#include "viewer/glut_keys.h"
#include "viewer/scene.h"
#include "viewer/wall_clock.h"
#include "viewer/x11_cursor.h"
#include "viewer/x11_display.h"

namespace pendula {

ProgramState program;
float aspectRatio = 1.0f;

void DisplayHandler() {
  DrawScene(&program.world.angles[0][0], program.chainCount, JointsPerChain, program.camera,
            aspectRatio);
  DisplayShown(program, WallClockMilliseconds, std::cout);
  glutSwapBuffers();
}

void ReshapeHandler(int width, int height) {
  aspectRatio = ReshapeViewport(width, height, aspectRatio);
}

void SpecialKeyHandler(int key, int /*pointerX*/, int /*pointerY*/) {
  PressKey(program, KeyFromGlutSpecialKey(key), std::cout);
}

void IdleHandler() {
  if (IdlePass(program, std::cout)) glutPostRedisplay();
}

namespace {

// True when this process runs the program where the build made it, beside the repository and its
// scripts; an installed copy (under an install prefix, or the Debian package's) is anywhere else.
bool RunsFromTheBuildTree() {
  char running[PATH_MAX];
  char built[PATH_MAX];
  return realpath("/proc/self/exe", running) != nullptr &&
         realpath(PENDULA_BUILD_TREE_PROGRAM, built) != nullptr && std::strcmp(running, built) == 0;
}

// glutInit would end the process with a terse message of its own when the display it opens (its
// -display option, else DISPLAY) cannot be opened; this says first how to run without one. The
// connection it opens stays open until glutInit has its own.
void ExitUnlessTheDisplayOpens(int argc, char** argv) {
  const char* optionDisplay = ToolkitDisplayName(argc, argv);
  if (HoldDisplayOpen(optionDisplay)) return;
  ExplainUnopenableDisplay(argv[0], optionDisplay, std::getenv("DISPLAY"), RunsFromTheBuildTree(),
                           std::cerr);
  std::exit(1);
}

}  // namespace

void SetUpProcess(int& argc, char** argv) {
  // First, so that a missing display ends the process at once, before any set-up work.
  ExitUnlessTheDisplayOpens(argc, argv);
  ReturnLargeBlocksToTheSystem();
  setUpModel(StepSize);
  StartChains(program);

  // The toolkit may take its own options out of argv before the title is read from it.
  glutInit(&argc, argv);
  ReleaseHeldDisplay();  // the toolkit is connected now
  // Closing the window ends the event loop, and StartUp then ends the process with status 0.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  SetUpWindowAndScene(argv[0]);

  glutDisplayFunc(DisplayHandler);
  glutReshapeFunc(ReshapeHandler);
  glutSpecialFunc(SpecialKeyHandler);
  glutIdleFunc(IdleHandler);

  // Last, so that set-up time does not count in the statistics; the X11 cursor needs the window.
  StartSession(program, OpenX11CursorServices(), WallClockMilliseconds);
}

void StartUp(int argc, char** argv) {
  SetUpProcess(argc, argv);
  glutMainLoop();
  // The loop returns only when the window has been closed through the window manager.
  std::exit(0);
}

}  // namespace pendula
