// Atlas v3 hangs from its pelvis, fixed in space, and falls with its motors off: the robot as its
// URDF file describes it (27 moving joints; fixed joints merged; joint damping from the file),
// integrated for 2 s by the adaptive Dormand–Prince pair with the exact sines. Every 0.25 s it
// prints the energy, which the joints' damping only takes away, and where the feet are.
//
// The file is Debian's dart-doc copy unless another is given:
//   build/examples/hanging_atlas [path/to/atlas_v3_no_head.urdf]
#include <pendula/model.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

const char* const DefaultFile = "/usr/share/doc/dart/data/sdf/atlas/atlas_v3_no_head.urdf";
constexpr double Duration = 2.0;  // seconds
constexpr int Reports = 8;

int JointNamed(const pendula::Model& model, const std::string& name) {
  const std::vector<pendula::Joint>& joints = model.description().joints;
  for (std::size_t i = 0; i < joints.size(); ++i) {
    if (joints[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string file = argc > 1 ? argv[1] : DefaultFile;
  try {
    const pendula::Model atlas(pendula::LoadUrdf(file));
    pendula::ModelWorkspace workspace(atlas);
    const int n = atlas.jointCount();
    std::printf("model %s: %d joints\n", atlas.description().name.c_str(), n);
    std::vector<double> p(n, 0.0), q(n, 0.0), origins(3 * static_cast<std::size_t>(n));
    // The left leg's last joint moves the foot.
    const int ankle = JointNamed(atlas, "l_leg_akx");
    std::printf("%6s %14s %28s\n", "t (s)", "energy (J)", "left ankle (x, y, z) (m)");
    double t = 0.0;
    for (int report = 0; report <= Reports; ++report) {
      if (report > 0) {
        const pendula::IntegrationStatistics s =
            pendula::Integrate(atlas, workspace, p.data(), q.data(), Duration / Reports);
        if (!s.completed) {
          std::fprintf(stderr, "hanging_atlas: the integration stopped at %g s\n", t + s.time);
          return 1;
        }
        t += s.time;
      }
      pendula::FrameOrigins(atlas, workspace, q.data(), origins.data());
      const double* foot = &origins[3 * static_cast<std::size_t>(ankle >= 0 ? ankle : n - 1)];
      std::printf("%6.2f %14.6f   (%7.4f, %7.4f, %7.4f)\n", t,
                  pendula::Energy(atlas, workspace, p.data(), q.data()), foot[0], foot[1], foot[2]);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "hanging_atlas: %s\n", e.what());
    return 1;
  }
  return 0;
}
