// The robot of a URDF file in MuJoCo, through MuJoCo's own URDF reader (mujoco_urdf.h says what
// it is given). Contacts and every constraint (joint limits, friction loss) are switched off
// (mujoco_model.h), so that mj_forward's qacc is M(q)^-1 (-c(q, q̇) - d·q̇) alone; MuJoCo takes
// the damping explicitly there (its implicit damping belongs to its integrator).
#include <mujoco/mujoco.h>

#include <cstddef>
#include <memory>
#include <stdexcept>

#include "tests/peers/joint_order.h"
#include "tests/peers/mujoco_model.h"
#include "tests/peers/peer.h"

namespace pendula {
namespace peers {
namespace {

class MuJoCoPeer : public Peer {
 public:
  static constexpr char Name[] = "MuJoCo";

  MuJoCoPeer(const std::string& path, const std::vector<std::string>& wanted)
      : model_(LoadMuJoCoModel(path)) {
    mjModel* m = model_;
    for (int j = 0; j < m->njnt; ++j) {
      const char* jointName = mj_id2name(m, mjOBJ_JOINT, j);
      if (m->jnt_type[j] != mjJNT_HINGE && m->jnt_type[j] != mjJNT_SLIDE) {
        mj_deleteModel(m);
        throw std::runtime_error(std::string("MuJoCo: joint ") + jointName +
                                 " neither turns nor slides");
      }
      names_.push_back(jointName);
    }
    try {
      order_ = JointOrder(names_, wanted, Name);
    } catch (...) {
      mj_deleteModel(m);
      throw;
    }
    if (!wanted.empty()) names_ = wanted;
    m->opt.enableflags |= mjENBL_ENERGY;
    data_ = mj_makeData(m);
  }
  ~MuJoCoPeer() override {
    mj_deleteData(data_);
    mj_deleteModel(model_);
  }
  MuJoCoPeer(const MuJoCoPeer&) = delete;
  MuJoCoPeer& operator=(const MuJoCoPeer&) = delete;

  const char* name() const override { return Name; }
  const std::vector<std::string>& jointNames() const override { return names_; }

  PeerDynamics Evaluate(const Vector& positions, const Vector& rates) override {
    const mjModel* m = model_;
    mjData* d = data_;
    const int n = m->njnt;
    mj_resetData(m, d);
    for (int i = 0; i < n; ++i) {
      d->qpos[m->jnt_qposadr[order_[i]]] = positions[i];
      d->qvel[m->jnt_dofadr[order_[i]]] = rates[i];
    }
    mj_forward(m, d);
    Vector full(static_cast<std::size_t>(m->nv) * m->nv);
    mj_fullM(m, full.data(), d->qM);
    PeerDynamics out;
    out.massMatrix.resize(static_cast<std::size_t>(n) * n);
    out.momenta.assign(n, 0.0);
    out.accelerations.resize(n);
    for (int i = 0; i < n; ++i) {
      const int row = m->jnt_dofadr[order_[i]];
      for (int k = 0; k < n; ++k) {
        out.massMatrix[i * n + k] = full[row * m->nv + m->jnt_dofadr[order_[k]]];
        out.momenta[i] += out.massMatrix[i * n + k] * rates[k];
      }
      out.accelerations[i] = d->qacc[row];
    }
    // MuJoCo's own energy[0] holds the weight of every body, the base's too: only those that move
    // (not welded to the world, body 0) are counted here. energy[1] is ½ q̇ᵀ M q̇.
    for (int b = 1; b < m->nbody; ++b) {
      if (m->body_weldid[b] == 0) continue;
      const mjtNum* r = d->xipos + 3 * static_cast<std::ptrdiff_t>(b);
      out.potential -= m->body_mass[b] * (m->opt.gravity[0] * r[0] + m->opt.gravity[1] * r[1] +
                                          m->opt.gravity[2] * r[2]);
    }
    out.kinetic = d->energy[1];
    return out;
  }

 private:
  mjModel* model_;
  mjData* data_ = nullptr;
  std::vector<std::string> names_;
  std::vector<int> order_;  // order_[i]: MuJoCo's joint id of the caller's joint i
};

}  // namespace

std::unique_ptr<Peer> LoadMuJoCo(const std::string& urdfPath,
                                 const std::vector<std::string>& jointNames) {
  return std::make_unique<MuJoCoPeer>(urdfPath, jointNames);
}

}  // namespace peers
}  // namespace pendula
