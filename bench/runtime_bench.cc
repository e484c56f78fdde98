// The process-wide generator against the standard library's MT19937, both
// producing the same sequence, in the same run: one output per iteration, and
// blocks of outputs written to a buffer (where the call itself costs least).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>

#include "qor/runtime.h"

namespace {

constexpr std::uint32_t kSeed = 5489;
constexpr std::size_t kBlock = 1024;

void BM_SuperRandom(benchmark::State& state) {
  qor::super_random_init(kSeed);
  for (auto _ : state) benchmark::DoNotOptimize(qor::super_random());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SuperRandom);

void BM_StdMt19937(benchmark::State& state) {
  std::mt19937 generator(kSeed);
  for (auto _ : state) benchmark::DoNotOptimize(generator());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdMt19937);

void BM_SuperRandomBlock(benchmark::State& state) {
  qor::super_random_init(kSeed);
  std::array<std::uint32_t, kBlock> buffer{};
  for (auto _ : state) {
    for (auto& word : buffer) word = qor::super_random();
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBlock));
}
BENCHMARK(BM_SuperRandomBlock);

void BM_StdMt19937Block(benchmark::State& state) {
  std::mt19937 generator(kSeed);
  std::array<std::uint32_t, kBlock> buffer{};
  for (auto _ : state) {
    for (auto& word : buffer) word = static_cast<std::uint32_t>(generator());
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBlock));
}
BENCHMARK(BM_StdMt19937Block);

}  // namespace

BENCHMARK_MAIN();
