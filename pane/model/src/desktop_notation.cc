#include "qor/pane_model/desktop_notation.h"

#include <array>
#include <cstdint>

#include "qor/pane_model/set_format.h"
#include "qor/key_masks.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr char kModifierJoiner = '+';
constexpr std::string_view kUnreadableKey = "?";

struct ModifierName {
  std::uint32_t mask;
  std::string_view name;
};

constexpr std::array<ModifierName, 4> kModifierNames{{
    {kCommandKeyMask, "Ctrl"},
    {kControlKeyMask, "Meta"},
    {kAlternateKeyMask, "Alt"},
    {kShiftKeyMask, "Shift"},
}};

struct NamedCode {
  char16_t code;
  std::string_view name;
};

constexpr std::array<NamedCode, 20> kNamedCodes{{
    {0x0020, "Space"},  {0x001B, "Esc"},    {0x0009, "Tab"},   {0x0019, "Backtab"}, {0x007F, "Backspace"},
    {0x0008, "Backspace"}, {0x000D, "Return"}, {0x0003, "Enter"}, {0xF728, "Del"},     {0xF729, "Home"},
    {0xF72B, "End"},    {0xF72C, "PgUp"},   {0xF72D, "PgDown"}, {0xF702, "Left"},    {0xF700, "Up"},
    {0xF703, "Right"},  {0xF701, "Down"},   {0xF746, "Help"},  {0xF739, "Clear"},
    {0xF727, "Ins"},
}};

// Function keys: F1 is 0xF704, and the codes follow in order up to F35.
constexpr char16_t kFirstFunctionKeyCode = 0xF704;
constexpr char16_t kLastFunctionKeyNumber = 35;

std::uint32_t modifiersOf(const DictionaryRef& stroke) {
  NumberRef modifiers = stroke ? stroke->numberForKey(kStrokeModifiersKey) : nullptr;
  return modifiers ? static_cast<std::uint32_t>(modifiers->integerValue()) & kModifierMaskBits : 0;
}

std::string modifierText(std::uint32_t modifiers) {
  std::string text;
  for (const ModifierName& modifier : kModifierNames) {
    if ((modifiers & modifier.mask) == 0) continue;
    if (!text.empty()) text += kModifierJoiner;
    text += modifier.name;
  }
  return text;
}

// The key's name and whether it means Shift by itself (a capital letter).
std::pair<std::string, bool> keyName(const std::string& key) {
  std::u16string units = utf16FromUtf8(key);
  if (units.empty()) return {key, false};
  char16_t code = units.front();
  if (code >= u'a' && code <= u'z') return {std::string(1, static_cast<char>(code - u'a' + u'A')), false};
  if (code >= u'A' && code <= u'Z') return {std::string(1, static_cast<char>(code)), true};
  for (const NamedCode& named : kNamedCodes)
    if (named.code == code) return {std::string(named.name), false};
  if (code >= kFirstFunctionKeyCode && code < kFirstFunctionKeyCode + kLastFunctionKeyNumber)
    return {"F" + std::to_string(code - kFirstFunctionKeyCode + 1), false};
  return {key, false};
}

std::string chordText(const DictionaryRef& stroke) {
  std::uint32_t modifiers = modifiersOf(stroke);
  StringRef key = stroke ? stroke->stringForKey(kStrokeKeyKey) : nullptr;
  std::string name(kUnreadableKey);
  if (key) {
    auto [text, meansShift] = keyName(key->value());
    name = std::move(text);
    if (meansShift) modifiers |= kShiftKeyMask;
  }
  std::string prefix = modifierText(modifiers);
  return prefix.empty() ? name : prefix + kModifierJoiner + name;
}

}  // namespace

std::string desktopNotationOfSequence(const Array& sequence) {
  std::string text;
  const std::vector<Ref>& strokes = sequence.elements();
  for (std::size_t i = 0; i < strokes.size(); ++i) {
    DictionaryRef stroke = asDictionary(strokes[i]);
    bool hasKey = stroke && stroke->containsKey(kStrokeKeyKey);
    std::string chord;
    if (hasKey) {
      chord = chordText(stroke);
    } else {
      DictionaryRef next = i + 1 < strokes.size() ? asDictionary(strokes[i + 1]) : nullptr;
      if (next && next->containsKey(kStrokeKeyKey)) continue;
      chord = modifierText(modifiersOf(stroke));
      if (chord.empty()) continue;
    }
    if (!text.empty()) text += kDesktopChordSeparator;
    text += chord;
  }
  return text;
}

std::string desktopNotationOfShortcuts(const Ref& keySequences) {
  ArrayRef sequences = asArray(keySequences);
  std::string text;
  if (!sequences) return text;
  for (const Ref& element : sequences->elements()) {
    ArrayRef sequence = asArray(element);
    if (!sequence) continue;
    if (!text.empty()) text += kDesktopSequenceSeparator;
    text += desktopNotationOfSequence(*sequence);
  }
  return text;
}

}  // namespace qor
