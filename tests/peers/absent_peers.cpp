// The peers that were not found when the tests were built: their loaders give null.
#include "tests/peers/peer.h"

namespace pendula {
namespace peers {

#ifndef PENDULA_HAVE_MUJOCO
std::unique_ptr<Peer> LoadMuJoCo(const std::string&, const std::vector<std::string>&) {
  return nullptr;
}
#endif

#ifndef PENDULA_HAVE_DART
std::unique_ptr<Peer> LoadDart(const std::string&, const std::vector<std::string>&) {
  return nullptr;
}
#endif

}  // namespace peers
}  // namespace pendula
