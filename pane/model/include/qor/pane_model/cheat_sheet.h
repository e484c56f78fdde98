/// @file
/// The cheat sheet: the current set's shortcuts as a printable reference,
/// grouped as the outlines group them, each shortcut in the pane's glyphs
/// (⇧⌘S) and in the desktop's notation (Ctrl+Shift+S), or, for a person who
/// chose words, in words alone. Pure functions; the pane and the keybindings
/// tool write the result.
///
/// Example:
///   qor::CheatSheet sheet = qor::buildCheatSheet({set, application.mainMenu(), editorTable, translate});
///   std::string page = qor::cheatSheetHtml(sheet, {"Command", "Shortcut", "Desktop"});
///   qor::cheatSheetDestination("/tmp/keys.pdf");   // {Pdf, "/tmp/keys.pdf"}
///
/// Threads: pure functions of their arguments, callable from any thread at once;
/// buildCheatSheet reads the live menu, so it runs where the menu lives (the
/// main thread).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/pane_model/shortcut_notation.h"
#include "qor/ports/menu_item.h"
#include "qor/value.h"

namespace qor {

/// One command: its title (below its group, the titles of the submenus or
/// groups between them joined by kCheatSheetPathSeparator), and each of its
/// shortcuts, in stored order, in the sheet's notation and, beside Symbols,
/// in the desktop's too.
struct CheatSheetRow {
  std::string title;
  std::vector<std::string> shortcuts;  // textOfSequence in the sheet's notation
  std::vector<std::string> desktop;    // desktopNotationOfSequence; empty with Words
  friend bool operator==(const CheatSheetRow&, const CheatSheetRow&) = default;
};

/// A menu of the menu bar, or a group of the editing commands.
struct CheatSheetGroup {
  std::string title;
  std::vector<CheatSheetRow> rows;
  friend bool operator==(const CheatSheetGroup&, const CheatSheetGroup&) = default;
};

struct CheatSheet {
  std::string title;  // the set's name
  std::vector<CheatSheetGroup> groups;
  ShortcutNotation notation = ShortcutNotation::Symbols;
  friend bool operator==(const CheatSheet&, const CheatSheet&) = default;
};

inline constexpr std::string_view kCheatSheetPathSeparator = " › ";

/// What the cheat sheet is made of.
struct CheatSheetSources {
  DictionaryRef set;               // a KeyBindingsSet: "name", "menu", "editor"
  const Menu* mainMenu = nullptr;  // the host's live main menu; not owned
  ArrayRef editorTable;            // EditorKeyBindingsTable.plist: names and {"title", "items"} groups
  /// The title an editing command or group shows (its translation); null:
  /// the name itself.
  std::function<std::string(const std::string&)> editorTitle;
  /// How the shortcuts are written (the person's choice).
  ShortcutNotation notation = ShortcutNotation::Symbols;
};

/// The groups in the order the outlines show them: first each item of the
/// menu bar (its own command, when it has one, then every command of its
/// submenu, depth first), then each top-level node of the editing-command
/// table (a group's commands, depth first; a command outside every group is a
/// group of its own, under its own title). Commands are found as the outlines
/// find them (rowIsSelectable; menu entries under identifierForMenuItem,
/// editing commands under their names). Only sequences that are non-empty
/// arrays count; commands without any are left out, and so are groups left
/// empty. Result: title = the set's "name" ("" without one), notation = the
/// sources'; no groups for a null set, menu or table (each source missing
/// just adds nothing).
///   File > Save (⌘S), File > Export > PDF (⇧⌘E)
///     -> {"File", {{"Save", {"⌘S"}, {"Ctrl+S"}}, {"Export › PDF", {"⇧⌘E"}, {"Ctrl+Shift+E"}}}}
///   Words: {"File", {{"Save", {"Ctrl+S"}, {}}, {"Export › PDF", {"Ctrl+Shift+E"}, {}}}}
[[nodiscard]] CheatSheet buildCheatSheet(const CheatSheetSources& sources);

/// The column headings of the page, translated by the caller.
struct CheatSheetLabels {
  std::string command;
  std::string shortcut;  // the shortcuts in the sheet's notation
  std::string desktop;   // the desktop's notation beside Symbols
};

/// A self-contained HTML page of `sheet`: UTF-8, no external resources, the
/// title as <title> and <h1>, one <h2> and table per group (a row per command,
/// its shortcuts one per line: a column in the sheet's notation, with Symbols
/// a second one in the desktop's), and a print stylesheet (black on white, no
/// group split across pages where it fits). Every text is escaped (& < > " ').
/// An empty sheet gives a page with its heading only.
[[nodiscard]] std::string cheatSheetHtml(const CheatSheet& sheet, const CheatSheetLabels& labels);

/// The file name the save panel suggests: the set's name with ".html".
///   "Mine" -> "Mine.html"
[[nodiscard]] std::string cheatSheetFileNameForSetName(std::string_view setName);

enum class CheatSheetFormat { Html, Pdf };

struct CheatSheetDestination {
  CheatSheetFormat format = CheatSheetFormat::Html;
  std::string path;
  friend bool operator==(const CheatSheetDestination&, const CheatSheetDestination&) = default;
};

/// What a path chosen in the save panel means, by its file name's extension
/// (any case): ".pdf" is PDF, ".html" and ".htm" are HTML; any other name,
/// one without extension included, is HTML with ".html" appended, so the file
/// opens in a browser. Result: empty path for an empty path.
///   "a/k.PDF" -> {Pdf, "a/k.PDF"}    "k.htm" -> {Html, "k.htm"}    "k.txt" -> {Html, "k.txt.html"}
[[nodiscard]] CheatSheetDestination cheatSheetDestination(std::string_view chosenPath);

}  // namespace qor
