/// @file
/// Shortcuts in the notation of Linux desktops ("Ctrl+Shift+S"), shown beside
/// the pane's glyphs (⇧⌘S) so that a person used to either reads them. The
/// mapping of modifiers is the one the host's key snooper uses: Command is
/// Ctrl, Control is Meta, Option is Alt. The text is the portable form that
/// keybindings accepts as KEYS.
///
/// Example:
///   qor::desktopNotationOfSequence(commandShiftS);   // "Ctrl+Shift+S"
///   qor::desktopNotationOfShortcuts(sequences);      // "Ctrl+S | Ctrl+K, Ctrl+C"
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <string>
#include <string_view>

#include "qor/value.h"

namespace qor {

/// Between the chords of one sequence, and between two sequences.
inline constexpr std::string_view kDesktopChordSeparator = ", ";
inline constexpr std::string_view kDesktopSequenceSeparator = " | ";

/// One sequence: each key stroke is a chord, its modifiers (the stroke's own
/// "modifiers", bits kModifierMaskBits) in the order Ctrl, Meta, Alt, Shift,
/// each followed by "+", then the key: a letter in capitals, a named key as
/// Qt names it ("Space", "Esc", "Tab", "Backtab", "Backspace", "Return",
/// "Enter", "Del", "Ins", "Home", "End", "PgUp", "PgDown", "Left", "Up", "Right",
/// "Down", "Help", "Clear", "F1" to "F35"), any other character as it is. A
/// capital letter means Shift, as in the glyph notation. A modifier-only
/// stroke says nothing when a key stroke follows it (the key stroke carries
/// the modifiers); a trailing one, or one followed by another, shows its
/// modifiers joined by "+". A "key" that is not a string shows "?".
/// Result: empty for an empty sequence.
///   (⌘, "k" ⌘, ⌘, "c" ⌘) -> "Ctrl+K, Ctrl+C"    (" " 0) -> "Space"    ("S" ⌘) -> "Ctrl+Shift+S"
[[nodiscard]] std::string desktopNotationOfSequence(const Array& sequence);

/// A command's "key sequences": each sequence that is an array, in stored
/// order, joined by " | ". Result: empty for null, non-array or empty.
[[nodiscard]] std::string desktopNotationOfShortcuts(const Ref& keySequences);

}  // namespace qor
