#include "bench/mujoco/mujoco_chain.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace pendula {
namespace comparison {
namespace {

constexpr const char* ModelFileName = "pendula_chain.xml";

// One link: a hinge about local z at the body origin, the explicit inertial, and the next link
// nested inside at (1, 0, 0). `pos` is where this body's origin lies in its parent.
std::string LinkXml(int link, const char* pos) {
  char head[400];
  std::snprintf(head, sizeof head,
                "<body name=\"link%d\" pos=\"%s\">"
                "<joint name=\"joint%d\" type=\"hinge\" axis=\"0 0 1\" pos=\"0 0 0\"/>"
                "<inertial pos=\"0.5 0 0\" mass=\"1\" diaginertia=\"0.01 0.08 0.08\"/>",
                link, pos, link);
  std::string xml = head;
  if (link < MuJoCoJointCount) xml += LinkXml(link + 1, "1 0 0");
  return xml + "</body>";
}

std::string ChainXml() {
  return std::string(
             "<mujoco model=\"pendula_chain\">"
             "<option gravity=\"0 -9.80665 0\" timestep=\"0.012\">"
             "<flag contact=\"disable\" constraint=\"disable\"/>"
             "</option>"
             "<worldbody>") +
         LinkXml(1, "0 0 0") + "</worldbody></mujoco>";
}

}  // namespace

MuJoCoChain MakeMuJoCoChain() {
  MuJoCoChain chain{nullptr, nullptr, {0}};
  const std::string xml = ChainXml();
  // The virtual file system is about 2 MB of fixed-size name buffers: keep it off the stack.
  auto vfs = std::make_unique<mjVFS>();
  mj_defaultVFS(vfs.get());
  if (mj_makeEmptyFileVFS(vfs.get(), ModelFileName, static_cast<int>(xml.size())) != 0) {
    std::snprintf(chain.error, sizeof chain.error, "cannot create the in-memory model file");
    return chain;
  }
  const int file = mj_findFileVFS(vfs.get(), ModelFileName);
  std::memcpy(vfs->filedata[file], xml.data(), xml.size());
  chain.model = mj_loadXML(ModelFileName, vfs.get(), chain.error, sizeof chain.error);
  mj_deleteVFS(vfs.get());
  if (chain.model != nullptr) chain.data = mj_makeData(chain.model);
  return chain;
}

void FreeMuJoCoChain(MuJoCoChain& chain) {
  if (chain.data != nullptr) mj_deleteData(chain.data);
  if (chain.model != nullptr) mj_deleteModel(chain.model);
  chain.data = nullptr;
  chain.model = nullptr;
}

void SetMuJoCoState(MuJoCoChain& chain, const double (&angles)[MuJoCoJointCount],
                    const double (&jointRates)[MuJoCoJointCount]) {
  mjData* d = chain.data;
  for (int k = 0; k < MuJoCoJointCount; ++k) {
    d->qpos[k] = angles[k];
    d->qvel[k] = jointRates[k];
    d->qfrc_applied[k] = 0.0;
  }
  for (int i = 0; i < 6 * chain.model->nbody; ++i) d->xfrc_applied[i] = 0.0;
}

void MuJoCoMassMatrix(const MuJoCoChain& chain,
                      double (&massMatrix)[MuJoCoJointCount][MuJoCoJointCount]) {
  mj_fullM(chain.model, &massMatrix[0][0], chain.data->qM);
}

}  // namespace comparison
}  // namespace pendula
