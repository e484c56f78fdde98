/// @file
/// Keymaps of other editors, read into plain values: which of their commands
/// a key is bound to (or unbound from), under which condition, with the key
/// turned into this editor's stored KeySequence. Nothing here knows this
/// editor's commands; the mapping to them is the import's business.
///
/// The kinds read: VS Code's keybindings.json (JSON with comments; a command
/// starting with "-" unbinds; "when" clauses), JetBrains keymap XML
/// (keyboard-shortcut with first- and second-keystroke; the parent
/// attribute; an action with no shortcut unbinds), KDE shortcut schemes (the
/// .shortcuts and kxmlgui scheme files, Qt's portable key text), Qt
/// Creator's .kms (XML, Qt's portable key text) and Sublime Text's
/// .sublime-keymap (JSON).
///
/// Example:
///   auto kind = qor::recognizeKeymap(bytes, "keybindings.json");   // KeymapKind::VSCode
///   qor::KeymapReading read = qor::readForeignKeymap(bytes, *kind);
///   if (!read.keymap) log(read.error);                              // one clear line
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/value.h"

namespace qor {

/// The editors whose keymaps are read.
enum class KeymapKind { VSCode, JetBrains, KDE, QtCreator, Sublime };

/// The kind's name on the command line: "vscode", "jetbrains", "kde",
/// "qtcreator", "sublime".
[[nodiscard]] std::string_view keymapKindName(KeymapKind kind);
/// The kind of a name keymapKindName gives; nullopt for any other text.
[[nodiscard]] std::optional<KeymapKind> keymapKindNamed(std::string_view name);

/// Whether an entry binds its key to its command or takes it away.
enum class BindingEffect { Bind, Unbind };

/// One entry of a keymap, in file order. An action with several keys (KDE's
/// "Ctrl+S; Ctrl+Shift+S", Qt Creator's several <key>s, JetBrains' several
/// keyboard-shortcuts) gives one entry per key; one that takes its keys away
/// gives one Unbind entry without a key.
struct ForeignBinding {
  std::string command;          ///< the other editor's command or action id (VS Code's "-" taken off)
  BindingEffect effect = BindingEffect::Bind;
  std::string keyText;          ///< the key as the file writes it (JetBrains' second keystroke after ", ",
                                ///< Sublime's "keys" joined by " "); empty when the entry names none
  ArrayRef sequence;            ///< keyText as a stored KeySequence; null when empty or not representable
  std::string unreadableKey;    ///< why keyText is not representable; empty when it is (or is empty)
  std::string condition;        ///< the "when" clause or context; empty when none
};

/// A keymap as read.
struct ForeignKeymap {
  KeymapKind kind = KeymapKind::VSCode;
  std::string parent;                     ///< JetBrains' parent keymap; empty for the others
  std::vector<ForeignBinding> bindings;
};

/// The result of a reading: a keymap, or one clear line saying why there is none.
struct KeymapReading {
  std::optional<ForeignKeymap> keymap;
  std::string error;  ///< empty when `keymap` holds a value
};

/// The kind of `content`, recognised from the content itself (JSON array of
/// objects with "key" and "command" -> VS Code, with "keys" -> Sublime; XML
/// root <keymap> -> JetBrains, <mapping> -> Qt Creator, <gui> or <kpartgui>
/// -> KDE; KDE's "[group]" and "name=value" lines -> KDE); `fileName` (its
/// extension: .json, .xml, .shortcuts, .kms, .sublime-keymap) decides only
/// between kinds the content leaves open: an empty or broken JSON array, XML
/// broken before its first element, or bytes no reader takes (too large, not
/// UTF-8), whose reader then says why. Result: nullopt when it is none of them.
[[nodiscard]] std::optional<KeymapKind> recognizeKeymap(std::string_view content, std::string_view fileName);

/// Reads `content` as a keymap of `kind` (KDE: a .shortcuts file, or a
/// kxmlgui file when it starts with "<"). Hostile input (more than 16 MiB,
/// nesting deeper than 64, more than 500,000 entries, elements or JSON
/// values, invalid UTF-8, wrong types, malformed syntax, an XML document
/// type that declares anything or refers outside) gives no keymap and one
/// line naming the problem; an entry that is readable but odd (a key this
/// editor cannot represent) is kept with its `unreadableKey` reason. The
/// platform of the keys: Mac when a VS Code or Sublime file writes "cmd", or
/// a JetBrains keymap's name or parent has a word starting "mac"; Linux
/// otherwise (so Sublime's "super" is Super, as in its Linux keymaps).
[[nodiscard]] KeymapReading readForeignKeymap(std::string_view content, KeymapKind kind);

/// The platform a keymap was written for, which decides what its modifiers mean.
enum class KeymapPlatform { Linux, Mac };

/// A key text of `kind`'s notation as a stored KeySequence (a modifier-only
/// stroke before each key stroke with modifiers, as the key configurator
/// captures it): "ctrl+shift+k", "ctrl+k ctrl+c" (VS Code; Sublime's "keys"
/// joined by " "), "control shift K" and "control K, control C" (JetBrains),
/// "Ctrl+Shift+K" and "Ctrl+K, Ctrl+C" (KDE, Qt Creator: Qt's portable
/// text), "cmd+k" in Mac keymaps, "meta"/"super"/"win" for Super, Sublime's
/// "primary" for Ctrl (Cmd on a Mac). Modifiers as the host's key events map
/// them on Linux: ctrl/control -> Command, super/meta/win/cmd -> Control,
/// alt -> Option, shift -> Shift; on a Mac the Cmd key (cmd, meta, super)
/// -> Command and ctrl -> Control, so that ⌘C stays ⌘C. Keys: letters,
/// digits and punctuation as characters (JetBrains' names such as SLASH),
/// F1 to F35, and the named keys enter/return, tab, space, escape,
/// backspace, delete, insert, home, end, pageup, pagedown, the arrows and
/// clear. Result: null with `why` (when given) set to one line when the text
/// names a key this editor cannot represent: a numeric keypad key (which a
/// stored stroke cannot tell from the main key), VS Code's "oem_" key codes
/// and "[Slash]" scan codes, an unknown key or modifier.
[[nodiscard]] ArrayRef sequenceOfKeyText(std::string_view text, KeymapKind kind, KeymapPlatform platform,
                                         std::string* why = nullptr);

/// A stored KeySequence in `kind`'s notation, the inverse of
/// sequenceOfKeyText: modifiers in the order ctrl, shift, alt, then the key
/// beside Alt ("meta", Sublime's "super", "cmd" in a Mac VS Code keymap);
/// for KDE and Qt Creator the desktop notation. Result: empty for a
/// sequence without key strokes or with a key the kind has no name for
/// (keypad Enter, Help, a character beyond the BMP).
[[nodiscard]] std::string keyTextOfSequence(const Array& sequence, KeymapKind kind,
                                            KeymapPlatform platform = KeymapPlatform::Linux);

}  // namespace qor
