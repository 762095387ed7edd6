// Chain and ChainWorkspace, and the algorithms of chain.h over the core's run-time link count.
#include "pendula/chain.h"

#include <cmath>
#include <cstring>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>

#include "dynamics/batch/chain_lanes.h"
#include "dynamics/calls/chain_calls.h"
#include "dynamics/lanes/lane_widths.h"
#include "dynamics/trigonometry/exact_sines.h"
#include "pendula/model.h"
#include "pendula/program_chain.h"

namespace pendula {
namespace {

// Hands the arrays of one chain's data to `arrays` (a LinkArena binds them, LinkBytes counts
// their bytes) and returns the bytes they take.
template <typename A, typename Arrays>
std::size_t BindOneChain(OneChainData<A>& data, Arrays arrays) {
  ForEachLinkArray(data.evaluation, arrays);
  ForEachLinkArray(data.step, arrays);
  return arrays.used;
}

// The sine and cosine of an angle as the model's evaluations take them.
void SineAndCosineOf(const ChainModel& model, double angle, double& s, double& c) {
  if (model.sines == SineSource::Library) {
    ExactSineAndCosine(angle, s, c);
  } else {
    s = SineFromTable(*model.sineTable, angle);
    c = CosineFromTable(*model.sineTable, angle);
  }
}

// Walks the link frames outward: f(k, R, o) with R the rotation from link k + 1's coordinates to
// the base's (row-major) and o its origin in base coordinates.
//   o_k = o_{k-1} + R_{k-1} (a, d sinα, -d cosα),   R_k = R_{k-1} Rx(α) Rz(θ_k)
template <typename F>
void WalkFrames(const ChainModel& model, const double* angles, F&& f) {
  double R[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double o[3] = {0.0, 0.0, 0.0};
  for (int k = 0; k < model.linkCount; ++k) {
    const LinkParameters& L = model.links[k];
    const double r[3] = {L.a, L.d * L.sinAlpha, -L.d * L.cosAlpha};
    for (int i = 0; i < 3; ++i) o[i] += R[i][0] * r[0] + R[i][1] * r[1] + R[i][2] * r[2];
    double s, c;
    SineAndCosineOf(model, angles[k], s, c);
    const double sa = L.sinAlpha, ca = L.cosAlpha;
    // E = Rx(α) Rz(θ)
    const double E[3][3] = {{c, -s, 0.0}, {ca * s, ca * c, -sa}, {sa * s, sa * c, ca}};
    double next[3][3];
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        next[i][j] = R[i][0] * E[0][j] + R[i][1] * E[1][j] + R[i][2] * E[2][j];
      }
    }
    std::memcpy(R, next, sizeof R);
    f(k, R, o);
  }
}

// The lanes of one width: the Heun or the rk4 step.
template <int W>
void StepPacks(StepMethod method, const ChainModel& model, unsigned char* storage, double h,
               double friction, BatchTorques torques, double* momenta, double* angles,
               int chainCount) {
  if (method == StepMethod::Rk4) {
    Rk4ChainsInLanesAtWidth<W>(model, storage, h, friction, torques, momenta, angles, chainCount);
  } else {
    StepChainsInLanesAtWidth<W>(model, storage, h, friction, torques, momenta, angles, chainCount);
  }
}

}  // namespace

std::size_t LaneBytes(int width, int links) {
  return AtLaneWidth(width,
                     [&](auto unit) { return LaneBatchBytes<decltype(unit)::value>(links); });
}

void StepInLanes(StepMethod method, const ChainModel& model, unsigned char* storage, double h,
                 double friction, BatchTorques torques, double* momenta, double* angles,
                 int chainCount) {
  return AtLaneWidth(model.laneWidth, [&](auto unit) {
    return StepPacks<decltype(unit)::value>(method, model, storage, h, friction, torques, momenta,
                                            angles, chainCount);
  });
}

void AlignedBlockFree::operator()(unsigned char* block) const {
  ::operator delete (block, std::align_val_t{LinkArena::Alignment});
}

AlignedBlock MakeAlignedBlock(std::size_t bytes) {
  auto* block =
      static_cast<unsigned char*>(::operator new (bytes, std::align_val_t{LinkArena::Alignment}));
  std::memset(block, 0, bytes);
  return AlignedBlock(block);
}

const SineTable& SharedSineTable() {
  static const SineTable table = [] {
    SineTable built{nullptr, 0.0, 0};
    BuildSineTable(built, SineTableSize);
    return built;
  }();
  return table;
}

Chain::Chain(const ChainDescription& description) {
  auto model = std::make_shared<Model>();
  model->links = ValidatedLinks(description);
  model->description = description;
  ChainModel& m = model->chain;
  m.baseVelocity = SpatialVector{{0.0, 0.0, 0.0, 0.0, 0.0, 0.0}};
  m.gravity = SpatialVector{
      {description.gravity[0], description.gravity[1], description.gravity[2], 0.0, 0.0, 0.0}};
  m.links = model->links.data();
  m.linkCount = static_cast<int>(model->links.size());
  const bool table = description.trigonometry == Trigonometry::Table;
  m.sines = table ? SineSource::Table : SineSource::Library;
  m.sineTable = table ? &SharedSineTable() : nullptr;
  m.shape = ClassifyChainModel(m);
  m.laneWidth = m.shape == ModelShape::InPlane ? WidestLaneWidth() : 1;
  model_ = std::move(model);
}

Chain Chain::Program() {
  ChainDescription description;
  description.links.assign(ProgramLinkCount, ProgramLink());
  return Chain(description);
}

int Chain::linkCount() const {
  return model_->chain.linkCount;
}

const ChainDescription& Chain::description() const {
  return model_->description;
}

bool Chain::inPlane() const {
  return model_->chain.shape == ModelShape::InPlane;
}

int Chain::batchWidth() const {
  return model_->chain.laneWidth;
}

const pendula::Model& Chain::tree() const {
  const Model& model = *model_;
  std::call_once(model.treeBuilt, [&model] {
    model.tree = std::make_shared<const pendula::Model>(TreeOfChain(model.description));
  });
  return *model.tree;
}

ChainWorkspace::ChainWorkspace(const Chain& chain)
    : storage_(std::make_unique<Storage>(chain.linkCount())) {
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  Storage& s = *storage_;
  s.linkCount = model.linkCount;
  s.shape = model.shape;
  s.laneWidth = model.laneWidth;
  const std::size_t oneChainBytes = WithAlgebraOf(model, [&](auto algebra) {
    OneChainData<decltype(algebra)> data;
    return BindOneChain(data, LinkBytes{model.linkCount});
  });
  s.oneChain = MakeAlignedBlock(oneChainBytes);
  WithAlgebraOf(model, [&](auto algebra) {
    BindOneChain(OneChainDataIn(algebra, s), LinkArena{s.oneChain.get(), model.linkCount});
  });
  if (model.shape == ModelShape::InPlane) {
    s.lanes = MakeAlignedBlock(LaneBytes(model.laneWidth, model.linkCount));
  }
}

ChainWorkspace::~ChainWorkspace() = default;
ChainWorkspace::ChainWorkspace(ChainWorkspace&&) noexcept = default;
ChainWorkspace& ChainWorkspace::operator=(ChainWorkspace&&) noexcept = default;

void MomentumInitialisation(const Chain& chain, ChainWorkspace& workspace, double* momenta,
                            const double* angles, const double* jointRates) {
  ChainWorkspace::Storage& storage = StorageFor(chain, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(angles, "angles");
  RequireArray(jointRates, "jointRates");
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  WithAlgebraOf(model, [&](auto algebra) {
    auto& data = OneChainDataIn(algebra, storage);
    MomentumInitialisation(model, data.evaluation, momenta, angles, jointRates);
  });
}

void ForwardDynamics(const Chain& chain, ChainWorkspace& workspace, const double* momenta,
                     const double* angles, double* momentumRates, double* jointRates,
                     double friction, const double* torques) {
  ChainWorkspace::Storage& storage = StorageFor(chain, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(angles, "angles");
  RequireArray(momentumRates, "momentumRates");
  RequireArray(jointRates, "jointRates");
  RequireFriction(friction);
  RequireFiniteTorques(torques, chain.linkCount());
  ForwardDynamicsChecked(chain, storage, momenta, angles, momentumRates, jointRates, friction,
                         torques);
}

void ForwardDynamicsChecked(const Chain& chain, ChainWorkspace::Storage& storage,
                            const double* momenta, const double* angles, double* momentumRates,
                            double* jointRates, double friction, const double* torques) {
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  WithAlgebraOf(model, [&](auto algebra) {
    auto& data = OneChainDataIn(algebra, storage);
    SetJointTorques(storage, data.evaluation.appliedTorque, torques);
    ForwardDynamics(model, data.evaluation, PerJoint(friction), momenta, angles, momentumRates,
                    jointRates);
  });
}

void HeunStep(const Chain& chain, ChainWorkspace& workspace, double* momenta, double* angles,
              double h, double friction, const double* torques) {
  Step(chain, workspace, momenta, angles, h, StepMethod::Heun, friction, torques);
}

void StepChains(const Chain& chain, ChainWorkspace& workspace, double* momenta, double* angles,
                int chainCount, double h, double friction, JointTorques torques) {
  StepChains(chain, workspace, momenta, angles, chainCount, h, StepMethod::Heun, friction, torques);
}

double Energy(const Chain& chain, ChainWorkspace& workspace, const double* momenta,
              const double* angles) {
  ChainWorkspace::Storage& storage = StorageFor(chain, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(angles, "angles");
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  const int n = model.linkCount;
  double kinetic = 0.0;
  WithAlgebraOf(model, [&](auto algebra) {
    auto& data = OneChainDataIn(algebra, storage);
    SetJointTorques(storage, data.evaluation.appliedTorque, nullptr);
    ForwardDynamics(model, data.evaluation, PerJoint(0.0), momenta, angles, data.step.pdot1,
                    data.step.qdot1);
    for (int k = 0; k < n; ++k) kinetic += 0.5 * momenta[k] * data.step.qdot1[k];
  });
  // V = -Σ m_k gᵀ r_k, r_k the centre of mass of link k in base coordinates.
  double potential = 0.0;
  const double* g = model.gravity.v;
  WalkFrames(model, angles, [&](int k, const double(&R)[3][3], const double(&o)[3]) {
    const LinkParameters& L = model.links[k];
    double height = 0.0;  // gᵀ r_k
    for (int i = 0; i < 3; ++i) {
      const double r = o[i] + R[i][0] * L.centreOfMass[0] + R[i][1] * L.centreOfMass[1] +
                       R[i][2] * L.centreOfMass[2];
      height += g[i] * r;
    }
    potential -= L.mass * height;
  });
  return kinetic + potential;
}

void FrameOrigins(const Chain& chain, const double* angles, double* origins) {
  RequireArray(angles, "angles");
  RequireArray(origins, "origins");
  WalkFrames(ChainAccess::ModelOf(chain).chain, angles,
             [&](int k, const double(&)[3][3], const double(&o)[3]) {
               for (int i = 0; i < 3; ++i) origins[3 * k + i] = o[i];
             });
}

double TableSine(double x) {
  return SineFromTable(SharedSineTable(), x);
}

double TableCosine(double x) {
  return CosineFromTable(SharedSineTable(), x);
}

}  // namespace pendula
