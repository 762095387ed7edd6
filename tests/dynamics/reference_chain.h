// The independent model of tests/support/planar_chain_reference.h for the program's chain of 20
// links, on fixed-size arrays: the dense mass matrix, its Cholesky solve and the Hamiltonian
// H(q, p) = 1/2 p^T A(q)^-1 p + V(q). It shares no code with dynamics/.
#pragma once

#include <array>

#include "tests/support/planar_chain_reference.h"

namespace pendula {
namespace reference {

constexpr int Links = 20;

using Vector = std::array<double, Links>;
using Matrix = std::array<Vector, Links>;

inline Joints ToJoints(const Vector& x) {
  return Joints(x.begin(), x.end());
}

inline Vector ToVector(const Joints& x) {
  Vector v{};
  for (int i = 0; i < Links; ++i) v[i] = x[i];
  return v;
}

inline DenseMatrix ToDense(const Matrix& A) {
  DenseMatrix dense;
  for (const Vector& row : A) dense.push_back(ToJoints(row));
  return dense;
}

inline Matrix ToMatrix(const DenseMatrix& A) {
  Matrix m{};
  for (int i = 0; i < Links; ++i) m[i] = ToVector(A[i]);
  return m;
}

inline Matrix MassMatrix(const Vector& q) {
  return ToMatrix(MassMatrix(ToJoints(q)));
}

inline double PotentialEnergy(const Vector& q) {
  return PotentialEnergy(ToJoints(q));
}

inline bool Cholesky(const Matrix& A, Matrix& L) {
  DenseMatrix factor;
  const bool positiveDefinite = Cholesky(ToDense(A), factor);
  L = ToMatrix(factor);
  return positiveDefinite;
}

inline Vector Solve(const Matrix& A, const Vector& b) {
  return ToVector(Solve(ToDense(A), ToJoints(b)));
}

inline double Hamiltonian(const Vector& q, const Vector& p) {
  return Hamiltonian(ToJoints(q), ToJoints(p));
}

inline Vector NegativeHamiltonianGradient(const Vector& q, const Vector& p, double h) {
  return ToVector(NegativeHamiltonianGradient(ToJoints(q), ToJoints(p), h));
}

}  // namespace reference
}  // namespace pendula
