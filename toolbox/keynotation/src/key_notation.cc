#include "qor/key_notation.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "qor/text.h"

namespace qor {

namespace {

struct KeyName {
  char16_t code;
  std::string_view text;
};

// Keys with a fixed name or glyph, by code.
constexpr std::array<KeyName, 20> kKeyNames{{
    {0x0000, "[0000]"},
    {0x0003, "\u2305"},  // ⌅ Enter
    {0x0008, "\u232B"},  // ⌫ Backspace
    {0x0009, "\u21E5"},  // ⇥ Tab
    {0x000D, "\u21A9"},  // ↩ Return
    {0x0019, "\u21E4"},  // ⇤ Back Tab
    {0x001B, "\u238B"},  // ⎋ Escape
    {0x0020, "Space"},
    {0x007F, "\u232B"},  // ⌫ Delete, shown like Backspace
    {0xF700, "\u2191"},  // ↑
    {0xF701, "\u2193"},  // ↓
    {0xF702, "\u2190"},  // ←
    {0xF703, "\u2192"},  // →
    {0xF728, "\u2326"},  // ⌦ Forward Delete
    {0xF729, "Home"},
    {0xF72B, "End"},
    {0xF72C, "Page Up"},
    {0xF72D, "Page Down"},
    {0xF739, "Clear"},
    {0xF746, "Help"},
}};

constexpr char16_t kFirstFunctionKey = 0xF704;  // F1
constexpr char16_t kLastFunctionKey = 0xF712;   // F15
constexpr char16_t kFirstSurrogate = 0xD800;
constexpr char16_t kLastSurrogate = 0xDFFF;
constexpr std::size_t kHexCodeLength = sizeof "[0000]";

constexpr std::string_view kControlGlyph = "\u2303";  // ⌃
constexpr std::string_view kOptionGlyph = "\u2325";   // ⌥
constexpr std::string_view kShiftGlyph = "\u21E7";    // ⇧
constexpr std::string_view kCommandGlyph = "\u2318";  // ⌘
constexpr std::string_view kNoModifier = "(?)";

// Stands for a missing action: no selector name has parentheses.
constexpr std::string_view kNoActionName = "(none)";

std::string hexCode(char16_t code) {
  char buffer[kHexCodeLength];
  std::snprintf(buffer, sizeof buffer, "[%04x]", static_cast<unsigned>(code));
  return buffer;
}

bool isCapitalLetter(char16_t code) { return code >= u'A' && code <= u'Z'; }
bool isSmallLetter(char16_t code) { return code >= u'a' && code <= u'z'; }

std::string bracketed(std::string_view text) {
  std::string out = "[";
  out += text;
  out += ']';
  return out;
}

struct Stroke {
  std::optional<char16_t> key;  // first code unit of "key"; none: modifier-only
  std::uint32_t modifiers = 0;
};

Stroke readStroke(const Ref& element) {
  Stroke stroke;
  auto dictionary = asDictionary(element);
  if (!dictionary) return stroke;
  if (auto key = dictionary->stringForKey("key")) {
    std::u16string units = utf16FromUtf8(key->value());
    stroke.key = units.empty() ? char16_t{0} : units.front();
  }
  if (auto modifiers = dictionary->numberForKey("modifiers"))
    stroke.modifiers = static_cast<std::uint32_t>(modifiers->integerValue());
  return stroke;
}

}  // namespace

std::string stringForMenuKeyEquivalentFromKeyCode(char16_t code) {
  auto named = std::find_if(kKeyNames.begin(), kKeyNames.end(), [&](const KeyName& k) { return k.code == code; });
  if (named != kKeyNames.end()) return std::string(named->text);
  if (isSmallLetter(code)) return std::string(1, static_cast<char>(code - u'a' + 'A'));
  if (code >= kFirstFunctionKey && code <= kLastFunctionKey) return "F" + std::to_string(code - kFirstFunctionKey + 1);
  if (code >= kFirstSurrogate && code <= kLastSurrogate) return hexCode(code);
  return utf8FromCodeUnit(code);
}

std::string stringFromModifier(std::uint32_t mask) {
  std::string out;
  if (mask & kControlKeyMask) out += kControlGlyph;
  if (mask & kAlternateKeyMask) out += kOptionGlyph;
  if (mask & kShiftKeyMask) out += kShiftGlyph;
  if (mask & kCommandKeyMask) out += kCommandGlyph;
  return out.empty() ? std::string(kNoModifier) : out;
}

std::string stringFromKeySequence(const Array& sequence) {
  std::string text;
  int capitals = 0;
  for (const auto& element : sequence.elements()) {
    Stroke stroke = readStroke(element);
    if (!stroke.key) {
      text += stringFromModifier(stroke.modifiers);
      continue;
    }
    std::string name = stringForMenuKeyEquivalentFromKeyCode(*stroke.key);
    // One character means one UTF-16 code unit, as the keyboard counts.
    if (utf16Length(name) == 1) {
      text += name;
      if (isCapitalLetter(*stroke.key)) ++capitals;
    } else {
      text += bracketed(name);
    }
  }
  if (capitals == 1 && !text.starts_with(kShiftGlyph)) text.insert(0, kShiftGlyph);
  return text;
}

std::string stringFromKeySequence(const ArrayRef& sequence) {
  return sequence ? stringFromKeySequence(*sequence) : std::string();
}

std::optional<std::string> identifierForMenuItem(const MenuItem* item) {
  if (!item || item->isSeparatorItem()) return std::nullopt;
  std::optional<std::string> action = item->actionName();
  if (action == kSubmenuAction) return std::nullopt;
  std::string identifier = bracketed(action ? *action : kNoActionName);
  identifier += ' ';
  identifier += bracketed(item->targetClassName().value_or(""));
  identifier += ' ';
  identifier += bracketed(std::to_string(item->tag()));
  return identifier;
}

}  // namespace qor
