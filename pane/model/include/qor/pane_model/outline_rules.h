/// @file
/// Rules of the two command outlines and of their edit menu, as pure
/// functions that return data; outlines.cc applies them to the live views.
///
/// A row is described by its RowKind alone: every answer the outlines give
/// about selection, editing, drawing and cell texts depends on the kind of the
/// row's item, its title and its stored key sequences, nothing else.
///
/// Example:
///   RowKind kind = rowKindOfMenuItem(item);           // MenuCommand
///   cellText(kind, kKeyColumn, "Save", sequences);    // "⌘S , ⌥⌘S"
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/pane_model/shortcut_notation.h"
#include "qor/ports/menu_item.h"
#include "qor/value.h"

namespace qor {

/// Column identifiers of both outlines.
inline constexpr std::string_view kTitleColumn = "title";
inline constexpr std::string_view kKeyColumn = "Key";

/// A separator row's title: nine U+2500 box-drawing characters.
inline constexpr std::string_view kSeparatorRowTitle = "─────────";
/// A "Key" cell without shortcuts: one blank, so the row keeps its height.
inline constexpr std::string_view kNoShortcutsText = " ";
/// Between two shortcuts of one command.
inline constexpr std::string_view kShortcutsSeparator = " , ";

/// Actions of the edit menu's items and of the "Key" cell.
inline constexpr std::string_view kAddShortcutAction = "showKeyConfigurationSheet:";
inline constexpr std::string_view kRemoveShortcutAction = "removeShortcutAtIndex:";
inline constexpr std::string_view kShowEditMenuAction = "showPopupButtonToEdit";

/// The kinds of rows the outlines show.
enum class RowKind {
  Missing,             // no item
  MenuSeparator,       // a separator item
  MenuSubmenuHolder,   // a submenu and the action submenuAction: (only opens it)
  MenuCommandHolder,   // a submenu and a command of its own
  MenuSubmenuAction,   // no submenu, yet the action submenuAction:
  MenuCommand,         // no submenu, any other action or none
  EditorGroup,         // an EditorCommandGroup (a dictionary)
  EditorCommand,       // an EditorCommandName (anything but a dictionary)
};

/// The kind of a main-menu item; Missing for null. A separator is a separator
/// whatever else it carries.
[[nodiscard]] RowKind rowKindOfMenuItem(const MenuItem* item);

/// The kind of an editing-command node: EditorGroup for a dictionary,
/// EditorCommand for any other value, Missing for null.
[[nodiscard]] RowKind rowKindOfEditorNode(const Ref& node);

/// The "Key" column text of a command: each element of `keySequences`
/// written in `notation` (textOfSequence), joined in stored order with " , ".
/// Result: " " for a null or empty array.
///   (⌘S, ⌥⌘S) -> "⌘S , ⌥⌘S"    Words: "Ctrl+S , Ctrl+Alt+S"
[[nodiscard]] std::string shortcutsText(const ArrayRef& keySequences,
                                        ShortcutNotation notation = ShortcutNotation::Symbols);

/// The text of the cell of `column` in a row of `kind`. `title` is the row's
/// title as shown (the menu item's title, or the localized command or group
/// name); `keySequences` are the command's stored sequences (null when it has
/// none), written in `notation`. Result: "" for Missing and for columns other
/// than "title" and "Key".
[[nodiscard]] std::string cellText(RowKind kind, std::string_view column, std::string_view title,
                                   const ArrayRef& keySequences, ShortcutNotation notation = ShortcutNotation::Symbols);

/// Whether a row of `kind` can be selected: commands, including a submenu
/// holder with a command of its own; never separators, pure submenu holders,
/// groups or a missing item.
[[nodiscard]] bool rowIsSelectable(RowKind kind);

/// Whether the toolkit may let the user act on the cells of a row of `kind`
/// (any column): items without submenu that are not separators, and editing
/// commands. A submenu holder with a command of its own answers false.
[[nodiscard]] bool rowCellsAreEditable(RowKind kind);

/// What drawing a "Key" cell does with its target and action.
enum class KeyCellAction {
  Untouched,     // the cell is left as it is
  Nothing,       // no target and no action: a click does nothing
  ShowEditMenu,  // target the pane, action showPopupButtonToEdit
};

/// How the cell of `column` in a row of `kind` is set up before it is drawn.
/// How a cell's text is aligned.
enum class CellAlignment { Left, Center };

struct CellLook {
  std::optional<CellAlignment> alignment;  // nullopt: left as it is
  KeyCellAction action = KeyCellAction::Untouched;
  friend bool operator==(const CellLook&, const CellLook&) = default;
};

/// The set-up of a cell: menu "title" cells are aligned (separators centred,
/// others left); "Key" cells of rows that can hold shortcuts open the edit
/// menu, the others do nothing when clicked; editor "title" cells and other
/// columns are untouched, and so is everything of a Missing row.
[[nodiscard]] CellLook cellLook(RowKind kind, std::string_view column);

/// What a selection change does on a system of version `systemVersion`
/// (packed as getOSVersion packs it).
enum class SelectionChangeResponse { OpenEditMenu, Nothing };

/// Versions from 0x1030 up to, not including, 0x1050 open nothing (there the
/// edit menu opens only from a click on the "Key" cell); every other version,
/// 0 included, opens the edit menu.
///   0x1029 -> OpenEditMenu   0x1030 -> Nothing   0x1049 -> Nothing   0x1050 -> OpenEditMenu
[[nodiscard]] SelectionChangeResponse selectionChangeResponse(std::int32_t systemVersion);

/// Whether the shown outline has a selected row.
enum class RowSelection { None, Selected };

/// What asking for the edit menu does.
enum class EditMenuResponse {
  Nothing,          // no selected row: nothing to stand over, nothing to edit
  DefaultSetAlert,  // the host's default set cannot be changed
  PopUpMenu,        // the edit menu opens over the row's "Key" cell
};

/// With no selected row nothing happens, not even the default-set alert: a
/// selection that goes away is no request to edit. Otherwise set number 0
/// gives the alert and any other number the menu.
[[nodiscard]] EditMenuResponse editMenuResponse(std::int32_t setNumber, RowSelection selection);

/// One item of the edit menu.
struct EditMenuItem {
  std::string title;
  std::int64_t tag = 0;
  std::string_view action;
  friend bool operator==(const EditMenuItem&, const EditMenuItem&) = default;
};

/// The edit menu of a command whose stored sequences are `keySequences` (null
/// when the command has no entry or the entry no "key sequences"): first
/// `addTitle` (tag 0, showKeyConfigurationSheet:), then for each sequence, in
/// stored order, `removeFormat` with its "%@" filled by the sequence's text in
/// `notation`, tagged with the sequence's index, removeShortcutAtIndex:. Two
/// sequences of the same text give two items of the same title.
///   (⌘S, ⌘K), "Add Shortcut...", "Remove '%@'"
///     -> {"Add Shortcut...", 0}, {"Remove '⌘S'", 0}, {"Remove '⌘K'", 1}
[[nodiscard]] std::vector<EditMenuItem> editMenuItems(const ArrayRef& keySequences, std::string_view addTitle,
                                                      std::string_view removeFormat,
                                                      ShortcutNotation notation = ShortcutNotation::Symbols);

/// The tooltip of the cell of `column` in a row of `kind`: for a "Key" cell
/// that shows shortcuts in Symbols, the same shortcuts in the desktop's
/// notation (desktopNotationOfShortcuts). Result: empty for other columns, for
/// rows whose "Key" cell is always blank, for a command without shortcuts and
/// with Words, where the cell itself already says them in words.
///   MenuCommand, "Key", (⇧⌘S) -> "Ctrl+Shift+S"    MenuSubmenuHolder, "Key", (⇧⌘S) -> ""
[[nodiscard]] std::string cellToolTip(RowKind kind, std::string_view column, const ArrayRef& keySequences,
                                      ShortcutNotation notation = ShortcutNotation::Symbols);

}  // namespace qor
