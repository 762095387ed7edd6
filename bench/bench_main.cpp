// pendula_bench: Google Benchmark's usual command line and table, followed, when MuJoCo is built
// in, by how many times faster one ForwardDynamics evaluation is than one mj_forward on the same
// chain and states, both figures taken from this run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* PendulaEvaluation = "ForwardDynamics";
constexpr const char* MuJoCoEvaluation = "MuJoCo/mj_forward";

// Seconds of CPU time per iteration, median over repetitions when there are several.
struct PerEvaluationTimes {
  double pendula = 0.0;
  double mujoco = 0.0;
};

// The console table as usual, remembering the two per-evaluation times on the way: the median
// aggregate when repetitions are asked for, the single run otherwise.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(PerEvaluationTimes& times)
      : benchmark::ConsoleReporter(OO_Tabular), times_(times) {}

  void ReportRuns(const std::vector<Run>& reports) override {
    for (const Run& run : reports) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if ((!median && !single) || run.error_occurred || run.iterations == 0) continue;
      const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
      const std::string name = run.run_name.str();
      if (name == PendulaEvaluation) times_.pendula = seconds;
      if (name == MuJoCoEvaluation) times_.mujoco = seconds;
    }
    benchmark::ConsoleReporter::ReportRuns(reports);
  }

 private:
  PerEvaluationTimes& times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  PerEvaluationTimes times;
  RatioReporter reporter(times);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
#ifdef PENDULA_HAVE_MUJOCO
  if (times.pendula > 0.0 && times.mujoco > 0.0) {
    std::printf("mj_forward / ForwardDynamics, CPU time per evaluation: %.1f ns / %.1f ns = %.2f\n",
                times.mujoco * 1e9, times.pendula * 1e9, times.mujoco / times.pendula);
  }
#else
  std::printf("Built without MuJoCo: no side-by-side comparison.\n");
#endif
  return 0;
}
