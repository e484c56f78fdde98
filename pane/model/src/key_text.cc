#include "qor/pane_model/key_text.h"

#include <algorithm>
#include <array>
#include <optional>

#include "qor/key_masks.h"
#include "qor/pane_model/set_format.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr std::string_view kChordSeparator = ", ";
constexpr char kModifierJoiner = '+';

struct ModifierName {
  std::string_view name;  // without the "+"
  std::uint32_t mask;
};

constexpr std::array<ModifierName, 4> kModifierNames{{
    {"ctrl", kCommandKeyMask},
    {"meta", kControlKeyMask},
    {"alt", kAlternateKeyMask},
    {"shift", kShiftKeyMask},
}};

// A key of the US keyboard that types characters: unshifted and shifted.
struct PrintableKey {
  char base;
  char shifted;
  std::uint16_t keyCode;
};

constexpr std::array<PrintableKey, 47> kPrintableKeys{{
    {'`', '~', 49},  {'1', '!', 10},  {'2', '@', 11},  {'3', '#', 12},  {'4', '$', 13},  {'5', '%', 14},
    {'6', '^', 15},  {'7', '&', 16},  {'8', '*', 17},  {'9', '(', 18},  {'0', ')', 19},  {'-', '_', 20},
    {'=', '+', 21},  {'q', 'Q', 24},  {'w', 'W', 25},  {'e', 'E', 26},  {'r', 'R', 27},  {'t', 'T', 28},
    {'y', 'Y', 29},  {'u', 'U', 30},  {'i', 'I', 31},  {'o', 'O', 32},  {'p', 'P', 33},  {'[', '{', 34},
    {']', '}', 35},  {'a', 'A', 38},  {'s', 'S', 39},  {'d', 'D', 40},  {'f', 'F', 41},  {'g', 'G', 42},
    {'h', 'H', 43},  {'j', 'J', 44},  {'k', 'K', 45},  {'l', 'L', 46},  {';', ':', 47},  {'\'', '"', 48},
    {'\\', '|', 51}, {'z', 'Z', 52},  {'x', 'X', 53},  {'c', 'C', 54},  {'v', 'V', 55},  {'b', 'B', 56},
    {'n', 'N', 57},  {'m', 'M', 58},  {',', '<', 59},  {'.', '>', 60},  {'/', '?', 61},
}};

// A key known by name. `impliesShift`: typed only with Shift held.
enum class Shifted { No, Implied };

struct NamedKey {
  std::string_view name;  // lower case
  char16_t code;          // the character the host delivers
  std::uint16_t keyCode;
  Shifted shifted = Shifted::No;
};

constexpr std::array<NamedKey, 24> kNamedKeys{{
    {"space", 0x0020, 65},     {"esc", 0x001B, 9},        {"escape", 0x001B, 9},
    {"tab", 0x0009, 23},       {"backtab", 0x0019, 23, Shifted::Implied},
    {"backspace", 0x007F, 22}, {"return", 0x000D, 36},    {"enter", 0x0003, 104},
    {"del", 0xF728, 119},      {"delete", 0xF728, 119},   {"home", 0xF729, 110},
    {"end", 0xF72B, 115},      {"pgup", 0xF72C, 112},     {"pgdown", 0xF72D, 117},
    {"left", 0xF702, 113},     {"up", 0xF700, 111},       {"right", 0xF703, 114},
    {"down", 0xF701, 116},     {"help", 0xF746, 146},     {"clear", 0xF739, 84},
    {"pageup", 0xF72C, 112},   {"pagedown", 0xF72D, 117},
    {"ins", 0xF727, 118},      {"insert", 0xF727, 118},
}};

// Function keys: F1 is 0xF704 and the codes follow in order up to F35.
constexpr char16_t kFirstFunctionKeyCode = 0xF704;
constexpr int kLastFunctionKey = 35;
// X11 key codes of F1-F10, F11-F12 and F13-F24 on a US keyboard; F25 and
// above have no key there.
constexpr std::uint16_t kF1KeyCode = 67;
constexpr std::uint16_t kF11KeyCode = 95;
constexpr std::uint16_t kF13KeyCode = 191;
constexpr int kLastFunctionKeyWithKeyCode = 24;
constexpr int kDecimalBase = 10;

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

// C0 controls and DEL.
constexpr char kFirstPrintable = 0x20;
constexpr char kDelete = 0x7F;
constexpr unsigned char kFirstNonAsciiByte = 0x80;
constexpr int kNibbleBits = 4;
constexpr unsigned char kLowNibble = 0xF;
bool isControlCharacter(char c) { return (c >= 0 && c < kFirstPrintable) || c == kDelete; }

struct Key {
  std::string unshifted;
  std::string shifted;  // what the key produces with Shift held
  std::uint16_t keyCode = 0;
  Shifted impliedShift = Shifted::No;
};

std::optional<std::uint16_t> functionKeyCode(int number) {
  if (number <= kDecimalBase) return static_cast<std::uint16_t>(kF1KeyCode + number - 1);
  if (number <= kDecimalBase + 2) return static_cast<std::uint16_t>(kF11KeyCode + number - kDecimalBase - 1);
  if (number <= kLastFunctionKeyWithKeyCode)
    return static_cast<std::uint16_t>(kF13KeyCode + number - kDecimalBase - 3);
  return std::nullopt;
}

// "f1" to "f35" -> 1 to 35; nullopt for anything else.
std::optional<int> functionKeyNumber(std::string_view lower) {
  if (lower.size() < 2 || lower.size() > 3 || lower[0] != 'f') return std::nullopt;
  int number = 0;
  for (char c : lower.substr(1)) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * kDecimalBase + (c - '0');
  }
  if (lower[1] == '0' || number < 1 || number > kLastFunctionKey) return std::nullopt;
  return number;
}

std::optional<Key> keyNamed(std::string_view name) {
  if (name.size() == 1) {
    char c = name[0];
    for (const PrintableKey& key : kPrintableKeys) {
      bool isLetter = key.base >= 'a' && key.base <= 'z';
      // Letters name their key in either case; other shifted characters
      // can only be typed with Shift.
      if (c == key.base || (isLetter && c == key.shifted))
        return Key{std::string(1, key.base), std::string(1, key.shifted), key.keyCode, Shifted::No};
      if (c == key.shifted)
        return Key{std::string(1, key.base), std::string(1, key.shifted), key.keyCode, Shifted::Implied};
    }
  }
  std::string lower = lowerAscii(name);
  for (const NamedKey& key : kNamedKeys) {
    if (key.name != lower) continue;
    std::string characters = utf8FromCodeUnit(key.code);
    return Key{characters, characters, key.keyCode, key.shifted};
  }
  if (auto number = functionKeyNumber(lower)) {
    std::string characters = utf8FromCodeUnit(static_cast<char16_t>(kFirstFunctionKeyCode + *number - 1));
    return Key{characters, characters, functionKeyCode(*number).value_or(0), Shifted::No};
  }
  // Any other single character: a key of another keyboard, typed as it is.
  // Not a control character: those are the codes of named keys (0x19 is
  // Backtab, which holds Shift; 0x08 shows as Backspace), and one typed raw
  // would mean other keys than the name it is shown with.
  bool oneCharacter = utf16Length(name) == 1 && utf8FromUtf16(utf16FromUtf8(name)) == name;
  if (oneCharacter && !isControlCharacter(name[0])) return Key{std::string(name), std::string(name), 0};
  return std::nullopt;
}

// Parses one chord: modifiers with "+", then the key.
std::optional<ParsedChord> parseChord(std::string_view chord, std::string& error) {
  std::uint32_t modifiers = 0;
  std::string_view rest = chord;
  for (;;) {
    std::size_t joiner = rest.find(kModifierJoiner);
    // A "+" that is the whole rest, or its last character right after
    // another "+", is the plus key itself.
    if (joiner == std::string_view::npos || joiner == 0) break;
    std::string lower = lowerAscii(rest.substr(0, joiner));
    auto modifier = std::find_if(kModifierNames.begin(), kModifierNames.end(),
                                 [&](const ModifierName& m) { return m.name == lower; });
    if (modifier == kModifierNames.end()) break;
    if (modifiers & modifier->mask) {
      error = "repeated modifier '" + shownKeyText(rest.substr(0, joiner)) + "' in '" + shownKeyText(chord) + "'";
      return std::nullopt;
    }
    modifiers |= modifier->mask;
    rest.remove_prefix(joiner + 1);
  }
  if (rest.empty()) {
    error = "no key after the modifiers in '" + shownKeyText(chord) + "'";
    return std::nullopt;
  }
  std::optional<Key> key = keyNamed(rest);
  if (!key) {
    error = "unknown key '" + shownKeyText(rest) + "' in '" + shownKeyText(chord) + "'";
    // "Ctrl+, X": the comma is the key, so the separator after it is missing.
    if (rest.starts_with(kChordSeparator) && rest.size() > kChordSeparator.size())
      error += "; for the comma key followed by another chord write '" + shownKeyText(chord.substr(0, chord.size() - rest.size())) +
               ",, " + shownKeyText(rest.substr(kChordSeparator.size())) + "'";
    return std::nullopt;
  }
  if (key->impliedShift == Shifted::Implied) modifiers |= kShiftKeyMask;
  bool shiftHeld = (modifiers & kShiftKeyMask) != 0;
  return ParsedChord{modifiers, shiftHeld ? key->shifted : key->unshifted, key->keyCode};
}

// Splits at ", " except where the comma is the key of a chord ("Ctrl+,",
// or a chord that is just ","). A "+" ahead of the comma joins the comma to
// the modifiers, unless that "+" is the key itself: a chord of just "+", or
// one whose "+" follows another ("Shift++, Shift+T" is two chords).
std::vector<std::string_view> splitChords(std::string_view text) {
  std::vector<std::string_view> chords;
  std::size_t start = 0;
  for (std::size_t at = 0; at + 1 < text.size(); ++at) {
    if (text.substr(at, kChordSeparator.size()) != kChordSeparator || at == start) continue;
    bool plusIsKey = at - 1 == start || text[at - 2] == kModifierJoiner;
    bool separator = text[at - 1] != kModifierJoiner || plusIsKey;
    if (!separator) continue;
    chords.push_back(text.substr(start, at - start));
    start = at + kChordSeparator.size();
    at = start - 1;
  }
  chords.push_back(text.substr(start));
  return chords;
}

}  // namespace

std::string shownKeyText(std::string_view text) {
  const bool validUtf8 = utf8FromUtf16(utf16FromUtf8(text)) == text;
  std::string result;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (isControlCharacter(c) || (byte >= kFirstNonAsciiByte && !validUtf8)) {
      constexpr const char* kHexDigits = "0123456789abcdef";
      result += "\\x";
      result += kHexDigits[byte >> kNibbleBits];
      result += kHexDigits[byte & kLowNibble];
    } else {
      result += c;
    }
  }
  return result;
}

KeyTextParse parseKeyText(std::string_view text) {
  KeyTextParse result;
  if (text.empty()) {
    result.error = "no keys given";
    return result;
  }
  for (std::string_view chord : splitChords(text)) {
    if (chord.empty()) {
      result.error = "empty chord in '" + shownKeyText(text) + "'";
      break;
    }
    std::optional<ParsedChord> parsed = parseChord(chord, result.error);
    if (!parsed) break;
    result.chords.push_back(std::move(*parsed));
  }
  if (!result.ok()) result.chords.clear();
  return result;
}

ArrayRef sequenceOfChords(const std::vector<ParsedChord>& chords) {
  std::vector<Ref> strokes;
  for (const ParsedChord& chord : chords) {
    if (chord.modifiers != 0) strokes.push_back(Dictionary::make({{kStrokeModifiersKey, integer(chord.modifiers)}}));
    std::u16string units = utf16FromUtf8(chord.characters);
    strokes.push_back(Dictionary::make({{kStrokeKeyKey, str(chord.characters)},
                                        {kStrokeUnicharKey, integer(units.empty() ? 0 : units.front())},
                                        {kStrokeCodeKey, integer(chord.keyCode)},
                                        {kStrokeModifiersKey, integer(chord.modifiers)}}));
  }
  return Array::make(std::move(strokes));
}

}  // namespace qor
