// pendula_bench: Google Benchmark's usual command line and output (--benchmark_format,
// --benchmark_out and the rest behave as in any Google Benchmark program), followed, in the
// console format and when MuJoCo is built in, by how many times faster one ForwardDynamics
// evaluation is than one mj_forward on the same chain and states, both figures from this run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

#ifdef PENDULA_HAVE_MUJOCO
constexpr bool HaveMuJoCo = true;
#else
constexpr bool HaveMuJoCo = false;
#endif
#ifdef PENDULA_HAVE_BULLET
constexpr bool HaveBullet = true;
#else
constexpr bool HaveBullet = false;
#endif

constexpr const char* PendulaEvaluation = "ForwardDynamics";
constexpr const char* MuJoCoEvaluation = "MuJoCo/mj_forward";

// Seconds of CPU time per iteration, median over repetitions when there are several.
struct PerEvaluationTimes {
  double pendula = 0.0;
  double mujoco = 0.0;
};

// Hands everything to the reporter that --benchmark_format chose, remembering the two
// per-evaluation times on the way: the median aggregate when repetitions are asked for, the
// single run otherwise.
class TimeRecordingReporter : public benchmark::BenchmarkReporter {
 public:
  TimeRecordingReporter(benchmark::BenchmarkReporter& display, PerEvaluationTimes& times)
      : display_(display), times_(times) {}

  bool ReportContext(const Context& context) override { return display_.ReportContext(context); }

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
    display_.ReportRuns(reports);
  }

  void Finalize() override { display_.Finalize(); }

 private:
  benchmark::BenchmarkReporter& display_;
  PerEvaluationTimes& times_;
};

// A peer engine that was not found at configure time, said where the reader of the console
// table sees it, and on standard error in the other formats, whose standard output a program
// reads.
void SayMissing(const char* engine, bool console) {
  std::fprintf(console ? stdout : stderr, "Built without %s: no side-by-side comparison with it.\n",
               engine);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::BenchmarkReporter* display = benchmark::CreateDefaultDisplayReporter();
  if (display == nullptr) return 1;
  const bool console = dynamic_cast<benchmark::ConsoleReporter*>(display) != nullptr;
  PerEvaluationTimes times;
  TimeRecordingReporter reporter(*display, times);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (console && times.pendula > 0.0 && times.mujoco > 0.0) {
    std::printf("mj_forward / ForwardDynamics, CPU time per evaluation: %.1f ns / %.1f ns = %.2f\n",
                times.mujoco * 1e9, times.pendula * 1e9, times.mujoco / times.pendula);
  }
  if (!HaveMuJoCo) SayMissing("MuJoCo", console);
  if (!HaveBullet) SayMissing("Bullet", console);
  return 0;
}
