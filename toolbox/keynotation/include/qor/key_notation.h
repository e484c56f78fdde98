/// @file
/// The texts that show keys, modifier masks and key sequences, and the text key
/// under which key-binding sets store a menu command's bindings.
///
/// All four functions are pure: no state, no failure. Text is UTF-8; character
/// codes and lengths count UTF-16 code units, as the keyboard reports them.
///
/// Example:
/// @code
///   qor::stringFromModifier(qor::kCommandKeyMask | qor::kShiftKeyMask)   // "⇧⌘"
///   qor::stringForMenuKeyEquivalentFromKeyCode(0xF704)                  // "F1"
/// @endcode
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>
#include <optional>
#include <string>

#include "qor/key_masks.h"
#include "qor/ports/menu_item.h"
#include "qor/value.h"

namespace qor {

/// The key name or glyph for character code `code`: "Space", "F1" to "F15",
/// "Home", "Page Up", ..., ↩ for 0x000D, ⌫ for 0x0008 and 0x007F, the capital
/// letter for a to z, and for every other code the character itself (capitals,
/// digits, punctuation and the function keys without a name stay as they are).
/// "[0000]" for code 0. A lone surrogate (0xD800 to 0xDFFF) is no character on
/// its own and cannot be written as UTF-8; it gives its code as "[%04x]"
/// ("[d800]").
/// @code
///   0x0061 -> "A"    0x0020 -> "Space"    0xF713 -> "\uF713"
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string stringForMenuKeyEquivalentFromKeyCode(char16_t code);

/// The glyphs of the modifiers in `mask`, always in the order ⌃ ⌥ ⇧ ⌘ (Control,
/// Option, Shift, Command); bits outside kModifierMaskBits are ignored.
/// Result: "(?)" when none of the four is set; never empty.
/// @code
///   0x1E0000 -> "⌃⌥⇧⌘"    0x1 -> "(?)"
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string stringFromModifier(std::uint32_t mask);

/// The display text of a key sequence: strokes are dictionaries read for "key"
/// (a string) and "modifiers" (a number, its low 32 bits). A stroke without a
/// "key" string shows its modifiers (stringFromModifier; a missing or non-number
/// "modifiers" reads as 0 and shows "(?)"); a stroke that is not a dictionary
/// reads the same way, as "(?)". A stroke with a key shows
/// stringForMenuKeyEquivalentFromKeyCode of the key's first UTF-16 code unit
/// (an empty key reads as code 0): a one-character result as it is, a name in
/// brackets ("[Space]", "[F5]", "[[0000]]"). A key stroke's own "modifiers" are
/// not shown. When exactly one key was a capital letter A to Z and the text
/// does not already begin with ⇧, ⇧ goes in front: a capital key means Shift.
/// Result: empty for an empty or null sequence.
/// @code
///   (Command-only stroke, key "C")  ->  "⇧⌘C"
/// @endcode
///@{
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string stringFromKeySequence(const Array& sequence);
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string stringFromKeySequence(const ArrayRef& sequence);
///@}

/// The identifier of a menu command: "[action] [TargetClass] [tag]", e.g.
/// "[saveDocument:] [] [0]" (empty brackets when the item has no target).
/// An item without any action shows "(none)" as its action, which no selector
/// name can equal. Result: nullopt for a null item, a separator and an item
/// whose action is kSubmenuAction (those have no bindings).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<std::string> identifierForMenuItem(const MenuItem* item);

}  // namespace qor
