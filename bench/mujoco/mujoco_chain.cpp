#include "bench/mujoco/mujoco_chain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

// One link of the program's chain: a hinge about local z at the body origin and the explicit
// inertial. `pos` is where this body's origin lies in its parent.
std::string LinkHeadXml(int link, const char* pos) {
  char head[400];
  std::snprintf(head, sizeof head,
                "<body name=\"link%d\" pos=\"%s\">"
                "<joint name=\"joint%d\" type=\"hinge\" axis=\"0 0 1\" pos=\"0 0 0\"/>"
                "<inertial pos=\"0.5 0 0\" mass=\"1\" diaginertia=\"0.01 0.08 0.08\"/>",
                link, pos, link);
  return head;
}

// One link of a description: the body turned by the twist about the parent's x axis and placed
// at (a, d sin(alpha), -d cos(alpha)), a hinge about its z axis at its origin, and the inertia
// about the centre of mass, I_c = I_o - m (|c|² 1 - c cᵀ).
std::string LinkHeadXml(int link, const Link& L) {
  const double* c = L.centreOfMass;
  const double* I = L.inertia;
  const double m = L.mass, cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  const double xx = I[0] - m * (cc - c[0] * c[0]), yy = I[3] - m * (cc - c[1] * c[1]);
  const double zz = I[5] - m * (cc - c[2] * c[2]);
  const double xy = I[1] + m * c[0] * c[1], xz = I[2] + m * c[0] * c[2],
               yz = I[4] + m * c[1] * c[2];
  char head[1200];
  std::snprintf(head, sizeof head,
                "<body name=\"link%d\" pos=\"%.17g %.17g %.17g\" quat=\"%.17g %.17g 0 0\">"
                "<joint name=\"joint%d\" type=\"hinge\" axis=\"0 0 1\" pos=\"0 0 0\"/>"
                "<inertial pos=\"%.17g %.17g %.17g\" mass=\"%.17g\" "
                "fullinertia=\"%.17g %.17g %.17g %.17g %.17g %.17g\"/>",
                link, L.a, L.d * std::sin(L.alpha), -L.d * std::cos(L.alpha), std::cos(L.alpha / 2),
                std::sin(L.alpha / 2), link, c[0], c[1], c[2], m, xx, yy, zz, xy, xz, yz);
  return head;
}

// Part `part` of a chain of heads.size() links: its links nested each inside the one before and
// the next part included inside its last link; the first part holds the options.
std::string PartXml(int part, const std::vector<std::string>& heads, const std::string& options) {
  const int links = static_cast<int>(heads.size());
  const int first = part * LinksPerFile + 1;
  const int last = std::min(links, first + LinksPerFile - 1);
  std::string xml = "<mujoco model=\"pendula_chain\">";
  if (part == 0) xml += options + "<worldbody>";
  for (int link = first; link <= last; ++link) xml += heads[link - 1];
  if (last < links) xml += "<include file=\"" + PartFileName(part + 1) + "\"/>";
  for (int link = first; link <= last; ++link) xml += "</body>";
  if (part == 0) xml += "</worldbody>";
  return xml + "</mujoco>";
}

std::string OptionsXml(const double (&gravity)[3]) {
  char options[400];
  std::snprintf(options, sizeof options,
                "<option gravity=\"%.17g %.17g %.17g\" timestep=\"0.012\">"
                "<flag contact=\"disable\" constraint=\"disable\"/>"
                "</option>",
                gravity[0], gravity[1], gravity[2]);
  return options;
}

bool AddFile(mjVFS* vfs, const std::string& name, const std::string& content) {
  if (mj_makeEmptyFileVFS(vfs, name.c_str(), static_cast<int>(content.size())) != 0) return false;
  std::memcpy(vfs->filedata[mj_findFileVFS(vfs, name.c_str())], content.data(), content.size());
  return true;
}

}  // namespace

namespace {

MuJoCoChain CompileChain(const std::vector<std::string>& heads, const std::string& options) {
  MuJoCoChain chain{nullptr, nullptr, {0}};
  // The virtual file system is about 2 MB of fixed-size name buffers: keep it off the stack.
  auto vfs = std::make_unique<mjVFS>();
  mj_defaultVFS(vfs.get());
  for (int part = 0; part * LinksPerFile < static_cast<int>(heads.size()); ++part) {
    if (!AddFile(vfs.get(), PartFileName(part), PartXml(part, heads, options))) {
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

}  // namespace

MuJoCoChain MakeMuJoCoChain(int links) {
  std::vector<std::string> heads;
  for (int link = 1; link <= links; ++link) {
    heads.push_back(LinkHeadXml(link, link == 1 ? "0 0 0" : "1 0 0"));
  }
  return CompileChain(heads, OptionsXml({0.0, -9.80665, 0.0}));
}

MuJoCoChain MakeMuJoCoChain(const ChainDescription& description) {
  std::vector<std::string> heads;
  for (std::size_t k = 0; k < description.links.size(); ++k) {
    heads.push_back(LinkHeadXml(static_cast<int>(k) + 1, description.links[k]));
  }
  return CompileChain(heads, OptionsXml(description.gravity));
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
