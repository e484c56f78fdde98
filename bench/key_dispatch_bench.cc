// One key press through the editor's dispatcher of key sequences, at 12,000
// bindings. Target: under 20 us per press.
//
// Baseline in the same run:
//   BM_PressLinearScan  the plain way: each press compares the strokes so far
//                       with every binding. It only finds whether a binding
//                       matches or goes on, never the continuations the
//                       dispatcher lists, so it is the floor of any scan.
//
// Bindings are random sequences of one to three chords over 100 keys and the
// 16 combinations of the four modifiers, from std::mt19937 with a fixed seed
// (a sequence drawn twice stays, as a shared one). The presses repeat one
// script: the chords of a random binding, or a random chord, half and half,
// so that they run, wait, pass through and cancel.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "qor/pane_model/key_dispatch.h"

namespace {

constexpr std::uint32_t kSeed = 20261208;
constexpr std::int64_t kBindingCount = 12000;
constexpr std::size_t kScriptPresses = 4096;
constexpr std::size_t kMaxChords = 3;
constexpr std::uint32_t kModifierCombinations = 16;
constexpr int kModifierShift = 17;  // the four modifier bits start at 0x20000
// Printable ASCII from the space to the tilde (95 keys), and five control keys.
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';
constexpr const char* kControlKeys = "\t\r\x1b\x7f\x08";

struct Fixture {
  std::vector<qor::DispatchBinding> bindings;
  std::vector<qor::KeyChord> script;
};

Fixture makeFixture(std::size_t bindingCount) {
  std::vector<std::string> keys;
  for (char c = kFirstPrintable; c <= kLastPrintable; ++c) keys.emplace_back(1, c);
  for (const char* c = kControlKeys; *c; ++c) keys.emplace_back(1, *c);
  std::mt19937 random(kSeed);
  std::uniform_int_distribution<std::size_t> keyIndex(0, keys.size() - 1);
  std::uniform_int_distribution<std::uint32_t> modifierIndex(0, kModifierCombinations - 1);
  std::uniform_int_distribution<std::size_t> chordCount(1, kMaxChords);
  std::bernoulli_distribution fromBinding(0.5);
  auto randomChord = [&] { return qor::KeyChord{keys[keyIndex(random)], modifierIndex(random) << kModifierShift}; };

  Fixture fixture;
  for (std::size_t i = 0; i < bindingCount; ++i) {
    std::vector<qor::KeyChord> chords(chordCount(random));
    std::generate(chords.begin(), chords.end(), randomChord);
    std::string name = "command" + std::to_string(i);
    fixture.bindings.push_back({{"menu", name, name}, std::move(chords)});
  }
  std::uniform_int_distribution<std::size_t> bindingIndex(0, bindingCount - 1);
  while (fixture.script.size() < kScriptPresses) {
    if (!fromBinding(random)) {
      fixture.script.push_back(randomChord());
      continue;
    }
    const auto& chords = fixture.bindings[bindingIndex(random)].chords;
    fixture.script.insert(fixture.script.end(), chords.begin(), chords.end());
  }
  return fixture;
}

// The walk without a tree: the same answers as the dispatcher, but for the
// continuations, found by comparing the strokes so far with every binding.
class LinearDispatcher {
 public:
  explicit LinearDispatcher(const std::vector<qor::DispatchBinding>& bindings) : bindings_(bindings) {}

  qor::DispatchAction press(const qor::KeyChord& chord) {
    bool waiting = !strokes_.empty();
    if (waiting && chord == qor::kEscapeChord) return cancel(qor::DispatchAction::Cancelled);
    strokes_.push_back(chord);
    bool exact = false;
    bool longer = false;
    for (const auto& binding : bindings_) {
      if (binding.chords.size() < strokes_.size() ||
          !std::equal(strokes_.begin(), strokes_.end(), binding.chords.begin()))
        continue;
      (binding.chords.size() == strokes_.size() ? exact : longer) = true;
    }
    if (longer) return qor::DispatchAction::Wait;
    if (exact) return cancel(qor::DispatchAction::Run);
    return cancel(waiting ? qor::DispatchAction::Cancelled : qor::DispatchAction::PassThrough);
  }

 private:
  qor::DispatchAction cancel(qor::DispatchAction action) {
    strokes_.clear();
    return action;
  }
  const std::vector<qor::DispatchBinding>& bindings_;
  std::vector<qor::KeyChord> strokes_;
};

// One iteration is one press of the script, taken in turn.
template <typename Press>
void pressScript(benchmark::State& state, const Fixture& fixture, Press press) {
  std::size_t next = 0;
  std::size_t matched = 0;
  for (auto _ : state) {
    qor::DispatchAction action = press(fixture.script[next]);
    matched += action == qor::DispatchAction::Run || action == qor::DispatchAction::Wait ? 1 : 0;
    next = next + 1 == fixture.script.size() ? 0 : next + 1;
  }
  state.counters["matched_percent"] =
      state.iterations() ? 100.0 * static_cast<double>(matched) / static_cast<double>(state.iterations()) : 0;
}

void BM_PressDispatcher(benchmark::State& state) {
  const Fixture fixture = makeFixture(static_cast<std::size_t>(state.range(0)));
  const qor::KeySequenceTree tree(fixture.bindings);
  qor::KeyDispatcher dispatcher(tree);
  pressScript(state, fixture, [&](const qor::KeyChord& chord) {
    qor::DispatchStep step = dispatcher.press(chord);
    benchmark::DoNotOptimize(step.continuations.data());
    return step.action;
  });
  state.counters["shared_sequences"] = static_cast<double>(tree.sharedSequences().size());
}
BENCHMARK(BM_PressDispatcher)->Arg(kBindingCount)->Unit(benchmark::kMicrosecond);

void BM_PressLinearScan(benchmark::State& state) {
  const Fixture fixture = makeFixture(static_cast<std::size_t>(state.range(0)));
  LinearDispatcher dispatcher(fixture.bindings);
  pressScript(state, fixture, [&](const qor::KeyChord& chord) { return dispatcher.press(chord); });
}
BENCHMARK(BM_PressLinearScan)->Arg(kBindingCount)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
