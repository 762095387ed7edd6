// Torques and states that are not finite, at the calls of chain.h: every call refuses a torque
// that is not finite, Integrate and the Midpoint step also a state, each with a message that
// names the argument, the joint and (in a batch) the chain, before anything is written; the other
// steps take a state that is not finite as it is.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "dynamics/batch/chain_threads.h"
#include "pendula/chain.h"
#include "tests/support/random_chain.h"

namespace pendula {
namespace {

using Values = std::vector<double>;

constexpr int Links = 5;
constexpr int Chains = 3;

// One call on the state of one chain (Chains of them for a batch) with the torques given.
struct Call {
  const char* name;
  bool batch;
  bool refusesStates;  // Integrate and the Midpoint step
  std::function<void(double* p, double* q, JointTorques torques)> run;
};

// What the calls say of values[index] = value: one chain's values by joint, a batch's rows by
// chain and joint.
std::string Refusal(const std::string& name, int index, bool rows, const char* value) {
  const std::string where = rows ? "chain " + std::to_string(index / Links) + ", joint " +
                                       std::to_string(index % Links + 1)
                                 : "joint " + std::to_string(index + 1);
  return name + "[" + std::to_string(index) + "] (" + where + ") must be finite; got " + value;
}

TEST(ChainNonFiniteTest, TorquesAndIteratedStatesAreRefusedByJointAndChain) {
  const Chain chain(testing::RandomChain(Links, 61, true, Trigonometry::Exact));
  ChainWorkspace workspace(chain);
  ChainThreads threads(chain, 2);
  Values rates(Links);
  const std::vector<Call> calls = {
      {"ForwardDynamics", false, false,
       [&](double* p, double* q, JointTorques t) {
         Values pdot(Links);
         ForwardDynamics(chain, workspace, p, q, pdot.data(), rates.data(), 1.0, t.values);
       }},
      {"HeunStep", false, false,
       [&](double* p, double* q, JointTorques t) {
         HeunStep(chain, workspace, p, q, 1e-3, 1.0, t.values);
       }},
      {"Step Rk4", false, false,
       [&](double* p, double* q, JointTorques t) {
         Step(chain, workspace, p, q, 1e-3, StepMethod::Rk4, 1.0, t.values);
       }},
      {"Step Midpoint", false, true,
       [&](double* p, double* q, JointTorques t) {
         Step(chain, workspace, p, q, 1e-3, StepMethod::Midpoint, 1.0, t.values);
       }},
      {"Integrate", false, true,
       [&](double* p, double* q, JointTorques t) {
         Integrate(chain, workspace, p, q, 1e-3, {}, 1.0, t.values);
       }},
      {"StepChains", true, false,
       [&](double* p, double* q, JointTorques t) {
         StepChains(chain, workspace, p, q, Chains, 1e-3, 1.0, t);
       }},
      {"StepChains Rk4", true, false,
       [&](double* p, double* q, JointTorques t) {
         StepChains(chain, workspace, p, q, Chains, 1e-3, StepMethod::Rk4, 1.0, t);
       }},
      {"StepChains Midpoint", true, true,
       [&](double* p, double* q, JointTorques t) {
         StepChains(chain, workspace, p, q, Chains, 1e-3, StepMethod::Midpoint, 1.0, t);
       }},
      {"StepChains on threads", true, false,
       [&](double* p, double* q, JointTorques t) {
         StepChains(chain, threads, p, q, Chains, 1e-3, StepMethod::Heun, 1.0, t, {}, 2);
       }},
  };
  const struct {
    double value;
    const char* printed;
  } bad[] = {{std::numeric_limits<double>::quiet_NaN(), "nan"},
             {std::numeric_limits<double>::infinity(), "inf"},
             {-std::numeric_limits<double>::infinity(), "-inf"}};
  const std::size_t values = static_cast<std::size_t>(Chains) * Links;
  const Values p0(values, 0.25), q0(values, -0.5), tau(values, 2.0);

  // Runs the call and gives its refusal, "" when it took the arguments; a refused call must have
  // left the state as it was.
  const auto refusal = [&](const Call& call, const Values& pIn, const Values& qIn,
                           const Values& torques, bool perChain) -> std::string {
    Values p = pIn, q = qIn;
    try {
      call.run(p.data(), q.data(), JointTorques{torques.data(), perChain});
    } catch (const std::invalid_argument& refused) {
      EXPECT_EQ(0, std::memcmp(p.data(), pIn.data(), p.size() * sizeof(double)));
      EXPECT_EQ(0, std::memcmp(q.data(), qIn.data(), q.size() * sizeof(double)));
      return refused.what();
    }
    return "";
  };

  for (const Call& call : calls) {
    SCOPED_TRACE(call.name);
    EXPECT_EQ(refusal(call, p0, q0, tau, false), "");
    for (const auto& b : bad) {
      // A torque: on joint 4 of every chain, and per chain on joint 2 of the last of the batch.
      Values torques = tau;
      torques[3] = b.value;
      EXPECT_EQ(refusal(call, p0, q0, torques, false),
                Refusal(call.batch ? "torques.values" : "torques", 3, false, b.printed));
      if (call.batch) {
        torques = tau;
        torques[2 * Links + 1] = b.value;
        EXPECT_EQ(refusal(call, p0, q0, torques, true),
                  Refusal("torques.values", 2 * Links + 1, true, b.printed));
      }
      // A momentum, then an angle, of the last chain (the only one of a single-chain call).
      const int index = call.batch ? 2 * Links + 1 : 1;
      Values p = p0, q = q0;
      p[static_cast<std::size_t>(index)] = b.value;
      EXPECT_EQ(refusal(call, p, q0, tau, false),
                call.refusesStates ? Refusal("momenta", index, call.batch, b.printed) : "");
      q[static_cast<std::size_t>(index)] = b.value;
      EXPECT_EQ(refusal(call, p0, q, tau, false),
                call.refusesStates ? Refusal("angles", index, call.batch, b.printed) : "");
    }
  }
}

}  // namespace
}  // namespace pendula
