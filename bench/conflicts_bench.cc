// The conflict search that runs after every key press in the key configurator,
// over groups of 1,200 and 12,000 bindings (the size of a large editor's
// default keymap, and ten times that). Target: under 0.05 ms per search at
// 1,200 bindings, growing linearly. 3,000 and 6,000 show where the group
// outgrows the core's L2 cache: the time per binding steps up once there,
// then stays flat.
//
// Each entry holds one sequence in the stored form: a chord is a
// modifier-only stroke and a key stroke, a plain key one stroke. Keys,
// modifiers and chord/plain mix come from std::mt19937 with a fixed seed.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "qor/pane_model/conflicts.h"
#include "random_group.h"

namespace {

constexpr std::int64_t kCommand = 0x100000;

// Command-S as the configurator captures it.
qor::ArrayRef capturedCommandS() {
  return qor::Array::make({qor::Dictionary::make({{qor::kStrokeModifiersKey, qor::integer(kCommand)}}),
                           qor::Dictionary::make({{qor::kStrokeKeyKey, qor::str("s")},
                                                  {qor::kStrokeUnicharKey, qor::integer('s')},
                                                  {qor::kStrokeCodeKey, qor::integer(1)},
                                                  {qor::kStrokeModifiersKey, qor::integer(kCommand)}})});
}

void BM_ConflictSearch(benchmark::State& state) {
  const auto group = qor::bench::randomGroup(static_cast<std::size_t>(state.range(0)));
  const auto captured = capturedCommandS();
  std::size_t found = 0;
  for (auto _ : state) {
    auto conflicts = qor::conflictingEntryKeys(group, *captured, nullptr);
    found = conflicts.size();
    benchmark::DoNotOptimize(conflicts.data());
  }
  state.counters["conflicts"] = static_cast<double>(found);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ConflictSearch)->Arg(1200)->Arg(3000)->Arg(6000)->Arg(12000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
