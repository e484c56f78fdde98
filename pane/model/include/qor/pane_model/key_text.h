/// @file
/// Shortcuts written in the portable text that Qt users know ("Ctrl+Shift+S"),
/// read into chords and into the strokes the pane stores: what the
/// keybindings tool takes as KEYS, what KDE writes in its shortcut settings,
/// and what the keymaps of other editors are turned into.
///
/// Text: chords separated by ", "; a chord is modifiers, each followed by "+",
/// then one key. Modifiers, on Linux keyboards: "Ctrl+" (the Command modifier),
/// "Meta+" (Control), "Alt+" (Option), "Shift+". Keys: a character ("S", "5",
/// ",", "+", "%") or a name as Qt writes it ("Space", "Return", "Enter", "Esc",
/// "Tab", "Backtab", "Backspace", "Del", "Ins", "Home", "End", "PgUp", "PgDown",
/// "Left", "Up", "Right", "Down", "Help", "Clear", "F1" to "F35"), or any other
/// single character but a control character (those keys go by name). Names and
/// modifiers are read without regard to case; letters name their key either
/// way ("Ctrl+s" is "Ctrl+S").
///
/// The characters of a chord are those the key produces on a US keyboard with
/// the chord's modifiers: "s" for "Ctrl+S", "S" for "Ctrl+Shift+S", "%" for
/// "Shift+5". A character only the shifted key produces ("%", "Backtab") holds
/// Shift by itself. Special keys produce the codes the pane's key notation
/// knows (F1 0xF704, Up 0xF700, Del 0xF728, Backspace 0x7F, Return 0x0D,
/// keypad Enter 0x03, ...). The key code is the key's X11 key code on a US
/// keyboard (what a desktop host reads as the native scan code), 0 for a
/// character that keyboard has no key for.
///
/// Example:
///   auto parsed = qor::parseKeyText("Ctrl+K, Ctrl+Shift+S");
///   parsed.chords[1].characters;    // "S"
///   qor::sequenceOfChords(parsed.chords);   // (⌘, ⌘ "k", ⌘⇧, ⌘⇧ "S")
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "qor/value.h"

namespace qor {

/// One chord: modifiers held while one key is typed.
struct ParsedChord {
  std::uint32_t modifiers = 0;  ///< a ModifierMask
  std::string characters;       ///< UTF-8, what the key produces
  std::uint16_t keyCode = 0;    ///< X11 key code on a US keyboard; 0 unknown
  friend bool operator==(const ParsedChord&, const ParsedChord&) = default;
};

/// The chords of a text, or why it is not one.
struct KeyTextParse {
  std::vector<ParsedChord> chords;  ///< empty when `error` is set
  std::string error;                ///< one line; empty on success
  [[nodiscard]] bool ok() const { return error.empty(); }
};

/// Parses `text`. Failure (an `error` naming the faulty part): an empty text
/// or chord, a modifier without a key, a repeated modifier, an unknown key
/// name.
///   "Ctrl+S"      -> {0x100000, "s", 39}
///   "Meta+Alt+F5" -> {0xC0000, "\uF708", 71}
///   "Ctrl+Foo"    -> error "unknown key 'Foo' in 'Ctrl+Foo'"
[[nodiscard]] KeyTextParse parseKeyText(std::string_view text);

/// `text` for an error line: control characters, and every byte above 0x7F
/// when the text is not valid UTF-8, as "\xNN", so that the line stays one
/// line and shows what was typed.
[[nodiscard]] std::string shownKeyText(std::string_view text);

/// The stored form of `chords`, as the key configurator captures the same
/// keys: per chord a modifier-only stroke with its modifiers (none for a
/// chord without), then the key stroke with "key", "unichar" (its first
/// UTF-16 unit), "code" and "modifiers". Result: an empty sequence for no
/// chords.
[[nodiscard]] ArrayRef sequenceOfChords(const std::vector<ParsedChord>& chords);

}  // namespace qor
