// The pane's values for tests: key strokes, sequences and entries in the
// stored-set format, and the outlets the pane declares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qor/key_bindings.h"
#include "qor/testing/key_masks.h"

namespace qor::fixtures {

inline DictionaryRef modifierStroke(std::uint32_t modifiers) {
  return Dictionary::make({{kStrokeModifiersKey, integer(modifiers)}});
}

inline DictionaryRef keyStroke(char key, std::uint32_t modifiers) {
  return Dictionary::make({{kStrokeKeyKey, str(std::string(1, key))},
                           {kStrokeUnicharKey, integer(key)},
                           {kStrokeModifiersKey, integer(modifiers)}});
}

// A plain key, as the shortcut-table builder writes it: "a" -> A.
inline ArrayRef plainKey(char key) { return Array::make({keyStroke(key, 0)}); }

// A chord: the modifier-only stroke, then the key stroke -> ⌘S.
inline ArrayRef chord(std::uint32_t modifiers, char key) {
  return Array::make({modifierStroke(modifiers), keyStroke(key, modifiers)});
}

inline DictionaryRef entry(const std::string& title, std::vector<Ref> sequences) {
  return Dictionary::make({{kEntryTitleKey, str(title)}, {kKeySequencesKey, Array::make(std::move(sequences))}});
}

// Every outlet the pane declares, in its order, as the pane itself lists them.
std::vector<OutletSpec> paneOutlets();

}  // namespace qor::fixtures
