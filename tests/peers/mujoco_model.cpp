#include "tests/peers/mujoco_model.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include "tests/peers/mujoco_urdf.h"
#include "tests/peers/peer.h"
#include "tests/peers/urdf_text.h"

namespace pendula {
namespace peers {
namespace {

// Compiles the URDF text, held in memory under the name robot.urdf.
mjModel* Compile(const std::string& urdf, const std::string& path) {
  const char* name = "robot.urdf";
  // The virtual file system is about 2 MB of fixed-size name buffers: keep it off the stack.
  auto vfs = std::make_unique<mjVFS>();
  mj_defaultVFS(vfs.get());
  if (mj_makeEmptyFileVFS(vfs.get(), name, static_cast<int>(urdf.size())) != 0) {
    throw std::runtime_error("MuJoCo: cannot hold " + path + " in memory");
  }
  std::memcpy(vfs->filedata[mj_findFileVFS(vfs.get(), name)], urdf.data(), urdf.size());
  char error[1000] = "";
  mjModel* model = mj_loadXML(name, vfs.get(), error, sizeof error);
  mj_deleteVFS(vfs.get());
  if (model == nullptr) throw std::runtime_error("MuJoCo cannot load " + path + ": " + error);
  return model;
}

}  // namespace

mjModel* LoadMuJoCoModel(const std::string& urdfPath) {
  mjModel* m = Compile(UrdfForMuJoCo(ReadTextFile(urdfPath)), urdfPath);
  m->opt.gravity[0] = m->opt.gravity[1] = 0.0;
  m->opt.gravity[2] = -StandardGravity;
  m->opt.disableflags |= mjDSBL_CONTACT | mjDSBL_CONSTRAINT;
  return m;
}

}  // namespace peers
}  // namespace pendula
