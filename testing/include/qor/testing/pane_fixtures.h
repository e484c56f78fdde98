// The pane's values for tests: key strokes, sequences and entries in the
// stored-set format, and the outlets the pane declares.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "qor/pane_model/set_format.h"
#include "qor/ports/toolkit.h"
#include "qor/testing/key_masks.h"
#include "qor/text.h"

namespace qor::fixtures {

inline DictionaryRef modifierStroke(std::uint32_t modifiers) {
  return Dictionary::make({{kStrokeModifiersKey, integer(modifiers)}});
}

// The stroke of one key (a UTF-16 unit, as the key configurator keeps it).
inline DictionaryRef keyStroke(char16_t key, std::uint32_t modifiers) {
  return Dictionary::make({{kStrokeKeyKey, str(utf8FromCodeUnit(key))},
                           {kStrokeUnicharKey, integer(key)},
                           {kStrokeModifiersKey, integer(modifiers)}});
}

// A plain key, as the shortcut-table builder writes it: "a" -> A.
inline ArrayRef plainKey(char16_t key) { return Array::make({keyStroke(key, 0)}); }

// A chord as the key configurator stores it: the modifier-only stroke, then
// the key stroke -> ⌘S; a key without modifiers alone.
inline ArrayRef chord(std::uint32_t modifiers, char16_t key) {
  if (modifiers == 0) return plainKey(key);
  return Array::make({modifierStroke(modifiers), keyStroke(key, modifiers)});
}

// The strokes of `chords` one after the other: ⌘K ⌘S.
inline ArrayRef sequence(std::initializer_list<ArrayRef> chords) {
  auto strokes = MutableArray::make();
  for (const auto& chord : chords)
    for (const auto& stroke : chord->elements()) strokes->addObject(stroke);
  return strokes;
}

// An entry; a null `context` makes one without a context.
inline DictionaryRef entry(const std::string& title, std::vector<Ref> sequences, Ref context = nullptr) {
  if (!context)
    return Dictionary::make({{kEntryTitleKey, str(title)}, {kKeySequencesKey, Array::make(std::move(sequences))}});
  return Dictionary::make({{kEntryTitleKey, str(title)},
                           {kKeySequencesKey, Array::make(std::move(sequences))},
                           {kEntryContextKey, std::move(context)}});
}

// Every outlet the pane declares, in its order, as the pane itself lists them.
std::vector<OutletSpec> paneOutlets();

}  // namespace qor::fixtures
