#include "tests/peers/robots.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

#include "tests/peers/random_urdf.h"

namespace pendula {
namespace peers {
namespace {

constexpr char DartRobots[] = "/usr/share/doc/dart/data/";

double Uniform(std::mt19937_64& generator, double lo, double hi) {
  const double unit = static_cast<double>(generator() >> 11) * 0x1.0p-53;
  return lo + (hi - lo) * unit;
}

}  // namespace

std::vector<Robot> Robots() {
  std::vector<Robot> robots = {
      {"Wam", std::string(DartRobots) + "urdf/wam/wam.urdf", 0},
      {"AtlasV3", std::string(DartRobots) + "sdf/atlas/atlas_v3_no_head.urdf", 0},
  };
  for (int k = 1; k <= RandomTreeCount; ++k) {
    robots.push_back({"RandomTree" + std::to_string(k), "", static_cast<std::uint64_t>(k)});
  }
  return robots;
}

void PrintTo(const Robot& robot, std::ostream* out) {
  *out << robot.name;
}

std::string RobotFile(const Robot& robot) {
  if (!robot.file.empty()) return std::ifstream(robot.file) ? robot.file : std::string();
  std::string path = ::testing::TempDir() + "pendula_peers_" + std::to_string(getpid()) + "_" +
                     robot.name + ".urdf";
  WriteRandomTreeUrdf(path, robot.seed);
  return path;
}

std::vector<State> RandomStates(int joints, int count, std::uint64_t seed) {
  constexpr double Pi = 3.141592653589793;
  std::mt19937_64 generator(seed);
  std::vector<State> states(count);
  for (State& s : states) {
    for (int i = 0; i < joints; ++i) {
      s.positions.push_back(Uniform(generator, -Pi, Pi));
      s.rates.push_back(Uniform(generator, -2.0, 2.0));
    }
  }
  return states;
}

double RelativeDifference(const Vector& x, const Vector& reference) {
  double difference = 0.0, size = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    difference += (x[i] - reference[i]) * (x[i] - reference[i]);
    size += reference[i] * reference[i];
  }
  return std::sqrt(difference / size);
}

void KeepLargest(Differences& worst, const Differences& d) {
  worst.massMatrix = std::max(worst.massMatrix, d.massMatrix);
  worst.momenta = std::max(worst.momenta, d.momenta);
  worst.accelerations = std::max(worst.accelerations, d.accelerations);
  worst.energy = std::max(worst.energy, d.energy);
}

double EnergyDifference(double energy, const PeerDynamics& reference) {
  return std::fabs(energy - reference.kinetic - reference.potential) /
         (std::fabs(reference.kinetic) + std::fabs(reference.potential));
}

void Report(const std::string& robot, const std::string& who, const Differences& d) {
  std::printf("%-12s %-16s M %.1e  p %.1e  q'' %.1e  E %.1e\n", robot.c_str(), who.c_str(),
              d.massMatrix, d.momenta, d.accelerations, d.energy);
}

}  // namespace peers
}  // namespace pendula
