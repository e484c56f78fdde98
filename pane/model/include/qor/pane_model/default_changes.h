/// @file
/// Which commands of a set differ from the host's default set, how many per
/// outline group, and what putting the defaults back changes: pure functions
/// over property lists; the pane and the tool apply the result.
///
/// Example:
///   auto changed = qor::differingEntryKeys(*defaultMenu, setMenu, defaultMenu);
///   auto plan = qor::resetEntries(set, defaultSet, qor::kSetMenuKey, {"[saveDocument:] [] [0]"});
///   qor::applyEntryResets(*set, plan);
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/value.h"

namespace qor {

/// Whether two "key sequences" values bind the same shortcuts: as many
/// sequences, in the same order, each pair matching stroke for stroke as the
/// conflict search matches strokes ("code" and "unichar" take no part). A
/// null or non-array value counts as no sequences; a sequence that is not an
/// array, or has a "key" that is not a string, equals nothing.
///   (⌘S) and (⌘S captured with its key code) -> true    (⌘S, ⌘K) and (⌘K, ⌘S) -> false
[[nodiscard]] bool sameShortcuts(const Ref& a, const Ref& b);

/// The keys of `commands`, in its order, under which groups `a` and `b` (entry
/// key -> KeyBindingEntry) bind different shortcuts. A missing group, entry or
/// "key sequences" binds none. Only keys of `commands` are looked at: pass the
/// default set's group, whose keys are every command the host knows.
[[nodiscard]] std::vector<std::string> differingEntryKeys(const Dictionary& commands, const DictionaryRef& a,
                                                          const DictionaryRef& b);

/// A row of an outline, shown fully expanded, as far as grouping needs it.
struct OutlineRowKey {
  int level = 0;                        // 0 for the top level
  std::string title;                    // as shown
  std::optional<std::string> entryKey;  // nullopt for groups, separators, submenu holders
};

/// A top-level group of an outline and the commands below it.
struct OutlineGroup {
  std::string title;
  std::vector<std::string> entryKeys;  // in row order, each once
};

/// One group per top-level row, holding the entry keys of the rows below it
/// up to the next top-level row, at any depth. A top-level row with an entry
/// key of its own (a command outside every group) makes no group.
///   File(0) New(1) Recent(1) Clear(2) Edit(0)  ->  {File: New, Clear}, {Edit: }
[[nodiscard]] std::vector<OutlineGroup> outlineGroupsOfRows(const std::vector<OutlineRowKey>& rows);

struct GroupChangeCount {
  std::string title;
  std::size_t changed = 0;   // commands of the group among `changedKeys`
  std::size_t commands = 0;  // commands of the group
  friend bool operator==(const GroupChangeCount&, const GroupChangeCount&) = default;
};

/// For each group, in order, how many of its commands are in `changedKeys`.
[[nodiscard]] std::vector<GroupChangeCount> changeCounts(const std::vector<OutlineGroup>& groups,
                                                         const std::vector<std::string>& changedKeys);

/// One change of a set: in its part `group` ("menu" or "editor"), the entry
/// under `entryKey` becomes `entry`, a deep mutable copy of the default
/// entry; a null `entry` removes the set's entry (the host knows no such
/// command).
struct EntryReset {
  std::string group;
  std::string entryKey;
  Ref entry;
};

/// What resetting the commands `entryKeys` of part `group` of `set` to
/// `defaultSet` changes: one EntryReset per key whose shortcuts differ from
/// the default's (sameShortcuts), in the order given, each key once. Keys the
/// default set lacks are removed when the set has them. Result: empty when
/// nothing differs, for a null set or default set, and for a `group` other
/// than "menu" and "editor".
[[nodiscard]] std::vector<EntryReset> resetEntries(const DictionaryRef& set, const DictionaryRef& defaultSet,
                                                   std::string_view group, const std::vector<std::string>& entryKeys);

/// Resetting the whole set: for "menu" and then "editor", every command of the
/// default set whose shortcuts differ, then every entry the default set
/// lacks. The set's "name" (and its number, which is not in the set) stay.
[[nodiscard]] std::vector<EntryReset> resetWholeSet(const DictionaryRef& set, const DictionaryRef& defaultSet);

/// Applies `resets` to `set`, creating a part that is missing. Result: false,
/// with `set` unchanged, when a part to change exists but is not a mutable
/// dictionary.
[[nodiscard]] bool applyEntryResets(MutableDictionary& set, const std::vector<EntryReset>& resets);

/// The outlines' column that shows what differs from the default set: the
/// mark on a changed command's row, the number of changed commands on a
/// top-level row when it is not 0.
inline constexpr std::string_view kChangedColumn = "changed";
inline constexpr std::string_view kChangedCommandMark = "•";

/// Whether the command `key` of a set's part `part` (entry key ->
/// KeyBindingEntry) binds other shortcuts than the default set's part
/// `defaults`, as differingEntryKeys decides it: a key that `defaults` lacks
/// never differs; a null `part`, or no entry there, binds none.
///   defaults {save: ⌘S}, part {}          , "save" -> true
///   defaults {save: ⌘S}, part {save: ⌘S}  , "save" -> false
///   defaults {}        , part {bogus: ⌘B} , "bogus" -> false
[[nodiscard]] bool entryDiffersFromDefault(const DictionaryRef& defaults, const DictionaryRef& part,
                                           std::string_view key);

}  // namespace qor
