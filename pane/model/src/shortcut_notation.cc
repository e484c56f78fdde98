#include "qor/pane_model/shortcut_notation.h"

#include "qor/key_notation.h"
#include "qor/pane_model/desktop_notation.h"

namespace qor {

ShortcutNotation shortcutNotationOf(const Ref& stored) {
  auto text = asString(stored);
  return text && text->value() == kWordsNotationValue ? ShortcutNotation::Words : ShortcutNotation::Symbols;
}

const char* storedShortcutNotation(ShortcutNotation notation) {
  return notation == ShortcutNotation::Words ? kWordsNotationValue : kSymbolsNotationValue;
}

std::string textOfSequence(const Array& sequence, ShortcutNotation notation) {
  return notation == ShortcutNotation::Words ? desktopNotationOfSequence(sequence) : stringFromKeySequence(sequence);
}

CapturedKeysText capturedKeysText(const Array& strokes, std::string_view shownBefore, std::string_view added,
                                  ShortcutNotation notation) {
  if (notation == ShortcutNotation::Words) return {desktopNotationOfSequence(strokes), {}};
  return {std::string(shownBefore) + std::string(added), desktopNotationOfSequence(strokes)};
}

}  // namespace qor
