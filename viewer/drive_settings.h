// The two settings that drive every chain: the viscous friction on every joint and the torque
// on the joint next to the base. Keys change them; the next idle pass hands them to every chain.
#pragma once

#include "pendula/program_chain.h"

namespace pendula {

struct DriveSettings {
  double frictionCoefficient;  // b: torque -b q̇ on every joint; one of 5.0, 0.0, 1.0
  double appliedTorque;        // τ on joint 1; one of -100.0, 0.0, 100.0
};

// The values that F1 cycles through, in order from the start, and the torques of F8, F9, F10.
constexpr double FrictionHigh = ProgramFrictionCycle[0];
constexpr double FrictionNone = ProgramFrictionCycle[1];
constexpr double FrictionLow = ProgramFrictionCycle[2];
constexpr double TorqueClockwise = -100.0;
constexpr double TorqueNone = 0.0;
constexpr double TorqueCounterClockwise = 100.0;

// Friction 5, no applied torque: the settings the program starts with.
constexpr DriveSettings InitialDriveSettings() {
  return DriveSettings{FrictionHigh, TorqueNone};
}

}  // namespace pendula
