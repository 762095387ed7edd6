// The program's chains, described once: their link, how many of them, the step size they are
// advanced by, the friction they cycle through, how many chains and where they start. The library's
// Chain::Program() and <pendula/dynamics.h>, the program (app/), the page (web/) and the Python
// module all read them from here.
#pragma once

#include "pendula/chain.h"

namespace pendula {

// Links in each of the program's chains; the arrays of <pendula/dynamics.h> hold this many.
constexpr int ProgramLinkCount = 20;

// The Heun step of the program's idle pass, seconds.
constexpr double ProgramStepSize = 0.012;

// The friction b on every joint, N·m·s/rad, that the program cycles through from the start:
// 5, then none, then 1.
inline constexpr double ProgramFrictionCycle[3] = {5.0, 0.0, 1.0};

// The program's chains, and where they start: every joint at rest and at angle 0 but joint 1 of
// chain i, at ProgramStartAngleStep · i radians, so that they start fanned out at visibly
// different angles.
constexpr int ProgramChainCount = 100;
constexpr double ProgramStartAngleStep = 20.0;

// The program's link: a slender body of length 1 and mass 1 along its x axis, centre of mass in
// its middle, inertia taken about the joint (Izz = Iyy = 0.33, not 1/3; no parallel-axis shift),
// no twist and no offset along z, so the chain moves in the base xy plane. Gravity is the
// description's default, 9.80665 m/s^2 along -y, and the sines come from the table.
constexpr Link ProgramLink() {
  Link link;
  link.a = 1.0;
  link.mass = 1.0;
  link.centreOfMass[0] = 0.5;
  link.inertia[0] = 0.01;  // xx
  link.inertia[3] = 0.33;  // yy
  link.inertia[5] = 0.33;  // zz
  return link;
}

}  // namespace pendula
