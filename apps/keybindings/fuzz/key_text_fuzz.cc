// libFuzzer target for the key text of `keybindings bind`, `conflicts` and
// `find`. Any text must parse to chords or to one error line, never both.
// Chords must each type a character and give two events apiece. Stored the
// way the key configurator captures them, they must show in the desktop
// notation (what `show --notation desktop` prints) as a text that parses back
// to the same modifiers and characters, so that what the tool shows it also
// takes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "qor/pane_model/desktop_notation.h"
#include "key_text.h"

namespace {

bool sameKeys(const std::vector<qor::ParsedChord>& a, const std::vector<qor::ParsedChord>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].modifiers != b[i].modifiers || a[i].characters != b[i].characters) return false;
  return true;
}

[[noreturn]] void fail(std::string_view text, const std::string& shown, const std::string& why) {
  std::fprintf(stderr, "key text '%.*s' shown as '%s': %s\n", static_cast<int>(text.size()), text.data(),
               shown.c_str(), why.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const qor::KeyTextParse parsed = qor::parseKeyText(text);
  if (!parsed.ok()) {
    if (!parsed.chords.empty()) fail(text, "", "chords beside an error");
    if (parsed.error.find('\n') != std::string::npos) fail(text, "", "an error of more than one line");
    return 0;
  }
  if (parsed.chords.empty()) fail(text, "", "no chords and no error");
  for (const qor::ParsedChord& chord : parsed.chords)
    if (chord.characters.empty()) fail(text, "", "a chord that types nothing");
  if (qor::keyEventsForChords(parsed.chords).size() != 2 * parsed.chords.size()) fail(text, "", "events");

  const std::string shown = qor::desktopNotationOfSequence(*qor::sequenceOfChords(parsed.chords));
  const qor::KeyTextParse again = qor::parseKeyText(shown);
  if (!again.ok()) fail(text, shown, again.error);
  if (!sameKeys(parsed.chords, again.chords)) fail(text, shown, "other keys");
  return 0;
}
