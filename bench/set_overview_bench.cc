// The two overviews of a whole set: every conflict of a group (the "All
// Conflicts" list, `keybindings conflicts --all`) over 12,000 bindings, and
// the search field's title filter over 1,200 commands, one keystroke at a
// time. Targets: all conflicts under 10 ms at 12,000 bindings; the filter
// under 1 ms per keystroke at 1,200 commands.
//
// Baselines in the same run:
//   BM_TouchEveryStroke    reads the key and modifiers of every stored stroke
//                          once: the floor of anything that looks at all
//                          bindings.
//   BM_OneSearchPerBinding the plain way to list every conflict, one
//                          conflict search per binding (quadratic), at the
//                          sizes it can afford.
//   BM_PlainFind           std::string::find of the raw query in the raw
//                          titles: no folding at all.
// Groups are random with a fixed seed, as in conflicts_bench: 41 keys, six
// chords and plain keys, so that 12,000 bindings share few sequences and the
// list of conflicts is long (a worst case; a real set has a handful).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "qor/pane_model/command_search.h"
#include "qor/pane_model/conflicts.h"
#include "random_group.h"

namespace {

constexpr std::uint32_t kSeed = qor::bench::kRandomGroupSeed;
constexpr std::int64_t kLargeGroup = 12000;
constexpr std::int64_t kSmallGroup = 1200;
constexpr std::int64_t kCommandCount = 1200;
constexpr std::size_t kWordsPerTitle = 3;

void BM_AllConflicts(benchmark::State& state) {
  const auto group = qor::bench::randomGroup(static_cast<std::size_t>(state.range(0)));
  std::size_t found = 0;
  for (auto _ : state) {
    auto conflicts = qor::allConflicts(group);
    found = conflicts.size();
    benchmark::DoNotOptimize(conflicts.data());
  }
  state.counters["conflicts"] = static_cast<double>(found);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AllConflicts)->Arg(kSmallGroup)->Arg(kLargeGroup)->Unit(benchmark::kMillisecond);

void BM_TouchEveryStroke(benchmark::State& state) {
  const auto group = qor::bench::randomGroup(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::size_t sum = 0;
    for (const auto& [key, value] : group->entries()) {
      auto entry = qor::asDictionary(value);
      for (const qor::Ref& sequence : entry->arrayForKey(qor::kKeySequencesKey)->elements())
        for (const qor::Ref& stroke : qor::asArray(sequence)->elements()) {
          auto fields = qor::asDictionary(stroke);
          auto text = fields->stringForKey(qor::kStrokeKeyKey);
          sum += (text ? text->value().size() : 0) +
                 static_cast<std::size_t>(fields->numberForKey(qor::kStrokeModifiersKey)->integerValue());
        }
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_TouchEveryStroke)->Arg(kSmallGroup)->Arg(kLargeGroup)->Unit(benchmark::kMillisecond);

void BM_OneSearchPerBinding(benchmark::State& state) {
  const auto group = qor::bench::randomGroup(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::size_t found = 0;
    for (const auto& [key, value] : group->entries()) {
      auto entry = qor::asDictionary(value);
      for (const qor::Ref& sequence : entry->arrayForKey(qor::kKeySequencesKey)->elements())
        found += qor::conflictingEntryKeys(group, *qor::asArray(sequence), entry->objectForKey(qor::kEntryContextKey))
                     .size() > 1;
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_OneSearchPerBinding)->Arg(kSmallGroup)->Unit(benchmark::kMillisecond);

// Titles of three words from a vocabulary with accents, capitals and an
// ellipsis, like the commands of a localized editor.
std::vector<std::string> makeTitles(std::size_t count) {
  static const std::array<const char*, 16> kWords = {
      "Save", "Édition", "Sélection", "Word", "Forward", "Paragraph", "Insérer", "Tableau",
      "Move", "Delete", "Straße", "Größe", "Find…", "Replace", "Zoom", "Ligne"};
  std::mt19937 random(kSeed);
  std::uniform_int_distribution<std::size_t> word(0, kWords.size() - 1);
  std::vector<std::string> titles;
  for (std::size_t i = 0; i < count; ++i) {
    std::string title;
    for (std::size_t w = 0; w < kWordsPerTitle; ++w) title += std::string(w ? " " : "") + kWords[word(random)];
    titles.push_back(title);
  }
  return titles;
}

// The keystrokes of typing "sélec": each prefix is one filtering.
const std::array<const char*, 5> kTyped = {"s", "sé", "sél", "séle", "sélec"};

void BM_TitleFilterPerKeystroke(benchmark::State& state) {
  const qor::TitleSearch search(makeTitles(static_cast<std::size_t>(state.range(0))));
  std::size_t keystroke = 0;
  for (auto _ : state) {
    auto found = search.matching(kTyped[keystroke++ % kTyped.size()]);
    benchmark::DoNotOptimize(found.data());
  }
}
BENCHMARK(BM_TitleFilterPerKeystroke)->Arg(kCommandCount)->Unit(benchmark::kMicrosecond);

void BM_PlainFind(benchmark::State& state) {
  const std::vector<std::string> titles = makeTitles(static_cast<std::size_t>(state.range(0)));
  std::size_t keystroke = 0;
  for (auto _ : state) {
    std::string query = kTyped[keystroke++ % kTyped.size()];
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < titles.size(); ++i)
      if (titles[i].find(query) != std::string::npos) found.push_back(i);
    benchmark::DoNotOptimize(found.data());
  }
}
BENCHMARK(BM_PlainFind)->Arg(kCommandCount)->Unit(benchmark::kMicrosecond);

// Folding every title once, when the search field gets the outline.
void BM_TitleIndex(benchmark::State& state) {
  const std::vector<std::string> titles = makeTitles(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    qor::TitleSearch search(titles);
    benchmark::DoNotOptimize(search.size());
  }
}
BENCHMARK(BM_TitleIndex)->Arg(kCommandCount)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
