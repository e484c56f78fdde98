// Key-binding sets as the host applies them: stored key sequences become Qt
// shortcuts of its menu actions and of its text view's commands.
//
// The modifiers map as the key snooper reads them (qor/qt/key_events.h):
// Command is Ctrl, Control is Meta, Option is Alt, Shift is Shift. Each key
// stroke of a sequence becomes one chord of the shortcut, with the stroke's
// own modifiers; modifier-only strokes add nothing, since the key stroke
// after them carries the same modifiers.
//
// Example:
//   DictionaryRef set = qor::keyBindingsSetForNumber(storedSets, defaultSet, 1700000000);
//   action->setShortcuts(qor::shortcutsForEntry(set, defaultSet, "menu", "[saveDocument:] [] [0]"));
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <QKeySequence>
#include <QList>

#include "qor/value.h"

namespace qor {

// A stored KeySequence as a Qt shortcut. Result: nullopt for an empty
// sequence, more than four key strokes (Qt's limit), a stroke that is not a
// dictionary, or a key without a Qt key.
//   (⌘ stroke, {"key" = "s"; "modifiers" = 0x100000}) -> Ctrl+S
[[nodiscard]] std::optional<QKeySequence> keySequenceFromStrokes(const Array& sequence);

// The set in force for set number `number`: the default set for 0, else the
// set stored under "%d" of the number in `storedSets` ("global.keyBindingsSets"),
// the default set again when there is none (as the pane falls back).
[[nodiscard]] DictionaryRef keyBindingsSetForNumber(const DictionaryRef& storedSets, const DictionaryRef& defaultSet,
                                                    std::int32_t number);

// The shortcuts of the entry under `key` in the `group` ("menu" or "editor")
// of `set`: every stored sequence Qt can hold, in stored order. A set
// without an entry there (one made before the host had the command) takes
// the default set's entry; an entry with no sequences gives none.
[[nodiscard]] QList<QKeySequence> shortcutsForEntry(const DictionaryRef& set, const DictionaryRef& defaultSet,
                                                    std::string_view group, const std::string& key);

}  // namespace qor
