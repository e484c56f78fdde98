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

#include "conflicts.h"

namespace {

constexpr std::uint32_t kSeed = 20240601;
constexpr std::int64_t kCommand = 0x100000;
constexpr std::array<std::int64_t, 6> kChords = {0x100000, 0x120000, 0x180000, 0x140000, 0x1A0000, 0x80000};
constexpr int kPlainKeyPercent = 15;
constexpr int kContextPercent = 5;
constexpr const char* kKeys = "abcdefghijklmnopqrstuvwxyz0123456789,.;[]";

qor::DictionaryRef keyStroke(const std::string& key, std::int64_t mask) {
  return qor::Dictionary::make({{qor::kStrokeUnicharKey, qor::integer(key[0])},
                                {qor::kStrokeKeyKey, qor::str(key)},
                                {qor::kStrokeModifiersKey, qor::integer(mask)}});
}

qor::DictionaryRef makeGroup(std::size_t bindings) {
  std::mt19937 random(kSeed);
  const std::string keys = kKeys;
  std::uniform_int_distribution<std::size_t> keyIndex(0, keys.size() - 1);
  std::uniform_int_distribution<std::size_t> chordIndex(0, kChords.size() - 1);
  std::uniform_int_distribution<int> percent(0, 99);
  auto group = qor::MutableDictionary::make();
  for (std::size_t i = 0; i < bindings; ++i) {
    std::string key(1, keys[keyIndex(random)]);
    std::vector<qor::Ref> strokes;
    if (percent(random) < kPlainKeyPercent) {
      strokes.push_back(keyStroke(key, 0));
    } else {
      std::int64_t mask = kChords[chordIndex(random)];
      strokes.push_back(qor::Dictionary::make({{qor::kStrokeModifiersKey, qor::integer(mask)}}));
      strokes.push_back(keyStroke(key, mask));
    }
    auto entry = qor::MutableDictionary::make(
        {{qor::kKeySequencesKey, qor::Array::make({qor::Array::make(std::move(strokes))})},
         {qor::kEntryTitleKey, qor::str("Command " + std::to_string(i))}});
    if (percent(random) < kContextPercent) entry->setObjectForKey(qor::str("text"), qor::kEntryContextKey);
    group->setObjectForKey(entry, "[command" + std::to_string(i) + ":] [] [0]");
  }
  return group;
}

// Command-S as the configurator captures it.
qor::ArrayRef capturedCommandS() {
  return qor::Array::make({qor::Dictionary::make({{qor::kStrokeModifiersKey, qor::integer(kCommand)}}),
                           qor::Dictionary::make({{qor::kStrokeKeyKey, qor::str("s")},
                                                  {qor::kStrokeUnicharKey, qor::integer('s')},
                                                  {qor::kStrokeCodeKey, qor::integer(1)},
                                                  {qor::kStrokeModifiersKey, qor::integer(kCommand)}})});
}

void BM_ConflictSearch(benchmark::State& state) {
  const auto group = makeGroup(static_cast<std::size_t>(state.range(0)));
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
