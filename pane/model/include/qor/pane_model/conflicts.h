/// @file
/// Which bindings already hold a captured key sequence, and how the key
/// configurator's status line words it. Pure functions over property lists;
/// the pane supplies the shown group's dictionary and its look-ups.
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/pane_model/default_changes.h"
#include "qor/pane_model/set_format.h"
#include "qor/pane_model/shortcut_notation.h"
#include "qor/value.h"

namespace qor {

/// The key configurator's prompt, black while nothing else holds the keys.
inline constexpr const char* kConflictPromptText = "Type keys for shortcut.";

/// The keys of the entries of `group` (entry key -> KeyBindingEntry) that hold
/// `sequence`, in `group`'s order, a key once for every one of its stored
/// sequences that matches: an entry holding the sequence twice is named twice.
///
/// A stored sequence matches when it has as many strokes as `sequence` and the
/// strokes at each position match: both have a "key" or neither has; the keys
/// are equal strings, exactly (case counts; a "key" that is not a string
/// equals nothing); and their "modifiers" agree on the bits
/// kModifierMaskBits (a missing or non-number "modifiers" reads as 0). "code"
/// and "unichar" take no part. Besides, the entry's "context" must equal
/// `referenceContext` (both null counts as equal; a context beside a null
/// reference never matches). With no stroke to compare, an empty `sequence`
/// matches every empty stored sequence, whatever the contexts.
///
/// Entries that are not dictionaries, "key sequences" that are not arrays and
/// stored sequences that are not arrays are passed over; a stroke that is not
/// a dictionary reads as a modifier-only stroke with modifiers 0. Result:
/// empty for a null group and when nothing matches.
///   group {"[save:] [] [0]": {"key sequences": ((⌘), (⌘ "s"))}}, sequence (⌘ "s")
///     -> {"[save:] [] [0]"}
[[nodiscard]] std::vector<std::string> conflictingEntryKeys(const DictionaryRef& group, const Array& sequence,
                                                            const Ref& referenceContext);

/// What the status line needs to look up; each gets a key and returns its
/// text (the key itself, or empty, when there is none).
struct ConflictTexts {
  /// The "title" of the current set's menu entry under an entry key.
  std::function<std::string(const std::string&)> menuTitle;
  /// The title of an editing command in the table "EditorMenuTitles".
  std::function<std::string(const std::string&)> editorTitle;
  /// A text of the table "Localizable".
  std::function<std::string(const std::string&)> localizable;
};

/// The status line's colour: black for the prompt, red for a conflict.
enum class StatusColor { Black, Red };

struct StatusLine {
  StatusColor color = StatusColor::Black;
  std::string text;
  friend bool operator==(const StatusLine&, const StatusLine&) = default;
};

/// The prompt for `conflicts` empty: black, "Type keys for shortcut.". Else
/// red, "'%@' is currently bound to %@." with `shortcutText` and the titles of
/// `conflicts` (menuTitle or editorTitle by `group`), each in single quotes,
/// joined by ", ". Both formats go through `texts.localizable` first.
///   {"[save:] [] [0]"}, "⌘S", Menu  ->  red "'⌘S' is currently bound to 'Save'."
[[nodiscard]] StatusLine conflictStatusLine(const std::vector<std::string>& conflicts, std::string_view shortcutText,
                                            ShownGroup group, const ConflictTexts& texts);

// ---- Beyond the one-sequence search: prefixes, whole sets, look-up by keys ----

/// How a stored sequence stands to a captured one when neither can be typed
/// without running into the other.
enum class PrefixRelation {
  Longer,   // the stored sequence starts with the captured one: the captured keys are its first strokes
  Shorter,  // the captured sequence starts with the stored one: the stored keys run first
};

struct PrefixAmbiguity {
  std::string entryKey;
  ArrayRef storedSequence;
  PrefixRelation relation = PrefixRelation::Longer;
};

/// The stored sequences of `group` that start with `sequence` or with which
/// `sequence` starts, the lengths being different (equal ones are conflicts,
/// see conflictingEntryKeys), in `group`'s order and the entries' stored
/// order. Strokes match and contexts must agree exactly as for
/// conflictingEntryKeys. Result: empty for a null group, an empty `sequence`
/// and empty stored sequences (an empty sequence starts everything and is no
/// shortcut).
///   group {Comment: (⌘ "k" ⌘ "c")}, sequence (⌘ "k")  ->  {Comment, (⌘k⌘c), Longer}
[[nodiscard]] std::vector<PrefixAmbiguity> prefixAmbiguities(const DictionaryRef& group, const Array& sequence,
                                                             const Ref& referenceContext);

/// The formats of the second status line; the pane looks them up in the table
/// "Extras". A prefix of one key stroke is "the first stroke", a longer one
/// "the first strokes".
inline constexpr const char* kPrefixLongerFormat = "'%@' is the first stroke of %@.";
inline constexpr const char* kPrefixLongerStrokesFormat = "'%@' are the first strokes of %@.";
inline constexpr const char* kPrefixItemFormat = "'%@' of '%@'";
inline constexpr const char* kPrefixShorterFormat = "'%@' of '%@' is the first stroke of '%@'.";
inline constexpr const char* kPrefixShorterStrokesFormat = "'%@' of '%@' are the first strokes of '%@'.";

/// The number of strokes of `sequence` that have a "key": what a person counts
/// as its strokes (a modifier-only stroke is part of the next chord).
///   (⌘, ⌘ "k", ⌘, ⌘ "c")  ->  2
[[nodiscard]] std::size_t keyStrokeCount(const Array& sequence);

/// The second status line of the key configurator: empty when `ambiguities`
/// is. Else, when some stored sequences are longer,
///   "'%@' is the first stroke of %@." with `shortcutText` and the list of
///   "'%@' of '%@'" (sequence text, title) joined by ", ",
/// followed, for each shorter stored sequence, by a blank and
///   "'%@' of '%@' is the first stroke of '%@'." (sequence text, title, `shortcutText`).
/// The prefix (`shortcut`, the captured sequence shown as `shortcutText`, for
/// longer stored sequences; the stored one for shorter) with more than one key
/// stroke takes the "first strokes" format instead. Stored sequences are
/// written in `notation` (textOfSequence; `shortcutText` is the caller's, in
/// the same notation), titles come from texts.menuTitle or texts.editorTitle by
/// `group`; the formats go through texts.localizable.
///   {Comment Line (⌘K⌘C), Longer}, "⌘K"  ->  "'⌘K' is the first stroke of '⌘K⌘C' of 'Comment Line'."
///   {Revert (⌘K⌘C), Shorter}, "⌘K⌘C⌘X"  ->  "'⌘K⌘C' of 'Revert' are the first strokes of '⌘K⌘C⌘X'."
///   Words: {Comment Line (⌘K⌘C), Longer}, "Ctrl+K"
///     ->  "'Ctrl+K' is the first stroke of 'Ctrl+K, Ctrl+C' of 'Comment Line'."
[[nodiscard]] std::string prefixAmbiguityLine(const std::vector<PrefixAmbiguity>& ambiguities, const Array& shortcut,
                                              std::string_view shortcutText, ShownGroup group,
                                              const ConflictTexts& texts,
                                              ShortcutNotation notation = ShortcutNotation::Symbols);

/// The format of the key configurator's keyboard-layout line; the pane looks
/// it up in the table "Extras".
inline constexpr const char* kUntypableFormat = "%@ cannot be typed on the current keyboard layout.";

/// The key configurator's keyboard-layout line: the sequences among
/// `sequences` (null ones passed over) that hold a key stroke whose "key"
/// `canType` refuses, as stringFromKeySequence gives them, each in "'%@'",
/// joined by ", ", a text once, in the format kUntypableFormat through
/// `localizable`. A "key" that is not a string is not asked about. Result:
/// empty when every key can be typed.
///   ((⌘ "ü")), canType "ü" false  ->  "'⌘ü' cannot be typed on the current keyboard layout."
[[nodiscard]] std::string untypableShortcutsLine(const std::vector<ArrayRef>& sequences,
                                                 const std::function<bool(const std::string&)>& canType,
                                                 const std::function<std::string(const std::string&)>& localizable);

/// A text that two sequences share exactly when every stroke of one matches
/// the stroke at the same position of the other as conflictingEntryKeys
/// matches them (same length, "key" texts, modifier bits). nullopt for a
/// sequence with a stroke whose "key" is not a string: it matches nothing.
///   (⌘ "s" with code 1) and (⌘ "s" with code 39, Caps Lock)  ->  equal texts
[[nodiscard]] std::optional<std::string> strokeMatchSignature(const Array& sequence);

/// One sequence that several commands hold in the same context.
struct SequenceConflict {
  ArrayRef sequence;                   // as the first of them stores it
  std::vector<std::string> entryKeys;  // two or more, each once, in `group`'s order
};

/// Every sequence of `group` that entries under two or more keys hold with
/// equal contexts (both missing, or isEqual), strokes compared as
/// conflictingEntryKeys compares them. Conflicts come in the order of their
/// first holder in `group`. An entry holding a sequence twice is no conflict
/// by itself. Empty sequences, sequences with a stroke whose "key" is not a
/// string (equal to nothing) and malformed entries are passed over.
/// Result: empty for a null group.
///   {Save: (⌘S), Sell: (⌘S), Open: (⌘O)}  ->  {(⌘S): {Save, Sell}}
[[nodiscard]] std::vector<SequenceConflict> allConflicts(const DictionaryRef& group);

/// The keys of the entries of `group` holding a sequence that starts with
/// `sequence` (equal ones included), each key once, in `group`'s order,
/// whatever the entries' contexts: what a search by pressed keys shows.
/// Result: empty for a null group or an empty `sequence`.
///   {Save: (⌘S), Comment: (⌘K⌘C)}, (⌘K)  ->  {Comment}
[[nodiscard]] std::vector<std::string> entryKeysStartingWithSequence(const DictionaryRef& group,
                                                                     const Array& sequence);

/// Fixing a conflict in place: what taking `sequence` away from the commands
/// `entryKeys` of part `group` ("menu" or "editor") of `set` changes, before
/// it is bound to the selected command. One EntryReset per key, each once, in
/// the order given: a deep mutable copy of the set's entry (of `defaultSet`'s
/// when the set has none, as a commit copies one) without the stored
/// sequences that match `sequence` stroke for stroke as conflictingEntryKeys
/// matches them; the contexts were already compared when the keys were found.
/// A key that neither set has an entry for is passed over. Result: empty for
/// a null set, an empty `sequence`, and a `group` other than "menu" and
/// "editor".
///   set {Save: (⌘S, ⌘⇧S)}, keys {Save}, (⌘S)  ->  {menu, Save, {(⌘⇧S)}}
[[nodiscard]] std::vector<EntryReset> releaseSequenceFromEntries(const DictionaryRef& set,
                                                                 const DictionaryRef& defaultSet,
                                                                 std::string_view group,
                                                                 const std::vector<std::string>& entryKeys,
                                                                 const Array& sequence);

}  // namespace qor
