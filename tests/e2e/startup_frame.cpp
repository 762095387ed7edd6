// The program's start-up, drawn and then held still, for the start-up picture test. The program's
// own start-up builds the World, the model, the window and the scene; the idle handler it installs
// is taken out again before the event loop could run it once, so every frame this shows is the
// start-up state, however fast or slow the machine. Once the first frame has reached the X server
// it prints "start-up frame drawn" on standard output, and the test reads the screen back. It runs
// until it is killed or its window is closed.
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <iostream>

#include "app/shell.h"

namespace {

bool firstFrameReported = false;

void DisplayAndReportTheFirstFrame() {
  pendula::DisplayHandler();
  if (firstFrameReported) return;
  firstFrameReported = true;
  if (pendula::program.simulationClock.simulatedTime != 0.0) {
    std::cerr << "startup_frame: an idle pass ran before the first frame\n";
    std::exit(1);
  }
  // The swap hands the picture to the X server on the toolkit's connection; once the server has
  // answered a round trip on it, the picture is on the screen for any other client to read.
  glFinish();
  XSync(glXGetCurrentDisplay(), False);
  std::cout << "start-up frame drawn" << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  pendula::SetUpProcess(argc, argv);
  glutIdleFunc(nullptr);
  glutDisplayFunc(DisplayAndReportTheFirstFrame);
  glutMainLoop();
  return 0;
}
