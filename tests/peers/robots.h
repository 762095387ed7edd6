// The robots the agreement tests run on, the random states they take, and the measure of
// difference they hold results to.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tests/peers/peer.h"

namespace pendula {
namespace peers {

// A robot: a URDF file shipped with DART's documentation (dart-doc), or a random tree of the seed
// (random_urdf.h) written when the test asks for its file.
struct Robot {
  std::string name;  // also the test's name
  std::string file;  // empty for a random tree
  std::uint64_t seed = 0;
};
// How a failing test names its robot.
void PrintTo(const Robot& robot, std::ostream* out);

// The 7-joint WAM arm, Atlas v3 (27 joints, a torso and two arms and legs on its pelvis) and
// RandomTreeCount random trees.
constexpr int RandomTreeCount = 12;
std::vector<Robot> Robots();

// The robot's URDF file: a random tree is written into the tests' temporary folder, under a name
// of this process's own. Empty when a shipped file is not installed.
std::string RobotFile(const Robot& robot);

// Positions uniform in [-π, π] (radians, or metres on a prismatic joint: far outside every
// limit) and rates uniform in [-2, 2], for `joints` joints; the same seed gives the same states.
struct State {
  Vector positions, rates;
};
std::vector<State> RandomStates(int joints, int count, std::uint64_t seed);

// |x - reference| / |reference| in the Euclidean norm (for a matrix stored as an array: the
// Frobenius norm), so that a component that nearly cancels is held to the accuracy of the whole.
double RelativeDifference(const Vector& x, const Vector& reference);

// The largest relative difference each quantity showed over a robot's states, for the report.
struct Differences {
  double massMatrix = 0.0, momenta = 0.0, accelerations = 0.0, energy = 0.0;
};
// Each of `worst`'s differences raised to `d`'s where that is larger.
void KeepLargest(Differences& worst, const Differences& d);
// The difference of an energy from a peer's, relative to the sum of the sizes of the peer's
// kinetic and potential energies (the total may nearly cancel).
double EnergyDifference(double energy, const PeerDynamics& reference);
// Prints the differences of `who` on the robot as one line of the test's output.
void Report(const std::string& robot, const std::string& who, const Differences& d);

}  // namespace peers
}  // namespace pendula
