/// @file
/// The notation a person chose for shortcuts, kept in the host's defaults
/// and read by the pane and the editor alike, so that the pane, its sheets,
/// its lists and the editor's menus write a shortcut the same way.
///
/// Example:
///   ShortcutNotation notation = shortcutNotationOf(defaults.objectForKey(kShortcutNotationDefaultsKey));
///   textOfSequence(commandShiftS, notation);   // "⇧⌘S" or "Ctrl+Shift+S"
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <string>
#include <string_view>

#include "qor/value.h"

namespace qor {

/// Symbols (⇧⌘S), the default, or the words of Linux desktops (Ctrl+Shift+S).
enum class ShortcutNotation { Symbols, Words };

/// The defaults key of the choice, and its two stored values.
inline constexpr const char* kShortcutNotationDefaultsKey = "global.shortcutNotation";
inline constexpr const char* kSymbolsNotationValue = "symbols";
inline constexpr const char* kWordsNotationValue = "words";

/// The notation stored under kShortcutNotationDefaultsKey: Words for the
/// string "words", Symbols for anything else (null included).
[[nodiscard]] ShortcutNotation shortcutNotationOf(const Ref& stored);
/// The value to store for `notation`.
[[nodiscard]] const char* storedShortcutNotation(ShortcutNotation notation);

/// One sequence in `notation`: stringFromKeySequence for Symbols,
/// desktopNotationOfSequence for Words. Result: empty for an empty sequence.
[[nodiscard]] std::string textOfSequence(const Array& sequence, ShortcutNotation notation);

/// What a field shows of keys being captured, after a key added strokes.
struct CapturedKeysText {
  std::string text;     ///< the field's text
  std::string toolTip;  ///< the field's tooltip
  friend bool operator==(const CapturedKeysText&, const CapturedKeysText&) = default;
};

/// The field of keys being captured, `strokes` being all captured so far.
/// Symbols: the text grows as typed, `shownBefore` followed by `added` (the
/// glyphs of the strokes the last key added), and the tooltip writes
/// `strokes` in the desktop's words for readers of those. Words: the text is
/// `strokes` written whole (a chord's words take in the modifier-only stroke
/// before it, so they cannot be appended), and there is no tooltip.
///   (⌘, ⌘ "k"), "", "⌘K"            Symbols -> {"⌘K", "Ctrl+K"}    Words -> {"Ctrl+K", ""}
///   (⌘, ⌘ "k", ⌘, ⌘ "c"), "⌘K", "⌘C"  Symbols -> {"⌘K⌘C", "Ctrl+K, Ctrl+C"}    Words -> {"Ctrl+K, Ctrl+C", ""}
[[nodiscard]] CapturedKeysText capturedKeysText(const Array& strokes, std::string_view shownBefore,
                                                std::string_view added, ShortcutNotation notation);

}  // namespace qor
