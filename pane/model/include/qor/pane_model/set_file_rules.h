/// @file
/// Rules of set management that are plain text and number work, as pure
/// functions; set_management.cc applies them.
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "qor/pane_model/conflicts.h"
#include "qor/value.h"

namespace qor {

/// The file name an export suggests: "%@.QOR_shortcuts" filled with
/// `setName`.
///   "Mine" -> "Mine.QOR_shortcuts"
[[nodiscard]] std::string exportFileNameForSetName(std::string_view setName);

/// The name a set read from `path` takes when it has none of its own: the
/// file's name without its folder and without its last extension. A name that
/// is all extension (".QOR_shortcuts") is kept whole.
///   "/tmp/Mine.QOR_shortcuts" -> "Mine"    "a.b.c" -> "a.b"    "/tmp/x" -> "x"
[[nodiscard]] std::string setNameFromFilePath(std::string_view path);

/// The file name of `path`, without its folder, for messages.
///   "/tmp/Mine.QOR_shortcuts" -> "Mine.QOR_shortcuts"
[[nodiscard]] std::string fileNameOfPath(std::string_view path);

/// Whether the set-name sheet can be confirmed with `name`: any text of at
/// least one character, a single blank included. No trimming.
[[nodiscard]] bool setNameCanBeConfirmed(std::string_view name);

/// The names of `paths` for a message, each in single quotes, separated by
/// ", ".
///   {"/a/x.QOR_shortcuts", "/b/y"} -> "'x.QOR_shortcuts', 'y'"
[[nodiscard]] std::string quotedFileNames(const std::vector<std::string>& paths);

/// What importing one set would bring, before anything is imported.
struct ImportPreview {
  std::string setName;                           // as the import names the set
  std::size_t differingCommands = 0;             // commands whose shortcuts differ from the current set's
  std::vector<SequenceConflict> menuConflicts;   // of the set's "menu", pruned to the host's commands
  std::vector<SequenceConflict> editorConflicts; // of its "editor", likewise
};

/// The preview of importing `set`, read from `path`: its "name" (or, without
/// one, setNameFromFilePath(path)); how many commands of the host (the keys of
/// `defaultSet`'s "menu" and "editor") bind other shortcuts in `set` than in
/// `currentSet` (differingEntryKeys); and allConflicts of each part of `set`
/// once the commands the host does not know are left out, as loading the set
/// would prune them. A null `currentSet` binds nothing; a null `defaultSet`
/// knows no command, so nothing differs and nothing conflicts.
///   set {name "Clash", menu {Save: (⌘S), Open: (⌘S)}}, current = default
///     -> {"Clash", 1 (Open), menu {(⌘S): {Save, Open}}, editor {}}
[[nodiscard]] ImportPreview importPreview(const Dictionary& set, std::string_view path, const DictionaryRef& currentSet,
                                          const DictionaryRef& defaultSet);

}  // namespace qor
