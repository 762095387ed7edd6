// The public interface of the pendula chain dynamics: a planar chain of 20 links on a fixed
// base, advanced in Hamiltonian form (joint angles q and generalized momenta p).
#pragma once

namespace pendula {

// Builds the sine table, stores the step size for HeunStep and makes the program's chain
// (Chain::Program() of chain.h) and the working data that every call shares. Call it first: every
// other function here, called before it, writes a line naming itself on standard error and aborts
// the process. A step size that is not finite and greater than 0 is refused the same way. A second
// call takes its new step size for the steps after it and changes nothing else; the table is
// built by the first call only.
void setUpModel(double stepSize);

// sin(angle) and cos(angle) from the sine table: the angle is reduced by whole turns and the
// entry below it is taken, with no interpolation (error below one table step, about 6.3e-6).
// A non-finite angle, or one of 2^30 turns or more, gives a quiet NaN.
double SineLookup(double angle);
double CosineLookup(double angle);

// p = A(q) q̇: the generalized momenta of one chain from its joint angles and joint rates.
void MomentumInitialisation(double (&momenta)[20], const double (&angles)[20],
                            const double (&jointRates)[20]);

// (p, q) -> (ṗ, q̇): q̇ = A(q)^-1 p and ṗ = -∂H/∂q + joint torques, by an O(n) recursion.
void ForwardDynamics(const double (&momenta)[20], const double (&angles)[20],
                     double (&momentumRates)[20], double (&jointRates)[20]);

// Stores the viscous friction coefficient b (torque -b q̇ on every joint) and the torque that
// drives joint 1, both read by every later ForwardDynamics call.
void SetActiveJointTorques(double frictionCoefficient, double appliedTorque);

// One Heun step of the model's step size h: an Euler predictor, then the trapezoidal corrector
// x += ((ẋ(predicted) + ẋ(current)) h) 0.5, with b and τ in force for both evaluations.
void HeunStep(double (&momenta)[20], double (&angles)[20], double frictionCoefficient,
              double appliedTorque);

// HeunStep on each of chains 0 .. chainCount - 1 (momenta[i] and angles[i] are chain i's), all
// with the same b and τ: each chain ends bit for bit where HeunStep takes it (a NaN's sign and
// payload aside). The chains go side by side in the lanes of the widest vector registers the CPU
// has. A count of zero or less steps nothing.
void StepChains(double (*momenta)[20], double (*angles)[20], int chainCount,
                double frictionCoefficient, double appliedTorque);

}  // namespace pendula
