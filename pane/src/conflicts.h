// Which bindings already hold a captured key sequence, and how the key
// configurator's status line words it. Pure functions over property lists;
// the pane supplies the shown group's dictionary and its look-ups.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/key_bindings.h"
#include "qor/ports/toolkit.h"
#include "qor/value.h"

namespace qor {

// The key configurator's prompt, black while nothing else holds the keys.
inline constexpr const char* kConflictPromptText = "Type keys for shortcut.";

// The keys of the entries of `group` (entry key -> KeyBindingEntry) that hold
// `sequence`, in `group`'s order, a key once for every one of its stored
// sequences that matches: an entry holding the sequence twice is named twice.
//
// A stored sequence matches when it has as many strokes as `sequence` and the
// strokes at each position match: both have a "key" or neither has; the keys
// are equal strings, exactly (case counts; a "key" that is not a string
// equals nothing); and their "modifiers" agree on the bits
// kModifierMaskBits (a missing or non-number "modifiers" reads as 0). "code"
// and "unichar" take no part. Besides, the entry's "context" must equal
// `referenceContext` (both null counts as equal; a context beside a null
// reference never matches). With no stroke to compare, an empty `sequence`
// matches every empty stored sequence, whatever the contexts.
//
// Entries that are not dictionaries, "key sequences" that are not arrays and
// stored sequences that are not arrays are passed over; a stroke that is not
// a dictionary reads as a modifier-only stroke with modifiers 0. Result:
// empty for a null group and when nothing matches.
//   group {"[save:] [] [0]": {"key sequences": ((⌘), (⌘ "s"))}}, sequence (⌘ "s")
//     -> {"[save:] [] [0]"}
[[nodiscard]] std::vector<std::string> conflictingEntryKeys(const DictionaryRef& group, const Array& sequence,
                                                            const Ref& referenceContext);

// What the status line needs to look up; each gets a key and returns its
// text (the key itself, or empty, when there is none).
struct ConflictTexts {
  // The "title" of the current set's menu entry under an entry key.
  std::function<std::string(const std::string&)> menuTitle;
  // The title of an editing command in the table "EditorMenuTitles".
  std::function<std::string(const std::string&)> editorTitle;
  // A text of the table "Localizable".
  std::function<std::string(const std::string&)> localizable;
};

struct StatusLine {
  TextColor color = TextColor::Black;
  std::string text;
  friend bool operator==(const StatusLine&, const StatusLine&) = default;
};

// The prompt for `conflicts` empty: black, "Type keys for shortcut.". Else
// red, "'%@' is currently bound to %@." with `shortcutText` and the titles of
// `conflicts` (menuTitle or editorTitle by `group`), each in single quotes,
// joined by ", ". Both formats go through `texts.localizable` first.
//   {"[save:] [] [0]"}, "⌘S", Menu  ->  red "'⌘S' is currently bound to 'Save'."
[[nodiscard]] StatusLine conflictStatusLine(const std::vector<std::string>& conflicts, std::string_view shortcutText,
                                            ShownGroup group, const ConflictTexts& texts);

}  // namespace qor
