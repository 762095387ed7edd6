// Misuse of the interface stops the process with a line that says what went wrong, instead of a
// crash in a table that is not there: every function called before setUpModel, and setUpModel
// with a step size that is not finite and greater than 0. Each case runs in a process of its own,
// started afresh, in which nothing has set the model up yet.
#include <gtest/gtest.h>

#include <limits>

#include "pendula/dynamics.h"

namespace pendula {
namespace {

TEST(ModelSetUpDeathTest, CallsBeforeSetUpAndStepsThatAreNotPositiveStopWithAMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  double p[20] = {}, q[20] = {}, rates[20] = {}, pdot[20], qdot[20];
  double batchP[1][20] = {}, batchQ[1][20] = {};
  const std::string before = ": called before setUpModel";
  EXPECT_DEATH(SineLookup(1.0), "^pendula: SineLookup" + before);
  EXPECT_DEATH(CosineLookup(1.0), "^pendula: CosineLookup" + before);
  EXPECT_DEATH(MomentumInitialisation(p, q, rates), "^pendula: MomentumInitialisation" + before);
  EXPECT_DEATH(ForwardDynamics(p, q, pdot, qdot), "^pendula: ForwardDynamics" + before);
  EXPECT_DEATH(SetActiveJointTorques(5.0, 0.0), "^pendula: SetActiveJointTorques" + before);
  EXPECT_DEATH(HeunStep(p, q, 5.0, 0.0), "^pendula: HeunStep" + before);
  EXPECT_DEATH(StepChains(batchP, batchQ, 1, 5.0, 0.0), "^pendula: StepChains" + before);

  const double refused[] = {0.0,
                            -0.0,
                            -0.012,
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
  for (const double stepSize : refused) {
    EXPECT_DEATH(setUpModel(stepSize),
                 "^pendula: setUpModel: the step size must be finite and greater than 0")
        << "step size " << stepSize;
  }
}

}  // namespace
}  // namespace pendula
