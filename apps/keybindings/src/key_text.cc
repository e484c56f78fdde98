#include "key_text.h"

#include "qor/ports/host.h"

namespace qor {

std::vector<SnoopedKeyEvent> keyEventsForChords(const std::vector<ParsedChord>& chords) {
  std::vector<SnoopedKeyEvent> events;
  for (const ParsedChord& chord : chords) {
    events.push_back({kFlagsChangedEventType, "", 0, chord.modifiers});
    events.push_back({kKeyDownEventType, chord.characters, chord.keyCode, chord.modifiers});
  }
  return events;
}

}  // namespace qor
