// Key-binding sets as the host applies them: which set is in force, and the
// texts of its sequences in the menus and the log.
//
// Example:
//   DictionaryRef set = qor::keyBindingsSetForNumber(storedSets, defaultSet, 1700000000);
//   qor::textOfChords({{"k", 0x100000}, {"c", 0x100000}}, ShortcutNotation::Words);   // "Ctrl+K, Ctrl+C"
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qor/pane_model/key_dispatch.h"
#include "qor/pane_model/shortcut_notation.h"
#include "qor/value.h"

namespace qor {

// The set in force for set number `number`: the default set for 0, else the
// set stored under "%d" of the number in `storedSets` ("global.keyBindingsSets"),
// the default set again when there is none (as the pane falls back).
[[nodiscard]] DictionaryRef keyBindingsSetForNumber(const DictionaryRef& storedSets, const DictionaryRef& defaultSet,
                                                    std::int32_t number);

// The text of `chords` in `notation`, as the pane writes a sequence: "⌘K⌘C"
// or "Ctrl+K, Ctrl+C". Result: empty for no chords.
[[nodiscard]] std::string textOfChords(const std::vector<KeyChord>& chords, ShortcutNotation notation);

// The log line of a sequence that more than one command holds, its holders
// in outline order:
//   qor-editor: ⌘K⌘C belongs to 'Comment' and 'Uncomment'; 'Comment' runs it
[[nodiscard]] std::string sharedSequenceLine(const SharedSequence& shared, ShortcutNotation notation);

}  // namespace qor
