// A program outside the pendula tree: it sees only <pendula/dynamics.h>, <pendula/model.h> and
// the installed library, and checks numbers that the dynamics must give, and that LoadUrdf links
// with the parsers the package names. Exit status 0 when all of them hold.
#include <pendula/dynamics.h>
#include <pendula/model.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

int failures = 0;

// Tolerances are half a unit in the last digit of the value quoted, or 1e-6 where the value is
// exact in decimal; a NaN never passes.
void ExpectNear(const char* what, double got, double expected, double tolerance) {
  if (!(std::fabs(got - expected) <= tolerance)) {
    std::printf("%s = %.12g, expected %.12g within %g\n", what, got, expected, tolerance);
    ++failures;
  }
}

}  // namespace

int main() {
  pendula::setUpModel(0.012);

  // Straight along +x and at rest: nothing turns yet, and joint k carries the weight of the
  // n = 21 - k links outboard of it, ṗ_k = -9.80665 n²/2.
  double momenta[20] = {};
  double angles[20] = {};
  double momentumRates[20];
  double jointRates[20];
  pendula::SetActiveJointTorques(5.0, 0.0);
  pendula::ForwardDynamics(momenta, angles, momentumRates, jointRates);
  ExpectNear("pdot_1", momentumRates[0], -1961.33, 1e-6);
  ExpectNear("pdot_2", momentumRates[1], -1770.100325, 1e-6);
  ExpectNear("pdot_20", momentumRates[19], -4.903325, 1e-6);
  ExpectNear("qdot_1", jointRates[0], 0.0, 0.0);

  // Joint 1 alone at 1 rad/s: p_1 is the straight chain's moment of inertia about joint 1.
  double rates[20] = {};
  rates[0] = 1.0;
  pendula::MomentumInitialisation(momenta, angles, rates);
  ExpectNear("p_1 from rate 1 on joint 1", momenta[0], 2666.6, 1e-6);

  ExpectNear("SineLookup(0)", pendula::SineLookup(0.0), 0.0, 0.0);
  ExpectNear("CosineLookup(0)", pendula::CosineLookup(0.0), 0.9999999999888967, 1e-16);

  // One step at friction 5 of a chain at rest along +x and of one whose joint 1 is at 20 rad.
  double chainMomenta[2][20] = {};
  double chainAngles[2][20] = {};
  chainAngles[1][0] = 20.0;
  double singleMomenta[20] = {};
  double singleAngles[20] = {};
  singleAngles[0] = 20.0;
  pendula::StepChains(chainMomenta, chainAngles, 2, 5.0, 0.0);
  ExpectNear("p_1 after one step", chainMomenta[0][0], -23.53596, 5e-6);
  ExpectNear("q_1 after one step", chainAngles[0][0], -9.019421e-4, 5e-11);
  ExpectNear("q_2 after one step", chainAngles[0][1], 1.152137e-3, 5e-10);
  ExpectNear("p_1 after one step from q_1 = 20", chainMomenta[1][0], -9.604728, 5e-7);
  pendula::HeunStep(singleMomenta, singleAngles, 5.0, 0.0);
  if (std::memcmp(singleMomenta, chainMomenta[1], sizeof singleMomenta) != 0 ||
      std::memcmp(singleAngles, chainAngles[1], sizeof singleAngles) != 0) {
    std::printf("StepChains and HeunStep differ on the chain at q_1 = 20\n");
    ++failures;
  }

  try {
    pendula::LoadUrdf("/nonexistent/robot.urdf");
    std::printf("LoadUrdf read a file that is not there\n");
    ++failures;
  } catch (const pendula::UrdfFileError&) {
  }

  if (failures == 0) std::printf("all checks passed\n");
  return failures == 0 ? 0 : 1;
}
