// A small host for the pane's tests: its main menu, its editing-command
// table with translated titles, and a default set that knows every command of
// both. The model's tests read them as values; the pane's tests load a pane
// over them (pane/tests/headless_pane.h).
#pragma once

#include <cstdint>
#include <memory>

#include "qor/headless/menu.h"
#include "qor/key_masks.h"
#include "qor/testing/pane_fixtures.h"

namespace qor::pane_test {

using fixtures::chord;
using fixtures::entry;

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

}  // namespace qor::pane_test
