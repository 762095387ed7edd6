#include "bench/peers/bench_robots.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "bench/peers/urdf_of_tree.h"
#include "tests/support/random_tree.h"

namespace pendula {
namespace bench {

std::vector<BenchRobot> BenchRobots() {
  const std::string folder = "/usr/share/doc/dart/data/";
  std::vector<BenchRobot> robots;
  for (const auto& [name, file] : {std::pair<std::string, std::string>{"wam", "urdf/wam/wam.urdf"},
                                   {"atlas", "sdf/atlas/atlas_v3_no_head.urdf"}}) {
    if (std::ifstream(folder + file).good()) {
      robots.push_back({name, LoadUrdf(folder + file), folder + file});
    }
  }
  robots.push_back({"random_tree_1000", testing::RandomTree(1000, 1000), ""});
  return robots;
}

RobotFile::RobotFile(const BenchRobot& robot) : path_(robot.file) {
  if (!path_.empty()) return;
  path_ = (std::filesystem::temp_directory_path() /
           ("pendula_bench_" + std::to_string(getpid()) + "_" + robot.name + ".urdf"))
              .string();
  std::ofstream out(path_);
  out << UrdfOfTree(robot.description);
  out.close();
  written_ = true;
  if (!out) {
    std::remove(path_.c_str());
    throw std::runtime_error("cannot write " + path_);
  }
}

RobotFile::~RobotFile() {
  if (written_) std::remove(path_.c_str());
}

}  // namespace bench
}  // namespace pendula
