// A chain written as a tree, and a tree that is a planar chain written back as one.
#include <cmath>
#include <stdexcept>
#include <string>

#include "dynamics/tree/tree_model.h"
#include "pendula/model.h"

namespace pendula {
namespace {

// r rᵀ's and |r|²'s share of the parallel-axis theorem, entry e of a packed inertia.
double ParallelAxisShare(const double* r, int e) {
  static const int row[6] = {0, 0, 0, 1, 1, 2}, column[6] = {0, 1, 2, 1, 2, 2};
  const double rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
  const int i = row[e], j = column[e];
  return (i == j ? rr : 0.0) - r[i] * r[j];
}

}  // namespace

ModelDescription TreeOfChain(const ChainDescription& chain) {
  ModelDescription tree;
  for (int k = 0; k < 3; ++k) tree.gravity[k] = chain.gravity[k];
  tree.trigonometry = chain.trigonometry;
  tree.joints.reserve(chain.links.size());
  for (std::size_t k = 0; k < chain.links.size(); ++k) {
    const Link& link = chain.links[k];
    Joint joint;
    joint.name = "link" + std::to_string(k + 1);
    joint.parent = static_cast<int>(k) - 1;
    const double s = std::sin(link.alpha), c = std::cos(link.alpha);
    joint.xyz[0] = link.a;
    joint.xyz[1] = link.d * s;
    joint.xyz[2] = -link.d * c;
    joint.rpy[0] = link.alpha;
    joint.mass = link.mass;
    // I_c = I_o - m (|r|² 1 - r rᵀ), the parallel-axis theorem from the link origin.
    for (int e = 0; e < 6; ++e) {
      joint.inertia[e] = link.inertia[e] - link.mass * ParallelAxisShare(link.centreOfMass, e);
    }
    for (int i = 0; i < 3; ++i) joint.centreOfMass[i] = link.centreOfMass[i];
    tree.joints.push_back(joint);
  }
  return tree;
}

std::optional<Chain> PlanarChainOf(const ModelDescription& tree) {
  if (tree.joints.size() > static_cast<std::size_t>(MaxChainLinks)) return std::nullopt;
  ChainDescription chain;
  for (int k = 0; k < 3; ++k) chain.gravity[k] = tree.gravity[k];
  chain.trigonometry = tree.trigonometry;
  chain.links.reserve(tree.joints.size());
  for (std::size_t k = 0; k < tree.joints.size(); ++k) {
    const Joint& joint = tree.joints[k];
    const bool chained = joint.parent == static_cast<int>(k) - 1 &&
                         joint.kind == JointKind::Revolute && joint.axis[0] == 0.0 &&
                         joint.axis[1] == 0.0 && joint.axis[2] == 1.0 && joint.rpy[0] == 0.0 &&
                         joint.rpy[1] == 0.0 && joint.rpy[2] == 0.0 && joint.xyz[1] == 0.0 &&
                         joint.xyz[2] == 0.0 && joint.damping == 0.0 && joint.mass > 0.0;
    if (!chained) return std::nullopt;
    Link link;
    link.a = joint.xyz[0];
    link.mass = joint.mass;
    // I_o = I_c + m (|r|² 1 - r rᵀ)
    for (int e = 0; e < 6; ++e) {
      link.inertia[e] = joint.inertia[e] + joint.mass * ParallelAxisShare(joint.centreOfMass, e);
    }
    for (int i = 0; i < 3; ++i) link.centreOfMass[i] = joint.centreOfMass[i];
    chain.links.push_back(link);
  }
  try {
    Chain planar(chain);
    if (planar.inPlane()) return planar;
  } catch (const std::invalid_argument&) {
    // A link the tree takes and a chain does not (an inertia at the edge of a body's after the
    // move to the link origin): the tree's recursion steps it.
  }
  return std::nullopt;
}

}  // namespace pendula
