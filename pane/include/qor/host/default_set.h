// The host's default key-binding set, made from the host's own resources.
//
// The host's bundle folder holds, besides its "GUIStrings" table:
//   MainMenu.plist               the main menu (File, Edit, Format, View,
//                                Window, Help), read by the host's toolkit;
//   ShortcutTable.plist          the menu commands' shortcuts by menu key;
//   MenuLayout.plist             the menu keys' index paths in the main menu;
//   DefaultEditorBindings.plist  the "editor" part: an entry for every
//                                editing command of the pane's table.
// (The formats of the table and the layout are those of qor/command_trees.h.)
//
// Example:
//   qor::Bundle hostBundle("/usr/share/qor/host");
//   qor::DictionaryRef set = qor::buildDefaultKeyBindingsSet(*application.mainMenu(), hostBundle);
#pragma once

#include "qor/bundle.h"
#include "qor/seams/file_system.h"
#include "qor/ports/menu_item.h"
#include "qor/value.h"

namespace qor {

inline constexpr const char* kMainMenuResource = "MainMenu.plist";
inline constexpr const char* kShortcutTableResource = "ShortcutTable.plist";
inline constexpr const char* kMenuLayoutResource = "MenuLayout.plist";
inline constexpr const char* kDefaultEditorBindingsResource = "DefaultEditorBindings.plist";
// The set's name, looked up in the host bundle's table "GUIStrings".
inline constexpr const char* kDefaultSetName = "Default";

// The default KeyBindingsSet: "name" (kDefaultSetName, translated), "menu"
// (the two builders of qor/command_trees.h run over the ShortcutTable and
// the MenuLayout against `mainMenu`: one entry per command that resolves in
// it) and "editor" (DefaultEditorBindings.plist as it stands). Files are
// read through `fs`. Result: null, after a "***" log line naming the
// resource, when one of the three files is missing, does not parse, or has
// the wrong root (an array for the table, dictionaries for the others).
[[nodiscard]] DictionaryRef buildDefaultKeyBindingsSet(const Menu& mainMenu, const Bundle& hostBundle,
                                                       FileSystem& fs = FileSystem::real());

}  // namespace qor
