// The scene's fixed values: colours, lights, projection and the drawn geometry. The desktop scene
// hands them to OpenGL; the web page receives the same values from its WebAssembly module, so
// both front ends draw from this one list.
#pragma once

namespace pendula {

// Size of the window requested at creation, in pixels; the page's canvas has the same size.
inline constexpr int InitialWindowWidth = 400;
inline constexpr int InitialWindowHeight = 400;

// The background: white, alpha 0, as the window's colour buffer is cleared to.
inline constexpr float ClearColour[4] = {1.0f, 1.0f, 1.0f, 0.0f};

// Every link is dark grey; the same colour is the material's diffuse colour at set-up.
inline constexpr float LinkColour[4] = {0.2f, 0.2f, 0.2f, 1.0f};
inline constexpr float LinkSpecular[4] = {0.2f, 0.2f, 0.2f, 1.0f};
inline constexpr float LinkShininess = 0.95f;

// Both lights have w = 0, so they are directional. They are given while the modelview matrix is
// the identity and never again, so their directions are fixed relative to the eye.
inline constexpr float Light0Direction[4] = {6.0f, 8.0f, -5.0f, 0.0f};
inline constexpr float Light1Direction[4] = {-8.0f, -4.0f, 5.0f, 0.0f};
inline constexpr float LightDiffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
inline constexpr float LightAmbient[4] = {0.4f, 0.4f, 0.4f, 1.0f};

// What the desktop scene leaves at OpenGL's initial values and a renderer of its own must supply:
// the global ambient light, the material's ambient colour, and the specular colours of light 0
// (white) and light 1 (none). Normals are not renormalised after the boxes' scaling.
inline constexpr float GlobalAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
inline constexpr float MaterialAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
inline constexpr float Light0Specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr float Light1Specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};

// The camera's up direction in world coordinates, +y: the chains hang towards -y.
inline constexpr double UpVector[3] = {0.0, 1.0, 0.0};

// The perspective projection: vertical field of view in degrees, near and far planes.
inline constexpr double FieldOfViewDegrees = 45.0;
inline constexpr double NearPlane = 0.1;
inline constexpr double FarPlane = 100.0;

// The drawing has its own geometry: a link is a box 0.5 long and 0.1 by 0.1 in cross-section
// (the dynamics uses links of length 1), and adjacent chains are one box-depth apart.
inline constexpr float DrawnLinkLength = 0.5f;
inline constexpr float DrawnLinkThickness = 0.1f;
inline constexpr float ChainSpacing = 0.1f;

}  // namespace pendula
