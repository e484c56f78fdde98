#include "key_binding_sets.h"

#include <array>

#include "qor/key_bindings.h"
#include "qor/qt/key_events.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr std::size_t kMaximumChords = 4;

DictionaryRef entryOf(const DictionaryRef& set, std::string_view group, const std::string& key) {
  DictionaryRef part = set ? set->dictionaryForKey(group) : nullptr;
  return part ? part->dictionaryForKey(key) : nullptr;
}

}  // namespace

std::optional<QKeySequence> keySequenceFromStrokes(const Array& sequence) {
  std::array<int, kMaximumChords> chords{};
  std::size_t count = 0;
  for (const Ref& element : sequence.elements()) {
    auto stroke = asDictionary(element);
    if (!stroke) return std::nullopt;
    auto key = stroke->stringForKey(kStrokeKeyKey);
    if (!key) continue;
    std::u16string units = utf16FromUtf8(key->value());
    std::optional<int> qtKey = units.empty() ? std::nullopt : qtKeyForCode(units.front());
    if (!qtKey || count == kMaximumChords) return std::nullopt;
    auto modifiers = stroke->numberForKey(kStrokeModifiersKey);
    auto mask = static_cast<std::uint32_t>(modifiers ? modifiers->integerValue() : 0);
    chords[count++] = QKeyCombination(qtModifiersFromMask(mask), static_cast<Qt::Key>(*qtKey)).toCombined();
  }
  if (count == 0) return std::nullopt;
  return QKeySequence(chords[0], chords[1], chords[2], chords[3]);
}

DictionaryRef keyBindingsSetForNumber(const DictionaryRef& storedSets, const DictionaryRef& defaultSet,
                                      std::int32_t number) {
  if (number == 0 || !storedSets) return defaultSet;
  DictionaryRef stored = storedSets->dictionaryForKey(std::to_string(number));
  return stored ? stored : defaultSet;
}

QList<QKeySequence> shortcutsForEntry(const DictionaryRef& set, const DictionaryRef& defaultSet, std::string_view group,
                                      const std::string& key) {
  DictionaryRef entry = entryOf(set, group, key);
  if (!entry) entry = entryOf(defaultSet, group, key);
  ArrayRef sequences = entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
  QList<QKeySequence> shortcuts;
  if (!sequences) return shortcuts;
  for (const Ref& element : sequences->elements()) {
    auto sequence = asArray(element);
    if (!sequence) continue;
    if (auto shortcut = keySequenceFromStrokes(*sequence)) shortcuts.push_back(*shortcut);
  }
  return shortcuts;
}

}  // namespace qor
