/// @file
/// Importing another editor's keymap: which of its entries become shortcuts
/// of this editor's commands, through the mapping table, and the set that
/// results, with what the import preview shows of it.
///
/// The mapping table (the pane's resource "KeymapCommands.plist", plus a
/// user's own copy laid over it) is a dictionary of kinds ("vscode",
/// "jetbrains", "kde", "qtcreator", "sublime"), each a dictionary from the
/// other editor's command name to this editor's command: a menu item
/// identifier ("[saveDocument:] [] [0]") or an editing command name
/// ("moveWordLeft:").
///
/// The new set starts as a copy of the current set, so that what the keymap
/// does not mention stays as the user has it. Entries are then applied in
/// file order:
/// - a binding gives its command the keymap's sequence; the first binding of
///   a command in the keymap takes the command's own sequences away first, so
///   the command ends with exactly the keymap's keys;
/// - an unbinding takes its sequence from the command (every sequence when
///   it names no key).
///
/// An entry is not imported, with its reason, when its command is not in the
/// table (or the table names a command the host does not have), when its
/// condition needs a context this editor has not (see conditionIsHarmless),
/// when its key cannot be represented, or when it unbinds a command the
/// table does not know.
///
/// Example:
///   auto table = qor::keymapCommandsForKind(*bundledTable, qor::KeymapKind::VSCode);
///   qor::KeymapImport done = qor::importForeignKeymap(keymap, *table, "/tmp/keybindings.json", current, defaults);
///   done.set;                 // named "keybindings", as any import of that file would be
///   done.notImported.size();  // entries left out, each with its reason
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "qor/keymaps/foreign_keymap.h"
#include "qor/pane_model/set_file_rules.h"
#include "qor/pane_model/set_format.h"
#include "qor/value.h"

namespace qor {

/// The mapping table's resource in the pane's bundle, and the name of a
/// user's own table in $XDG_DATA_HOME/qor/ (else ~/.local/share/qor/).
inline constexpr const char* kKeymapCommandsResource = "KeymapCommands.plist";

/// Why an entry of a keymap is not imported.
enum class NotImportedReason {
  UnknownCommand,         ///< no mapping for the command, or it maps to a command the host lacks
  UnsupportedCondition,   ///< its condition needs a context this editor has not
  UnrepresentableKey,     ///< its key is none this editor can store
  UnbindingOfMissingCommand,  ///< it unbinds a command that has no counterpart here
};

/// The reason's text, as the preview and the tool show it: "unknown
/// command", "a condition this editor has no context for", "a key it cannot
/// represent", "an unbinding of a command it does not have".
[[nodiscard]] std::string_view notImportedReasonText(NotImportedReason reason);

/// One entry of the keymap that the import leaves out.
struct NotImportedEntry {
  std::size_t index = 0;       ///< its place among the keymap's bindings, from 0
  std::string command;         ///< the other editor's command, as read
  std::string keyText;         ///< its key as the file writes it
  NotImportedReason reason = NotImportedReason::UnknownCommand;
  std::string detail;          ///< the condition or the reader's word on the key; empty otherwise
};

/// One command of this editor whose shortcuts the import changes against
/// the current set.
struct ChangedCommand {
  ShownGroup group = ShownGroup::Menu;
  std::string entryKey;  ///< menu item identifier or editing command name
};

/// What importing a keymap makes.
struct KeymapImport {
  MutableDictionaryRef set;                   ///< the new set, named after the file; null only without a current or default set
  ImportPreview preview;                      ///< as for the pane's own set files (importPreview of `set`)
  std::vector<ChangedCommand> changed;        ///< menu commands first, each group in the default set's order
  std::vector<NotImportedEntry> notImported;  ///< in file order
};

/// The part of the mapping table for `kind`: the dictionary under
/// keymapKindName(kind). Result: null when the table has none.
[[nodiscard]] DictionaryRef keymapCommandsForKind(const Dictionary& table, KeymapKind kind);

/// The table a user's own file extends: `bundled` with each kind's entries of
/// `user` laid over it (added, or replacing the bundled one; an empty string
/// takes the bundled mapping away). Entries whose values are not strings
/// are passed over. Result: a copy of `bundled` when `user` is null; a null
/// `bundled` counts as empty.
[[nodiscard]] DictionaryRef mergedKeymapCommands(const DictionaryRef& bundled, const DictionaryRef& user);

/// Whether a condition ("when" clause or context) holds wherever this
/// editor's shortcuts act, so that the entry can be imported without it:
/// empty, or alternatives ("||") of conjunctions ("&&") whose every term is
/// one of the text-focus terms "editorTextFocus", "editorFocus",
/// "textInputFocus", "editorIsOpen", "!editorReadonly", "!editorReadOnly".
///   "editorTextFocus && !editorReadonly" -> true    "findWidgetVisible" -> false    "(a)" -> false
[[nodiscard]] bool conditionIsHarmless(std::string_view condition);

/// Imports `keymap` through `commands` (keymapCommandsForKind of the table)
/// as the file `path`, over `currentSet` (null: the default set) with the
/// host's commands from `defaultSet`, as the file's comment describes.
/// Result: `set` null and nothing else when both sets are null.
[[nodiscard]] KeymapImport importForeignKeymap(const ForeignKeymap& keymap, const Dictionary& commands,
                                               std::string_view path, const DictionaryRef& currentSet,
                                               const DictionaryRef& defaultSet);

}  // namespace qor
