// The pane's start over a large defaults store, next to reading the file
// alone in the same run:
//   BM_ReadDefaultsFile        the editor's read of the file: PlistFileDefaults
//                              (read, parse, the store's own copy)
//   BM_PaneStart               with that store in memory, the pane's first
//                              initWithPanel: interface, loadPrefs (the sets
//                              taken shared), synchronizeToDefaults (the
//                              current set copied, its titles refreshed and
//                              pruned; pop-up, both outline reloads), the
//                              first undo state and the delayed reload; the
//                              teardown afterwards is not timed
//   BM_PaneLoadAndSynchronize  loadPrefs and synchronizeToDefaults again on a
//                              started pane, which also frees the copy made
//                              by the previous load
// The store holds 50 sets of 1,200 menu commands, each command with one or
// two shortcuts, over a main menu of 60 submenus of 20 commands and a default
// set that knows all of them. Target: the pane's share at the start,
// PaneStart / (Read + PaneStart), under 10%.
//
//   pane_scale_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "qor/bundle.h"
#include "qor/defaults/defaults.h"
#include "qor/headless/host.h"
#include "qor/headless/menu.h"
#include "qor/headless/toolkit.h"
#include "qor/key_bindings.h"
#include "qor/key_notation.h"
#include "qor/plist_file.h"

namespace {

constexpr int kSets = 50;
constexpr int kSubmenus = 60;
constexpr int kCommandsPerSubmenu = 20;  // 60 x 20 = 1,200 commands
constexpr std::int64_t kFirstSetNumber = 1'700'000'000;
constexpr std::int64_t kCommand = 0x100000;
constexpr std::int64_t kCommandShift = 0x120000;
constexpr int kSecondShortcutEvery = 4;  // one command in four has two
// Long enough for the pane's delayed reload of the outlines.
constexpr double kSettleSeconds = 1;

qor::ArrayRef chord(std::int64_t modifiers, char key) {
  return qor::Array::make(
      {qor::Dictionary::make({{qor::kStrokeModifiersKey, qor::integer(modifiers)}}),
       qor::Dictionary::make({{qor::kStrokeKeyKey, qor::str(std::string(1, key))},
                              {qor::kStrokeUnicharKey, qor::integer(key)},
                              {qor::kStrokeModifiersKey, qor::integer(modifiers)}})});
}

// The host's main menu: 60 submenus of 20 commands.
std::unique_ptr<qor::SimpleMenu> makeMainMenu() {
  auto menu = std::make_unique<qor::SimpleMenu>("");
  for (int submenu = 0; submenu < kSubmenus; ++submenu) {
    auto& items = menu->addSubmenu("Menu " + std::to_string(submenu));
    for (int item = 0; item < kCommandsPerSubmenu; ++item) {
      int command = submenu * kCommandsPerSubmenu + item;
      items.addItem("Command " + std::to_string(command), "command" + std::to_string(command) + ":");
    }
  }
  return menu;
}

// The host's default set over that menu, and a file of 50 stored sets.
struct LargeStore {
  LargeStore() {
    char pattern[] = "/tmp/qor-pane-scale-XXXXXX";
    folder = mkdtemp(pattern) ? pattern : "";
    path = folder + "/defaults.plist";
    std::unique_ptr<qor::SimpleMenu> menu = makeMainMenu();
    auto defaultMenu = qor::MutableDictionary::make();
    std::vector<std::string> identifiers;
    for (std::size_t submenu = 0; submenu < menu->numberOfItems(); ++submenu) {
      const qor::Menu* items = menu->itemAtIndex(submenu)->submenu();
      for (std::size_t item = 0; item < items->numberOfItems(); ++item) {
        const qor::MenuItem* command = items->itemAtIndex(item);
        identifiers.push_back(qor::identifierForMenuItem(command).value_or(""));
        defaultMenu->setObjectForKey(
            qor::Dictionary::make({{qor::kEntryTitleKey, qor::str(command->title())},
                                   {qor::kKeySequencesKey, qor::Array::make({chord(kCommand, 'a')})}}),
            identifiers.back());
      }
    }
    defaultSet = qor::Dictionary::make({{qor::kSetNameKey, qor::str("Default")},
                                        {qor::kSetMenuKey, defaultMenu},
                                        {qor::kSetEditorKey, qor::Dictionary::make()}});
    auto sets = qor::MutableDictionary::make();
    for (int set = 0; set < kSets; ++set) {
      auto setMenu = qor::MutableDictionary::make();
      for (std::size_t command = 0; command < identifiers.size(); ++command) {
        std::vector<qor::Ref> shortcuts = {chord(kCommand, static_cast<char>('a' + (command + set) % 26))};
        if (command % kSecondShortcutEvery == 0)
          shortcuts.push_back(chord(kCommandShift, static_cast<char>('a' + command % 26)));
        setMenu->setObjectForKey(qor::Dictionary::make({{qor::kEntryTitleKey, qor::str("Old title")},
                                                        {qor::kKeySequencesKey, qor::Array::make(shortcuts)}}),
                                 identifiers[command]);
      }
      sets->setObjectForKey(qor::Dictionary::make({{qor::kSetNameKey, qor::str("Set " + std::to_string(set))},
                                                   {qor::kSetMenuKey, setMenu},
                                                   {qor::kSetEditorKey, qor::Dictionary::make()}}),
                            std::to_string(kFirstSetNumber + set));
    }
    ok = qor::writePropertyListFile(
        qor::Dictionary::make({{qor::kSetNumberDefaultsKey, qor::integer(kFirstSetNumber)},
                               {qor::kSetsDefaultsKey, sets}}),
        path);
  }
  ~LargeStore() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  std::string folder;
  std::string path;
  qor::DictionaryRef defaultSet;
  bool ok = false;
};

LargeStore& largeStore() {
  static LargeStore store;
  return store;
}

void BM_ReadDefaultsFile(benchmark::State& state) {
  LargeStore& large = largeStore();
  if (!large.ok) state.SkipWithError("cannot write the defaults file");
  for (auto _ : state) {
    qor::PlistFileDefaults store(large.path);
    benchmark::DoNotOptimize(store.objectForKey(qor::kSetsDefaultsKey));
  }
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(large.path)) / 1e6;
}

// The editor's side of a pane: toolkit, application with the main menu, and
// a panel over a store read from the large file.
struct Host {
  explicit Host(const LargeStore& large)
      : store(large.path), application(toolkit.journal()), panel(store, large.defaultSet, toolkit.journal()) {
    application.setMainMenu(makeMainMenu());
  }
  std::unique_ptr<qor::KeyBindings> makePane() {
    qor::PaneServices services;
    services.toolkit = &toolkit;
    services.application = &application;
    services.bundle = std::make_shared<const qor::Bundle>(QOR_PANE_RESOURCES_DIR);
    return std::make_unique<qor::KeyBindings>(std::move(services));
  }

  qor::PlistFileDefaults store;
  qor::HeadlessToolkit toolkit;
  qor::HeadlessApplication application;
  qor::HeadlessPanel panel;
};

void BM_PaneStart(benchmark::State& state) {
  LargeStore& large = largeStore();
  if (!large.ok) state.SkipWithError("cannot write the defaults file");
  Host host(large);
  for (auto _ : state) {
    auto pane = host.makePane();
    if (!pane->initWithPanel(&host.panel)) state.SkipWithError("no interface");
    host.toolkit.advance(kSettleSeconds);
    state.PauseTiming();
    pane.reset();
    host.toolkit.journal().clear();
    state.ResumeTiming();
  }
}

void BM_PaneLoadAndSynchronize(benchmark::State& state) {
  LargeStore& large = largeStore();
  if (!large.ok) state.SkipWithError("cannot write the defaults file");
  Host host(large);
  auto pane = host.makePane();
  if (!pane->initWithPanel(&host.panel)) state.SkipWithError("no interface");
  host.toolkit.advance(kSettleSeconds);
  for (auto _ : state) {
    pane->loadPrefs();
    pane->synchronizeToDefaults();
    host.toolkit.advance(kSettleSeconds);
    host.toolkit.journal().clear();
  }
}

BENCHMARK(BM_ReadDefaultsFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaneStart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaneLoadAndSynchronize)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
