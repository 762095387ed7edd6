// MultiplyThroughput/<lanes>: the time of one packed multiplication of 2, 4 or 8 doubles (SSE2,
// AVX2, AVX-512F registers) when twelve independent chains of them keep the units busy, so that
// latency does not count: the arithmetic bound of the lane widths on this CPU, for the limit
// analysis in docs/performance.md. Each iteration is 1,200 multiplications.
#include <benchmark/benchmark.h>

#include "dynamics/lanes/lane_widths.h"
#include "dynamics/lanes/lanes.h"

namespace pendula {
namespace bench {
namespace {

constexpr int Chains = 12;
constexpr int Rounds = 100;

// `rounds` rounds of twelve accumulators multiplied in turn, each its own variable and kept in
// a register by the empty asm that claims to change it, so that the compiler can neither fold
// nor reorder the chains away; returns a lane of their sum so that nothing is dead.
#define PENDULA_MULTIPLY_ROUNDS(W)                                                                 \
  LanePack<(W)> f;                                                                                 \
  for (int lane = 0; lane < (W); ++lane) f[lane] = 0.9999999999;                                   \
  LanePack<(W)> x0 = f + 1, x1 = f + 2, x2 = f + 3, x3 = f + 4, x4 = f + 5, x5 = f + 6;            \
  LanePack<(W)> x6 = f + 7, x7 = f + 8, x8 = f + 9, x9 = f + 10, x10 = f + 11, x11 = f + 12;       \
  for (long long round = 0; round < rounds; ++round) {                                             \
    x0 = x0 * f, x1 = x1 * f, x2 = x2 * f, x3 = x3 * f, x4 = x4 * f, x5 = x5 * f;                  \
    x6 = x6 * f, x7 = x7 * f, x8 = x8 * f, x9 = x9 * f, x10 = x10 * f, x11 = x11 * f;              \
    asm volatile(""                                                                                \
                 : "+x"(x0), "+x"(x1), "+x"(x2), "+x"(x3), "+x"(x4), "+x"(x5), "+x"(x6), "+x"(x7), \
                   "+x"(x8), "+x"(x9), "+x"(x10), "+x"(x11));                                      \
  }                                                                                                \
  const LanePack<(W)> sum =                                                                        \
      ((x0 + x1) + (x2 + x3)) + ((x4 + x5) + (x6 + x7)) + ((x8 + x9) + (x10 + x11));               \
  return sum[0];

__attribute__((noinline)) double Multiply2(long long rounds) {
  PENDULA_MULTIPLY_ROUNDS(2)
}
__attribute__((noinline, target("avx2"))) double Multiply4(long long rounds) {
  PENDULA_MULTIPLY_ROUNDS(4)
}
__attribute__((noinline, target("avx512f"))) double Multiply8(long long rounds) {
  PENDULA_MULTIPLY_ROUNDS(8)
}

template <int W, double (*Multiply)(long long)>
void MultiplyThroughput(benchmark::State& state) {
  if (!LaneWidthAvailable(W)) {
    state.SkipWithError("this CPU lacks the registers of this width");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Multiply(Rounds));
  state.counters["per_multiplication"] = benchmark::Counter(
      static_cast<double>(Chains) * Rounds * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(MultiplyThroughput<2, Multiply2>)->Name("MultiplyThroughput/2");
BENCHMARK(MultiplyThroughput<4, Multiply4>)->Name("MultiplyThroughput/4");
BENCHMARK(MultiplyThroughput<8, Multiply8>)->Name("MultiplyThroughput/8");

}  // namespace
}  // namespace bench
}  // namespace pendula
