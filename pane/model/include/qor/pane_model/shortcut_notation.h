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

}  // namespace qor
