// A peer engine's view of a robot read from a URDF file, for the agreement tests: the mass
// matrix, the momenta, the accelerations and the energy at a state, in the caller's joint order.
//
// The robot is the one pendula's LoadUrdf describes: the root link fixed at the world's origin,
// revolute, continuous and prismatic joints, fixed joints that add no freedom, each link's
// <inertial> as written (a link without one is massless), the joints' <dynamics damping> as the
// generalized force -d·q̇, gravity (0, 0, -9.80665), and no limits, friction or contacts. The
// root link and what is welded to it are the fixed base, whose weight is a constant that the
// energy leaves out, as pendula's description has no place for it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pendula {
namespace peers {

using Vector = std::vector<double>;

// What a peer says about the state (q, q̇); joint i's value at element i, row i of the matrix.
struct PeerDynamics {
  Vector massMatrix;       // M(q), n by n, row-major
  Vector momenta;          // M(q)·q̇
  Vector accelerations;    // q̈ under gravity and damping, with no other force
  double kinetic = 0.0;    // ½ q̇ᵀ M q̇
  double potential = 0.0;  // -Σ m gᵀ r_com over the bodies that move, r_com from the root's origin
};

class Peer {
 public:
  virtual ~Peer() = default;
  virtual const char* name() const = 0;
  // The moving joints' names in the order of every array.
  virtual const std::vector<std::string>& jointNames() const = 0;
  virtual PeerDynamics Evaluate(const Vector& positions, const Vector& rates) = 0;
};

// The robot of the URDF file in a peer, its arrays ordered as `jointNames` (the peer's own order
// when empty). std::runtime_error, saying why, for a file the peer cannot load, a joint it
// lacks or one it has beyond those named, or a joint other than a revolute or prismatic one.
// Each is null when the peer was not found when the tests were built.
std::unique_ptr<Peer> LoadMuJoCo(const std::string& urdfPath,
                                 const std::vector<std::string>& jointNames = {});
std::unique_ptr<Peer> LoadDart(const std::string& urdfPath,
                               const std::vector<std::string>& jointNames = {});

// The standard gravity of every peer, m/s² along -z.
constexpr double StandardGravity = 9.80665;

}  // namespace peers
}  // namespace pendula
