/// @file
/// Rules over the stored sets, as pure functions that return data; the pane
/// applies their results.
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qor/value.h"

namespace qor {

/// The collection key of set `number`: decimal, a minus sign for negatives.
///   setKeyForNumber(-12) -> "-12"
[[nodiscard]] std::string setKeyForNumber(std::int32_t number);

/// The number a collection key stands for: the key's integer value, as a
/// pop-up item's tag carries it. nullopt when the key is not a decimal
/// integer within the signed 32-bit range.
[[nodiscard]] std::optional<std::int32_t> numberForSetKey(std::string_view key);

/// The keys of `sets` in pop-up order: ascending, case-insensitive text order
/// ("10" before "9"); keys that compare equal keep their collection order.
[[nodiscard]] std::vector<std::string> setKeysInPopUpOrder(const Dictionary& sets);

/// One item of the set pop-up.
struct SetChoice {
  std::int32_t number = 0;  // the item's tag: 0 for the default set and for a key that is no number
  std::string title;
  friend bool operator==(const SetChoice&, const SetChoice&) = default;
};

/// The items of the set pop-up: first the host's default set (number 0, its
/// "name", "" without one), then the sets of `sets` in pop-up order, each
/// titled with its "name" or, without one, its key. An item is added untitled
/// and titled afterwards, and a pop-up holds one untitled item at most: while
/// an earlier item's title is empty, a set is left out. Null `sets` or
/// `defaultSet` add nothing of theirs.
///   default "Default", sets {"7": "Mine", "12": (no name)} -> {0 "Default"}, {12 "12"}, {7 "Mine"}
[[nodiscard]] std::vector<SetChoice> setChoices(const DictionaryRef& sets, const DictionaryRef& defaultSet);

/// The keys of `group` that `reference` lacks, in `group`'s order. A null
/// `reference` lacks every key.
///   keysMissingFrom({a, x, b}, {a, b}) -> {x}
[[nodiscard]] std::vector<std::string> keysMissingFrom(const Dictionary& group, const DictionaryRef& reference);

/// A number for a new set: `preferred` when the collection has no set under
/// it, else the next number above it that is free (never 0, wrapping past the
/// 32-bit maximum to the minimum). The clock's number for two duplicates made
/// within one second would otherwise replace a set.
[[nodiscard]] std::int32_t firstFreeSetNumber(const Dictionary& sets, std::int64_t preferred);

}  // namespace qor
