// The key events of typed chords (qor/pane_model/key_text.h), as a desktop
// host forwards them to the pane's key snooper.
//
// Example:
//   qor::keyEventsForChords(qor::parseKeyText("Ctrl+K, Ctrl+C").chords).size();   // 4: flags, key, flags, key
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qor/pane_model/key_text.h"

namespace qor {

// A key event as a host passes it to KeySnooper.
struct SnoopedKeyEvent {
  std::uint32_t type = 0;  // kKeyDownEventType or kFlagsChangedEventType
  std::string characters;
  std::uint16_t keyCode = 0;
  std::uint32_t modifiers = 0;
  friend bool operator==(const SnoopedKeyEvent&, const SnoopedKeyEvent&) = default;
};

// The events of typing `chords` with each chord's modifiers pressed just
// before its key: per chord a flags-changed event carrying its modifiers (0
// when it has none: the previous ones were let go), then its key-down. The
// pane thus captures a modifier-only stroke ahead of each chord that has
// modifiers, which is also how the host's default set writes shortcuts.
[[nodiscard]] std::vector<SnoopedKeyEvent> keyEventsForChords(const std::vector<ParsedChord>& chords);

}  // namespace qor
