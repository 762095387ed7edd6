#include "bench/mujoco/mujoco_chain.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace pendula {
namespace comparison {
namespace {

// MJCF nests every body in its parent, and MuJoCo's XML parser refuses elements nested more
// than 100 deep. So the chain is written in parts of at most LinksPerFile links, each part a
// file of its own that the part before it includes inside its last link: every file is parsed on
// its own, and MuJoCo merges them into one tree before it compiles the model.
constexpr int LinksPerFile = 50;

std::string PartFileName(int part) {
  return "pendula_chain_" + std::to_string(part) + ".xml";
}

// One link: a hinge about local z at the body origin and the explicit inertial. `pos` is where
// this body's origin lies in its parent.
std::string LinkHeadXml(int link, const char* pos) {
  char head[400];
  std::snprintf(head, sizeof head,
                "<body name=\"link%d\" pos=\"%s\">"
                "<joint name=\"joint%d\" type=\"hinge\" axis=\"0 0 1\" pos=\"0 0 0\"/>"
                "<inertial pos=\"0.5 0 0\" mass=\"1\" diaginertia=\"0.01 0.08 0.08\"/>",
                link, pos, link);
  return head;
}

// Part `part` of a chain of `links` links: its links nested each inside the one before, the
// first at the world origin and every later one at (1, 0, 0) in its parent, and the next part
// included inside its last link.
std::string PartXml(int part, int links) {
  const int first = part * LinksPerFile + 1;
  const int last = std::min(links, first + LinksPerFile - 1);
  std::string xml = "<mujoco model=\"pendula_chain\">";
  if (part == 0) {
    xml +=
        "<option gravity=\"0 -9.80665 0\" timestep=\"0.012\">"
        "<flag contact=\"disable\" constraint=\"disable\"/>"
        "</option>"
        "<worldbody>";
  }
  for (int link = first; link <= last; ++link)
    xml += LinkHeadXml(link, link == 1 ? "0 0 0" : "1 0 0");
  if (last < links) xml += "<include file=\"" + PartFileName(part + 1) + "\"/>";
  for (int link = first; link <= last; ++link) xml += "</body>";
  if (part == 0) xml += "</worldbody>";
  return xml + "</mujoco>";
}

bool AddFile(mjVFS* vfs, const std::string& name, const std::string& content) {
  if (mj_makeEmptyFileVFS(vfs, name.c_str(), static_cast<int>(content.size())) != 0) return false;
  std::memcpy(vfs->filedata[mj_findFileVFS(vfs, name.c_str())], content.data(), content.size());
  return true;
}

}  // namespace

MuJoCoChain MakeMuJoCoChain(int links) {
  MuJoCoChain chain{nullptr, nullptr, {0}};
  // The virtual file system is about 2 MB of fixed-size name buffers: keep it off the stack.
  auto vfs = std::make_unique<mjVFS>();
  mj_defaultVFS(vfs.get());
  for (int part = 0; part * LinksPerFile < links; ++part) {
    if (!AddFile(vfs.get(), PartFileName(part), PartXml(part, links))) {
      std::snprintf(chain.error, sizeof chain.error, "cannot create the in-memory model file");
      mj_deleteVFS(vfs.get());
      return chain;
    }
  }
  chain.model = mj_loadXML(PartFileName(0).c_str(), vfs.get(), chain.error, sizeof chain.error);
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

int MuJoCoLinkCount(const MuJoCoChain& chain) {
  return chain.model->nq;
}

void SetMuJoCoState(MuJoCoChain& chain, const double* angles, const double* jointRates) {
  mjData* d = chain.data;
  for (int k = 0; k < chain.model->nq; ++k) {
    d->qpos[k] = angles[k];
    d->qvel[k] = jointRates[k];
    d->qfrc_applied[k] = 0.0;
  }
  for (int i = 0; i < 6 * chain.model->nbody; ++i) d->xfrc_applied[i] = 0.0;
}

void MuJoCoMassMatrix(const MuJoCoChain& chain, double* massMatrix) {
  mj_fullM(chain.model, massMatrix, chain.data->qM);
}

}  // namespace comparison
}  // namespace pendula
