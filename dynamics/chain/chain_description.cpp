// Validation of a chain description and the link parameters built from it.
#include <cmath>
#include <string>

#include "dynamics/calls/chain_calls.h"
#include "dynamics/chain/chain_internals.h"
#include "dynamics/spatial/symmetric_eigenvalues.h"

namespace pendula {
namespace {

// How far the principal moments about the centre of mass may miss the triangle inequality,
// relative to their sum: a flat plate (one moment the sum of the other two) is a body, and the
// eigenvalues of its inertia come out of the rotation only to within rounding.
constexpr double TriangleSlack = 1e-12;

std::string LinkName(std::size_t index) {
  return "links[" + std::to_string(index) + "]";
}

void RequireFinite(double x, const std::string& what) {
  if (!std::isfinite(x)) Refuse(what + " must be finite; got " + Number(x));
}

// The inertia about the centre of mass, I_c = I_o - m (|c|² 1 - c cᵀ), must be positive definite
// and its principal moments must satisfy I1 + I2 >= I3 in every order: a rigid body's do.
void RequirePhysicalInertia(const Link& link, const std::string& name) {
  const double* I = link.inertia;
  const double* c = link.centreOfMass;
  const double m = link.mass;
  const double cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  double Ic[3][3] = {{I[0], I[1], I[2]}, {I[1], I[3], I[4]}, {I[2], I[4], I[5]}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) Ic[i][j] -= m * ((i == j ? cc : 0.0) - c[i] * c[j]);
  }
  // In the order the inertia is entered (Link::inertia).
  const std::string about =
      name + ".inertia about the centre of mass (xx, xy, xz, yy, yz, zz = " + Number(Ic[0][0]) +
      ", " + Number(Ic[0][1]) + ", " + Number(Ic[0][2]) + ", " + Number(Ic[1][1]) + ", " +
      Number(Ic[1][2]) + ", " + Number(Ic[2][2]) + ")";
  // Sylvester's criterion: the leading minors are positive.
  const double minor1 = Ic[0][0];
  const double minor2 = Ic[0][0] * Ic[1][1] - Ic[0][1] * Ic[0][1];
  const double minor3 = Ic[0][0] * (Ic[1][1] * Ic[2][2] - Ic[1][2] * Ic[1][2]) -
                        Ic[0][1] * (Ic[0][1] * Ic[2][2] - Ic[1][2] * Ic[0][2]) +
                        Ic[0][2] * (Ic[0][1] * Ic[1][2] - Ic[1][1] * Ic[0][2]);
  if (!(minor1 > 0.0 && minor2 > 0.0 && minor3 > 0.0)) Refuse(about + " is not positive definite");
  double moments[3];
  SymmetricEigenvalues(Ic, moments);
  const double sum = moments[0] + moments[1] + moments[2];
  for (int k = 0; k < 3; ++k) {
    if (moments[k] > sum - moments[k] + TriangleSlack * sum) {
      Refuse(about + " has principal moments " + Number(moments[0]) + ", " + Number(moments[1]) +
             ", " + Number(moments[2]) + ", which break the triangle inequality (no moment may " +
             "exceed the sum of the other two)");
    }
  }
}

// The sine and cosine of a link's twist, out of line and storing them, so that no compiler takes
// sin α before it knows α != 0: the web page counts the calls of sin that the program's chain's
// set-up makes (web/table_sine_patch.cpp), and an untwisted link must make none.
[[gnu::noinline]] void SetTwist(LinkParameters& L, double alpha) {
  L.sinAlpha = std::sin(alpha);
  L.cosAlpha = std::cos(alpha);
}

}  // namespace

std::vector<LinkParameters> ValidatedLinks(const ChainDescription& description) {
  const std::size_t count = description.links.size();
  if (count < static_cast<std::size_t>(MinChainLinks) ||
      count > static_cast<std::size_t>(MaxChainLinks)) {
    Refuse("a chain has " + std::to_string(MinChainLinks) + " to " + std::to_string(MaxChainLinks) +
           " links; got " + std::to_string(count));
  }
  static const char* const axes[3] = {"x", "y", "z"};
  static const char* const entries[6] = {"xx", "xy", "xz", "yy", "yz", "zz"};
  for (int i = 0; i < 3; ++i) {
    RequireFinite(description.gravity[i], std::string("gravity ") + axes[i]);
  }
  std::vector<LinkParameters> links;
  links.reserve(count);
  for (std::size_t k = 0; k < count; ++k) {
    const Link& link = description.links[k];
    const std::string name = LinkName(k);
    RequireFinite(link.a, name + ".a");
    RequireFinite(link.d, name + ".d");
    RequireFinite(link.alpha, name + ".alpha");
    RequireFinite(link.mass, name + ".mass");
    for (int i = 0; i < 3; ++i) {
      RequireFinite(link.centreOfMass[i], name + ".centre of mass " + axes[i]);
    }
    for (int i = 0; i < 6; ++i) RequireFinite(link.inertia[i], name + ".inertia " + entries[i]);
    if (!(link.mass > 0.0)) Refuse(name + ".mass must be positive; got " + Number(link.mass));
    RequirePhysicalInertia(link, name);
    LinkParameters L{};
    for (int i = 0; i < 6; ++i) L.inertia[i] = link.inertia[i];
    for (int i = 0; i < 3; ++i) L.centreOfMass[i] = link.centreOfMass[i];
    L.mass = link.mass;
    L.a = link.a;
    L.d = link.d;
    // An untwisted link keeps the exact 0 and 1 that make it in-plane.
    L.sinAlpha = 0.0;
    L.cosAlpha = 1.0;
    if (link.alpha != 0.0) SetTwist(L, link.alpha);
    links.push_back(L);
  }
  return links;
}

}  // namespace pendula
