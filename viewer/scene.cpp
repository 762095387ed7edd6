#include "viewer/scene.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstddef>

#include "viewer/scene_constants.h"

namespace pendula {
namespace {

// One box, placed by its pose in the plane z of its chain: the link's frame turned by its
// direction about +z at its joint, then the box centred half a length along the link.
// Chain i's boxes: each joint's angle turns the matrix stack about +z from the link before, a
// box is drawn half a link out, and the next joint lies a link further along x.
void DrawChain(const double* chainAngles, int linksPerChain) {
  glPushMatrix();
  for (int k = 0; k < linksPerChain; ++k) {
    glRotatef(static_cast<float>(chainAngles[k] * DegreesPerRadian), 0.0f, 0.0f, 1.0f);
    glPushMatrix();
    glTranslatef(DrawnLinkLength / 2, 0.0f, 0.0f);
    glScalef(DrawnLinkLength, DrawnLinkThickness, DrawnLinkThickness);
    glutSolidCube(1.0);
    glPopMatrix();
    glTranslatef(DrawnLinkLength, 0.0f, 0.0f);
  }
  glPopMatrix();
}

}  // namespace

void SetUpWindowAndScene(const char* title) {
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(InitialWindowWidth, InitialWindowHeight);
  glutInitWindowPosition(0, 0);
  glutCreateWindow(title);

  glClearColor(ClearColour[0], ClearColour[1], ClearColour[2], ClearColour[3]);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_DEPTH_TEST);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, LinkColour);
  glMaterialfv(GL_FRONT, GL_SPECULAR, LinkSpecular);
  glMaterialf(GL_FRONT, GL_SHININESS, LinkShininess);
  glLightfv(GL_LIGHT0, GL_POSITION, Light0Direction);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, LightDiffuse);
  glLightfv(GL_LIGHT0, GL_AMBIENT, LightAmbient);
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT1, GL_POSITION, Light1Direction);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
  glLightfv(GL_LIGHT1, GL_AMBIENT, LightAmbient);
  glEnable(GL_LIGHT1);
  glEnable(GL_LIGHTING);
  glColorMaterial(GL_FRONT, GL_DIFFUSE);
  glEnable(GL_COLOR_MATERIAL);
}

void DrawScene(const double* angles, int chainCount, int linksPerChain, const Camera& camera,
               float aspectRatio) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(FieldOfViewDegrees, aspectRatio, NearPlane, FarPlane);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const Vector3 centre = LookAtCentre(camera);
  gluLookAt(camera.x, camera.y, camera.z, centre.x, centre.y, centre.z, UpVector[0], UpVector[1],
            UpVector[2]);

  glColor4fv(LinkColour);
  for (int i = 0; i < chainCount; ++i) {
    DrawChain(angles + static_cast<std::ptrdiff_t>(i) * linksPerChain, linksPerChain);
    glTranslatef(0.0f, 0.0f, ChainSpacing);
  }
}

float ReshapedAspectRatio(int width, int height, float previousAspectRatio) {
  // A minimised window has no height; gluPerspective would also divide by a zero ratio.
  if (width <= 0 || height <= 0) return previousAspectRatio;
  return static_cast<float>(width) / static_cast<float>(height);
}

float ReshapeViewport(int width, int height, float previousAspectRatio) {
  glViewport(0, 0, width, height);
  return ReshapedAspectRatio(width, height, previousAspectRatio);
}

}  // namespace pendula
