/// @file
/// The stored format of key-binding sets and the keys the pane keeps them
/// under in the host's stores: constants only, safe from any thread.
///
/// A key-binding set (`KeyBindingsSet`) is a property-list dictionary:
///   "name"   string                      title of the set in the pop-up
///   "menu"   MenuItemIdentifier -> KeyBindingEntry
///   "editor" EditorCommandName  -> KeyBindingEntry
/// A `KeyBindingEntry` is a dictionary with "key sequences" (array of
/// KeySequence, in the order they were added), "title" (menu entries) and an
/// optional "context". A `KeySequence` is an array of `KeyStroke`s in typing
/// order; a stroke is a dictionary with "key", "unichar", "code" and
/// "modifiers", and a stroke without "key" is a modifier-only stroke.
///
/// Set number 0 is the host's default set, never stored; every stored set
/// lives in the set collection under its number written in decimal ("%d").
#pragma once

namespace qor {

// Keys of the stored set format and of the host's stores.
inline constexpr const char* kSetNameKey = "name";
inline constexpr const char* kSetMenuKey = "menu";
inline constexpr const char* kSetEditorKey = "editor";
inline constexpr const char* kKeySequencesKey = "key sequences";
inline constexpr const char* kEntryTitleKey = "title";
inline constexpr const char* kEntryContextKey = "context";
inline constexpr const char* kStrokeKeyKey = "key";
inline constexpr const char* kStrokeUnicharKey = "unichar";
inline constexpr const char* kStrokeCodeKey = "code";
inline constexpr const char* kStrokeModifiersKey = "modifiers";
inline constexpr const char* kSetNumberDefaultsKey = "global.keyBindingsSetNumber";
inline constexpr const char* kSetsDefaultsKey = "global.keyBindingsSets";
inline constexpr const char* kChangeFlagKey = "key bindings";

// Resources and tables of the pane's bundle, which the pane and the tools
// that read its texts share.
inline constexpr const char* kInterfaceName = "KeyBindings";
inline constexpr const char* kEditorTableResource = "EditorKeyBindingsTable.plist";
inline constexpr const char* kIconResource = "Pref_shortcut.psd";
inline constexpr const char* kLocalizableTable = "Localizable";
inline constexpr const char* kEditorTitlesTable = "EditorMenuTitles";
// Texts of the controls that go beyond the pane's first ones (the key
// configurator's second line), kept apart from "Localizable".
inline constexpr const char* kExtrasTable = "Extras";
inline constexpr const char* kShortcutFileType = "QOR_shortcuts";
inline constexpr const char* kHotKeyAction = "bringQORtoFront:";
// The two parts of a set, as the two outlines show them: "menu" holds the
// menu commands, "editor" the editing commands. The pane shows the menu
// part for the tab "menu" and the editor part for any other tab.
enum class ShownGroup { Menu, Editor };

}  // namespace qor
