// The robots that pendula's peers are benchmarked on, each as pendula reads it and as a URDF file.
#pragma once

#include <string>
#include <vector>

#include "pendula/model.h"

namespace pendula {
namespace bench {

struct BenchRobot {
  std::string name;              // the benchmark's last part, as in model_bench.cpp
  ModelDescription description;  // pendula's: its joint names and count order the states
  std::string file;              // the URDF file; empty for a tree written from `description`
};

// WAM and Atlas v3 from Debian's dart-doc, those whose files are installed, and
// random_tree_1000, the very tree of model_bench.cpp's benchmark of that name.
std::vector<BenchRobot> BenchRobots();

// The robot's URDF file while this lives: the installed one, or the tree written into the
// temporary folder under a name of this process's own, and removed again.
class RobotFile {
 public:
  explicit RobotFile(const BenchRobot& robot);
  ~RobotFile();
  RobotFile(const RobotFile&) = delete;
  RobotFile& operator=(const RobotFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool written_ = false;
};

}  // namespace bench
}  // namespace pendula
