#include "app/shell.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "viewer/scene.h"

namespace pendula {

World world;
Camera camera = InitialCamera();
float aspectRatio = 1.0f;

namespace {

void Display() {
  DrawScene(&world.angles[0][0], ChainCount, JointsPerChain, camera, aspectRatio);
  glutSwapBuffers();
}

void Reshape(int width, int height) {
  aspectRatio = ReshapeViewport(width, height, aspectRatio);
}

}  // namespace

void StartUp(int argc, char** argv) {
  SetInitialAnglesAndRates(world);

  // The toolkit may take its own options out of argv before the title is read from it.
  glutInit(&argc, argv);
  SetUpWindowAndScene(argv[0]);

  glutDisplayFunc(Display);
  glutReshapeFunc(Reshape);

  glutMainLoop();
  // The loop ends only if the toolkit is told to return when the window closes.
  std::exit(0);
}

}  // namespace pendula
