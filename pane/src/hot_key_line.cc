#include "qor/hot_key_line.h"

#include "qor/key_bindings.h"

namespace qor {

namespace {

struct ReachLine {
  HotKeyReach reach;
  const char* line;
};
constexpr ReachLine kReachLines[] = {
    {HotKeyReach::NoPortal,
     "The hot key works only inside the editor: no GlobalShortcuts portal of the desktop answered, and the display "
     "is not X11."},
    {HotKeyReach::GrabRefused, "The hot key works only inside the editor: another program holds it."},
    {HotKeyReach::NoKey, "The hot key works only inside the editor: no key of the keyboard gives it."},
    {HotKeyReach::TwoStrokes,
     "The hot key works only inside the editor: outside it, a hot key can be one keystroke only."},
};

}  // namespace

std::string hotKeyReachLine(HotKeyReach reach) {
  for (const ReachLine& line : kReachLines)
    if (line.reach == reach) return line.line;
  return {};
}

void KeyBindings::showHotKeyReach() {
  if (!TEXT_kb_hot_key || !services_.application) return;
  const std::string line = hotKeyReachLine(services_.application->hotKeyReach());
  // Asked again at each Apply; the line changes only when the reach does.
  const std::string text = line.empty() ? line : localized(line, kExtrasTable);
  if (TEXT_kb_hot_key->stringValue() != text) TEXT_kb_hot_key->setStringValue(text);
}

}  // namespace qor
