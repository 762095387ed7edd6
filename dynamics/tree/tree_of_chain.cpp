#include <cmath>
#include <string>

#include "pendula/model.h"

namespace pendula {

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
    const double* r = link.centreOfMass;
    const double rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
    const int row[6] = {0, 0, 0, 1, 1, 2}, column[6] = {0, 1, 2, 1, 2, 2};
    for (int e = 0; e < 6; ++e) {
      const int i = row[e], j = column[e];
      joint.inertia[e] = link.inertia[e] - link.mass * ((i == j ? rr : 0.0) - r[i] * r[j]);
    }
    for (int i = 0; i < 3; ++i) joint.centreOfMass[i] = r[i];
    tree.joints.push_back(joint);
  }
  return tree;
}

}  // namespace pendula
