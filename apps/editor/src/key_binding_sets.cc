#include "key_binding_sets.h"

#include "qor/pane_model/set_format.h"

namespace qor {

DictionaryRef keyBindingsSetForNumber(const DictionaryRef& storedSets, const DictionaryRef& defaultSet,
                                      std::int32_t number) {
  if (number == 0 || !storedSets) return defaultSet;
  DictionaryRef stored = storedSets->dictionaryForKey(std::to_string(number));
  return stored ? stored : defaultSet;
}

std::string textOfChords(const std::vector<KeyChord>& chords, ShortcutNotation notation) {
  // The strokes as the key configurator stores them: a modifier-only stroke
  // before each key stroke with modifiers, whose glyphs the symbols show.
  auto strokes = MutableArray::make();
  for (const KeyChord& chord : chords) {
    const Ref modifiers = integer(chord.modifiers);
    if (chord.modifiers != 0) strokes->addObject(Dictionary::make({{kStrokeModifiersKey, modifiers}}));
    strokes->addObject(Dictionary::make({{kStrokeKeyKey, str(chord.key)}, {kStrokeModifiersKey, modifiers}}));
  }
  return textOfSequence(*strokes, notation);
}

std::string sharedSequenceLine(const SharedSequence& shared, ShortcutNotation notation) {
  std::string holders = "'" + shared.runs.title + "'";
  for (std::size_t index = 0; index < shared.shadowed.size(); ++index)
    holders += (index + 1 == shared.shadowed.size() ? " and '" : ", '") + shared.shadowed[index].title + "'";
  return "qor-editor: " + textOfChords(shared.chords, notation) + " belongs to " + holders + "; '" +
         shared.runs.title + "' runs it";
}

}  // namespace qor
