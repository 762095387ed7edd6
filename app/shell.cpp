#include "app/shell.h"

#include <GL/freeglut.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/heap_policy.h"
#include "dynamics/dynamics.h"
#include "viewer/scene.h"
#include "viewer/wall_clock.h"
#include "viewer/x11_cursor.h"
#include "viewer/x11_display.h"

namespace pendula {

World world;
StartUpState startUpState;
Camera camera = InitialCamera();
float aspectRatio = 1.0f;
DriveSettings driveSettings = InitialDriveSettings();
SimulationClock simulationClock = InitialSimulationClock();
MouseLook mouseLook = InitialMouseLook();
Cursor cursor;
Statistics statistics;

void DisplayHandler() {
  DrawScene(&world.angles[0][0], ChainCount, JointsPerChain, camera, aspectRatio);
  StatisticsStep(statistics, simulationClock.simulatedTime, WallClockMilliseconds, std::cout);
  glutSwapBuffers();
}

void ReshapeHandler(int width, int height) {
  aspectRatio = ReshapeViewport(width, height, aspectRatio);
}

void SpecialKeyHandler(int key, int /*pointerX*/, int /*pointerY*/) {
  HandleSpecialKey(key, camera, driveSettings, mouseLook, cursor, std::cout);
}

void IdleHandler() {
  StepAllChains(world, driveSettings);
  RestartNonFiniteChains(world, startUpState, std::cout);
  if (AdvanceSimulationClock(simulationClock, StepSize)) glutPostRedisplay();
  MouseLookStep(camera, mouseLook, cursor);
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
  SetInitialAnglesAndRates(world);
  setUpModel(StepSize);
  InitialiseMomenta(world);
  RecordStartUpState(world, startUpState);

  // The toolkit may take its own options out of argv before the title is read from it.
  glutInit(&argc, argv);
  ReleaseHeldDisplay();  // the toolkit is connected now
  // Closing the window ends the event loop, and StartUp then ends the process with status 0.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  SetUpWindowAndScene(argv[0]);
  cursor = MakeCursor(OpenX11CursorServices());

  glutDisplayFunc(DisplayHandler);
  glutReshapeFunc(ReshapeHandler);
  glutSpecialFunc(SpecialKeyHandler);
  glutIdleFunc(IdleHandler);

  // Taken last, so that set-up time does not count in the statistics.
  statistics = StartStatistics(WallClockMilliseconds);
}

void StartUp(int argc, char** argv) {
  SetUpProcess(argc, argv);
  glutMainLoop();
  // The loop returns only when the window has been closed through the window manager.
  std::exit(0);
}

}  // namespace pendula
