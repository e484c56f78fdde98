// A pane on the headless platform, for the tests of the outlines, the edit
// menu and set management: a bundle of its own in a temporary folder, a small
// main menu, a default set that knows every command of both, a memory
// defaults store, and a clock and system version the test sets.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "qor/collections.h"
#include "qor/defaults/defaults.h"
#include "qor/headless/host.h"
#include "qor/headless/toolkit.h"
#include "qor/key_bindings.h"
#include "qor/key_masks.h"
#include "qor/key_notation.h"
#include "qor/plist_file.h"
#include "qor/testing/pane_scene.h"
#include "qor/testing/temporary_folder.h"

namespace qor::pane_test {

using fixtures::chord;
using fixtures::entry;
using fixtures::keyStroke;
using fixtures::modifierStroke;
using fixtures::plainKey;
using fixtures::TemporaryFolder;

// 10.6: a selection change opens the edit menu.
inline constexpr std::int32_t kVersionOpeningOnSelection = 0x1060;
inline constexpr std::int64_t kClock = 1733430000;

// The host a pane is loaded in; the sample host unless a test brings its own.
struct PaneScene {
  std::unique_ptr<SimpleMenu> (*mainMenu)() = makeMainMenu;
  DictionaryRef defaultSet = makeDefaultSet();
  const char* editorTable = kEditorTable;
  const char* editorTitles = kEditorTitles;
};

// The pane, loaded, over a memory store that `storeContents` fills.
class HeadlessPane {
 public:
  explicit HeadlessPane(DictionaryRef storeContents = nullptr, const PaneScene& scene = {})
      : store(storeContents), panel(store, scene.defaultSet, toolkit.journal()) {
    bundleFolder.write("KeyBindings.ui", "");
    bundleFolder.write("EditorKeyBindingsTable.plist", scene.editorTable);
    bundleFolder.write("locale/en/EditorMenuTitles.po", scene.editorTitles);
    application.setMainMenu(scene.mainMenu());
    PaneServices services;
    services.toolkit = &toolkit;
    services.application = &application;
    services.bundle = std::make_shared<const Bundle>(bundleFolder.path(), std::vector<std::string>{"en"});
    services.now = [this] { return clock; };
    services.systemVersion = [this] { return systemVersion; };
    services.userKeymapCommandsPath = [] { return std::string(); };  // none of the user's home
    pane = std::make_unique<KeyBindings>(std::move(services));
    pane->initWithPanel(&panel);
    // The delayed reload shows the editing-command table.
    toolkit.advance(1);
  }

  HeadlessOutlineView& menuOutline() { return *toolkit.find<HeadlessOutlineView>("OLV_menu_key_bindings"); }
  HeadlessOutlineView& editorOutline() { return *toolkit.find<HeadlessOutlineView>("OLV_editor_key_bindings"); }
  HeadlessPopUpButton& sets() { return *toolkit.find<HeadlessPopUpButton>("PUB_sets"); }
  HeadlessButton& button(const std::string& name) { return *toolkit.find<HeadlessButton>(name); }
  HeadlessTextField& field(const std::string& name) { return *toolkit.find<HeadlessTextField>(name); }
  void showTab(const std::string& identifier) {
    toolkit.find<HeadlessTabView>("TABV_outlines")->selectTabViewItemWithIdentifier(identifier);
  }
  // The titles of the last context menu; empty when none was popped up.
  std::vector<std::string> contextMenuTitles() const {
    std::vector<std::string> titles;
    if (const ContextMenu* menu = toolkit.lastContextMenu())
      for (const ItemState& item : menu->items) titles.push_back(item.title);
    return titles;
  }
  // Duplicates the current set under `name` through the set-name sheet.
  void duplicateAs(const std::string& name) {
    button("BTN_kb_duplicate_set").performClick();
    field("TEXT_set_name").typeText(name);
    button("BTN_set_name_OK").performClick();
  }
  bool changeFlagIsSet() { return panel.changedAttributesDictionary()->containsKey(kChangeFlagKey); }
  // The current set's entry under `key` in `group`; null when there is none.
  MutableDictionaryRef currentEntry(const char* group, const std::string& key) {
    auto part = pane->currentKeyBindingsSet()->dictionaryForKey(group);
    return part ? asMutableDictionary(part->objectForKey(key)) : nullptr;
  }

  TemporaryFolder bundleFolder;
  HeadlessToolkit toolkit;
  HeadlessApplication application{toolkit.journal()};
  MemoryDefaults store;
  HeadlessPanel panel;
  std::int64_t clock = kClock;
  std::int32_t systemVersion = kVersionOpeningOnSelection;
  std::unique_ptr<KeyBindings> pane;
};

}  // namespace qor::pane_test
