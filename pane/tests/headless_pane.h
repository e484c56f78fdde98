// A pane on the headless platform, for the tests of the outlines, the edit
// menu and set management: a bundle of its own in a temporary folder, a small
// main menu, a default set that knows every command of both, a memory
// defaults store, and a clock and system version the test sets.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "qor/defaults/defaults.h"
#include "qor/headless/host.h"
#include "qor/headless/menu.h"
#include "qor/headless/toolkit.h"
#include "qor/key_bindings.h"
#include "qor/key_masks.h"
#include "qor/key_notation.h"
#include "qor/plist_file.h"
#include "qor/testing/pane_fixtures.h"
#include "qor/testing/temporary_folder.h"

namespace qor::pane_test {

using fixtures::chord;
using fixtures::entry;
using fixtures::keyStroke;
using fixtures::modifierStroke;
using fixtures::plainKey;
using fixtures::TemporaryFolder;

// ---- The host's menu and default set ----

// Rows of the menu outline, fully expanded:
//   0 File          submenu holder (submenuAction:)
//   1   New
//   2   Open…
//   3   ─────────   separator
//   4   Save
//   5   Export      submenu holder with a command of its own
//   6     PDF
//   7   Recent      submenu holder with an empty submenu
//   8 Edit          submenu holder
//   9   Undo
//  10   Orphan      no submenu, yet submenuAction:
inline std::unique_ptr<SimpleMenu> makeMainMenu() {
  auto bar = std::make_unique<SimpleMenu>("");
  SimpleMenu& file = bar->addSubmenu("File");
  file.addItem("New", "newDocument:", std::nullopt, 0);
  file.addItem("Open…", "openDocument:", std::nullopt, 0);
  file.addSeparator();
  file.addItem("Save", "saveDocument:", "Document", 0);
  SimpleMenuItem& exportItem = file.addItem("Export", "exportDocument:", "Document", 0);
  exportItem.setSubmenu(std::make_unique<SimpleMenu>("Export"))->addItem("PDF", "exportPDF:", "Document", 1);
  file.addSubmenu("Recent");
  SimpleMenu& edit = bar->addSubmenu("Edit");
  edit.addItem("Undo", "undo:", std::nullopt, 0);
  edit.addItem("Orphan", std::string(kSubmenuAction), std::nullopt, 0);
  return bar;
}

namespace row {
inline constexpr std::int64_t kFile = 0;
inline constexpr std::int64_t kNew = 1;
inline constexpr std::int64_t kOpen = 2;
inline constexpr std::int64_t kSeparator = 3;
inline constexpr std::int64_t kSave = 4;
inline constexpr std::int64_t kExport = 5;
inline constexpr std::int64_t kPDF = 6;
inline constexpr std::int64_t kRecent = 7;
inline constexpr std::int64_t kEdit = 8;
inline constexpr std::int64_t kUndo = 9;
inline constexpr std::int64_t kOrphan = 10;
}  // namespace row

inline constexpr const char* kNewId = "[newDocument:] [] [0]";
inline constexpr const char* kOpenId = "[openDocument:] [] [0]";
inline constexpr const char* kSaveId = "[saveDocument:] [Document] [0]";
inline constexpr const char* kExportId = "[exportDocument:] [Document] [0]";
inline constexpr const char* kPDFId = "[exportPDF:] [Document] [1]";
inline constexpr const char* kUndoId = "[undo:] [] [0]";

// The editing-command table: rows of the editor outline, fully expanded:
//   0 Moving (group, translated "Move")
//   1   moveLeft:       translated "Move Left"
//   2   moveRight:      no translation
//   3   Words (group)
//   4     moveWordLeft:
//   5 Empty (group without "items")
//   6 selectAll:        at the top level
inline constexpr const char* kEditorTable = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><array>
  <dict><key>title</key><string>Moving</string><key>items</key><array>
    <string>moveLeft:</string><string>moveRight:</string>
    <dict><key>title</key><string>Words</string><key>items</key><array><string>moveWordLeft:</string></array></dict>
  </array></dict>
  <dict><key>title</key><string>Empty</string></dict>
  <string>selectAll:</string>
</array></plist>
)";

inline constexpr const char* kEditorTitles = R"(msgid "Moving"
msgstr "Move"

msgid "moveLeft:"
msgstr "Move Left"
)";

// Every command of the menu and the table, with a few shortcuts.
inline DictionaryRef makeDefaultSet() {
  auto menu = Dictionary::make({
      {kNewId, entry("New", {chord(kCommandKeyMask, 'n')})},
      {kOpenId, entry("Open…", {chord(kCommandKeyMask, 'o')})},
      {kSaveId, entry("Save", {chord(kCommandKeyMask, 's')})},
      {kExportId, entry("Export", {})},
      {kPDFId, entry("PDF", {})},
      {kUndoId, entry("Undo", {chord(kCommandKeyMask, 'z')})},
  });
  auto editor = Dictionary::make({
      {"moveLeft:", entry("", {chord(kControlKeyMask, 'b')})},
      {"moveRight:", entry("", {chord(kControlKeyMask, 'f')})},
      {"moveWordLeft:", entry("", {})},
      {"selectAll:", entry("", {chord(kCommandKeyMask, 'a')})},
  });
  return Dictionary::make({{kSetNameKey, str("Default")}, {kSetMenuKey, menu}, {kSetEditorKey, editor}});
}

// 10.6: a selection change opens the edit menu.
inline constexpr std::int32_t kVersionOpeningOnSelection = 0x1060;
inline constexpr std::int64_t kClock = 1733430000;

// The pane, loaded, over a memory store that `storeContents` fills.
class HeadlessPane {
 public:
  explicit HeadlessPane(DictionaryRef storeContents = nullptr) : store(storeContents) {
    bundleFolder.write("KeyBindings.ui", "");
    bundleFolder.write("EditorKeyBindingsTable.plist", kEditorTable);
    bundleFolder.write("locale/en/EditorMenuTitles.po", kEditorTitles);
    application.setMainMenu(makeMainMenu());
    PaneServices services;
    services.toolkit = &toolkit;
    services.application = &application;
    services.bundle = std::make_shared<const Bundle>(bundleFolder.path(), std::vector<std::string>{"en"});
    services.now = [this] { return clock; };
    services.systemVersion = [this] { return systemVersion; };
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

  TemporaryFolder bundleFolder;
  HeadlessToolkit toolkit;
  HeadlessApplication application{toolkit.journal()};
  MemoryDefaults store;
  HeadlessPanel panel{store, makeDefaultSet(), toolkit.journal()};
  std::int64_t clock = kClock;
  std::int32_t systemVersion = kVersionOpeningOnSelection;
  std::unique_ptr<KeyBindings> pane;
};

}  // namespace qor::pane_test
