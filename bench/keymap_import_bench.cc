// The preview of another editor's keymap, next to reading the file alone in
// the same run:
//   BM_ReadKeymap     readForeignKeymap of a VS Code keybindings.json of
//                     3,000 entries (JSON with comments, keys to strokes)
//   BM_PreviewKeymap  the same reading, then importForeignKeymap over the
//                     host's default set: the new set, the commands that
//                     change, the conflicts and the entries left out, all
//                     the pane's preview shows
// The host is the shipped one (its main menu, its default set) and the
// mapping table the shipped KeymapCommands.plist. The keymap cycles through
// the table's VS Code commands with two-chord keys, one entry in five under
// a text-focus "when", one in seven an unknown command, one in eleven an
// unbinding. Target: BM_PreviewKeymap under 100 ms.
//
//   keymap_import_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "qor/bundle.h"
#include "qor/headless/menu.h"
#include "qor/host/default_set.h"
#include "qor/keymaps/foreign_keymap.h"
#include "qor/keymaps/keymap_import.h"
#include "qor/plist_file.h"

namespace {

constexpr int kEntries = 3000;
constexpr int kConditionEvery = 5;
constexpr int kUnknownEvery = 7;
constexpr int kUnbindingEvery = 11;
constexpr std::string_view kKeys = "abcdefghijklmnopqrstuvwxyz0123456789";
const std::vector<std::string> kModifiers{"ctrl+", "ctrl+shift+", "ctrl+alt+", "alt+shift+"};

struct Host {
  qor::DictionaryRef defaultSet;
  qor::DictionaryRef current;   // a set of the user's own: the default set under another name
  qor::DictionaryRef commands;  // the table's VS Code part
};

const Host& host() {
  static const Host shipped = [] {
    Host made;
    qor::Bundle hostBundle(QOR_HOST_RESOURCES_DIR);
    std::optional<std::string> menuPath = hostBundle.pathForResource(qor::kMainMenuResource);
    std::unique_ptr<qor::SimpleMenu> menu =
        menuPath ? qor::menuFromPropertyList(qor::readPropertyListFile(*menuPath)) : nullptr;
    if (menu) made.defaultSet = qor::buildDefaultKeyBindingsSet(*menu, hostBundle);
    if (made.defaultSet) {
      auto current = qor::MutableDictionary::make(made.defaultSet->entries());
      current->setObjectForKey(qor::str("Mine"), qor::kSetNameKey);
      made.current = current;
    }
    qor::DictionaryRef table = qor::asDictionary(
        qor::readPropertyListFile(std::string(QOR_PANE_RESOURCES_DIR) + "/" + qor::kKeymapCommandsResource));
    if (table) made.commands = qor::keymapCommandsForKind(*table, qor::KeymapKind::VSCode);
    return made;
  }();
  return shipped;
}

std::string largeKeymap(const qor::Dictionary& commands) {
  std::vector<std::string> names = commands.allKeys();
  std::string json = "// a large keymap\n[\n";
  for (int index = 0; index < kEntries; ++index) {
    const auto at = static_cast<std::size_t>(index);
    std::string command = names[at % names.size()];
    if (index % kUnknownEvery == 0) command = "extension.command" + std::to_string(index);
    if (index % kUnbindingEvery == 0) command = "-" + command;
    const std::string key = "ctrl+k " + kModifiers[at % kModifiers.size()] + kKeys[(at / kModifiers.size()) % kKeys.size()];
    json += "  {\"key\": \"" + key + "\", \"command\": \"" + command + "\"";
    if (index % kConditionEvery == 0) json += ", \"when\": \"editorTextFocus && !editorReadonly\"";
    json += index + 1 < kEntries ? "},\n" : "}\n";
  }
  return json + "]\n";
}

bool ready(benchmark::State& state) {
  if (host().defaultSet && host().commands) return true;
  state.SkipWithError("cannot read the shipped host or mapping table");
  return false;
}

void BM_ReadKeymap(benchmark::State& state) {
  if (!ready(state)) return;
  const std::string content = largeKeymap(*host().commands);
  for (auto _ : state) {
    qor::KeymapReading read = qor::readForeignKeymap(content, qor::KeymapKind::VSCode);
    if (!read.keymap) state.SkipWithError(read.error.c_str());
    benchmark::DoNotOptimize(read);
  }
  state.counters["file_kB"] = static_cast<double>(content.size()) / 1e3;
}

void BM_PreviewKeymap(benchmark::State& state) {
  if (!ready(state)) return;
  const std::string content = largeKeymap(*host().commands);
  std::size_t leftOut = 0;
  for (auto _ : state) {
    qor::KeymapReading read = qor::readForeignKeymap(content, qor::KeymapKind::VSCode);
    if (!read.keymap) {
      state.SkipWithError(read.error.c_str());
      break;
    }
    qor::KeymapImport preview = qor::importForeignKeymap(*read.keymap, *host().commands, "/tmp/keybindings.json",
                                                         host().current, host().defaultSet);
    leftOut = preview.notImported.size();
    benchmark::DoNotOptimize(preview);
  }
  state.counters["not_imported"] = static_cast<double>(leftOut);
}

}  // namespace

BENCHMARK(BM_ReadKeymap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewKeymap)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
