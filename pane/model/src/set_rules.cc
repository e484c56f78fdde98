#include "qor/pane_model/set_rules.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "qor/pane_model/set_format.h"
#include "qor/text.h"

namespace qor {

std::string setKeyForNumber(std::int32_t number) { return std::to_string(number); }

std::optional<std::int32_t> numberForSetKey(std::string_view key) {
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
  if (error != std::errc() || end != key.data() + key.size() || key.empty()) return std::nullopt;
  return value;
}

std::vector<std::string> setKeysInPopUpOrder(const Dictionary& sets) {
  std::vector<std::string> keys = sets.allKeys();
  std::stable_sort(keys.begin(), keys.end(),
                   [](const std::string& a, const std::string& b) { return compareCaseInsensitive(a, b) < 0; });
  return keys;
}

std::vector<SetChoice> setChoices(const DictionaryRef& sets, const DictionaryRef& defaultSet) {
  StringRef defaultName = defaultSet ? defaultSet->stringForKey(kSetNameKey) : nullptr;
  std::vector<SetChoice> choices{{0, defaultName ? defaultName->value() : std::string()}};
  if (!sets) return choices;
  for (const std::string& key : setKeysInPopUpOrder(*sets)) {
    if (std::any_of(choices.begin(), choices.end(), [](const SetChoice& c) { return c.title.empty(); })) continue;
    auto set = asDictionary(sets->objectForKey(key));
    StringRef name = set ? set->stringForKey(kSetNameKey) : nullptr;
    // A set without a name still needs a title of its own: its key.
    choices.push_back({numberForSetKey(key).value_or(0), name ? name->value() : key});
  }
  return choices;
}

std::vector<std::string> keysMissingFrom(const Dictionary& group, const DictionaryRef& reference) {
  std::vector<std::string> missing;
  for (const auto& [key, value] : group.entries())
    if (!reference || !reference->containsKey(key)) missing.push_back(key);
  return missing;
}

std::int32_t firstFreeSetNumber(const Dictionary& sets, std::int64_t preferred) {
  using Limits = std::numeric_limits<std::int32_t>;
  // The clock's seconds no longer fit in 32 bits after 2038: keep the low
  // bits, as the stored format has room for no more.
  auto candidate = static_cast<std::int32_t>(static_cast<std::uint32_t>(preferred));
  for (std::int64_t tries = 0; tries <= static_cast<std::int64_t>(sets.count()) + 1; ++tries) {
    if (candidate != 0 && !sets.containsKey(setKeyForNumber(candidate))) return candidate;
    candidate = candidate == Limits::max() ? Limits::min() : candidate + 1;
  }
  return candidate;
}

}  // namespace qor
