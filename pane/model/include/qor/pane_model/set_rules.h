// Rules over the stored sets, as pure functions that return data; the pane
// applies their results.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qor/value.h"

namespace qor {

// The collection key of set `number`: decimal, a minus sign for negatives.
//   setKeyForNumber(-12) -> "-12"
[[nodiscard]] std::string setKeyForNumber(std::int32_t number);

// The number a collection key stands for: the key's integer value, as a
// pop-up item's tag carries it. nullopt when the key is not a decimal
// integer within the signed 32-bit range.
[[nodiscard]] std::optional<std::int32_t> numberForSetKey(std::string_view key);

// The keys of `sets` in pop-up order: ascending, case-insensitive text order
// ("10" before "9"); keys that compare equal keep their collection order.
[[nodiscard]] std::vector<std::string> setKeysInPopUpOrder(const Dictionary& sets);

// The keys of `group` that `reference` lacks, in `group`'s order. A null
// `reference` lacks every key.
//   keysMissingFrom({a, x, b}, {a, b}) -> {x}
[[nodiscard]] std::vector<std::string> keysMissingFrom(const Dictionary& group, const DictionaryRef& reference);

// A number for a new set: `preferred` when the collection has no set under
// it, else the next number above it that is free (never 0, wrapping past the
// 32-bit maximum to the minimum). The clock's number for two duplicates made
// within one second would otherwise replace a set.
[[nodiscard]] std::int32_t firstFreeSetNumber(const Dictionary& sets, std::int64_t preferred);

}  // namespace qor
