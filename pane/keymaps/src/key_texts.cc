// Key texts of the other editors, turned into Qt's portable text one chord at
// a time so that the keybindings tool's parser (qor/pane_model/key_text.h)
// makes the strokes: one way of reading a key and building its stored form.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/key_masks.h"
#include "qor/keymaps/foreign_keymap.h"
#include "qor/pane_model/desktop_notation.h"
#include "qor/pane_model/key_text.h"
#include "qor/pane_model/set_format.h"
#include "qor/text.h"

namespace qor {

namespace {

// The modifier keys as the keyboard has them; which mask each gives depends
// on the platform (see maskOf).
enum class ModifierKey { Ctrl, Super, Alt, Shift, Primary };

struct ModifierWord {
  std::string_view word;  // lower case; JetBrains' words are compared so too
  ModifierKey key;
};

// Every modifier word the kinds write. "cmd", "meta", "win" and "super" all
// name the key beside Alt; "primary" is Sublime's Ctrl-or-Cmd.
constexpr std::array<ModifierWord, 10> kModifierWords{{
    {"ctrl", ModifierKey::Ctrl},
    {"control", ModifierKey::Ctrl},
    {"shift", ModifierKey::Shift},
    {"alt", ModifierKey::Alt},
    {"option", ModifierKey::Alt},
    {"cmd", ModifierKey::Super},
    {"meta", ModifierKey::Super},
    {"win", ModifierKey::Super},
    {"super", ModifierKey::Super},
    {"primary", ModifierKey::Primary},
}};
// JetBrains writes "pressed" in some keystrokes: it adds nothing.
constexpr std::string_view kPressedWord = "pressed";

// As the host's key events map them: on Linux Ctrl is Command and Super is
// Control; on a Mac the keys keep their own glyphs.
std::uint32_t maskOf(ModifierKey key, KeymapPlatform platform) {
  const bool mac = platform == KeymapPlatform::Mac;
  switch (key) {
    case ModifierKey::Ctrl: return mac ? kControlKeyMask : kCommandKeyMask;
    case ModifierKey::Super: return mac ? kCommandKeyMask : kControlKeyMask;
    case ModifierKey::Alt: return kAlternateKeyMask;
    case ModifierKey::Shift: return kShiftKeyMask;
    case ModifierKey::Primary: return kCommandKeyMask;
  }
  return 0;
}

// A key each kind names by a word, with the name Qt's portable text gives it.
// `lower` is the name of VS Code and Sublime, `jetbrains` JetBrains'; an
// empty name means the kind writes the character itself.
struct NamedKey {
  char16_t code;
  std::string_view lower;
  std::string_view jetbrains;
  std::string_view qt;
};

constexpr std::array<NamedKey, 28> kNamedKeys{{
    {0x000D, "enter", "ENTER", "Return"},
    {0x000D, "return", "", "Return"},
    {0x0009, "tab", "TAB", "Tab"},
    {0x0020, "space", "SPACE", "Space"},
    {0x001B, "escape", "ESCAPE", "Esc"},
    {0x007F, "backspace", "BACK_SPACE", "Backspace"},
    {0xF728, "delete", "DELETE", "Del"},
    {0xF727, "insert", "INSERT", "Ins"},
    {0xF729, "home", "HOME", "Home"},
    {0xF72B, "end", "END", "End"},
    {0xF72C, "pageup", "PAGE_UP", "PgUp"},
    {0xF72D, "pagedown", "PAGE_DOWN", "PgDown"},
    {0xF700, "up", "UP", "Up"},
    {0xF701, "down", "DOWN", "Down"},
    {0xF702, "left", "LEFT", "Left"},
    {0xF703, "right", "RIGHT", "Right"},
    {0xF739, "clear", "CLEAR", "Clear"},
    {',', "", "COMMA", ","},
    {'.', "", "PERIOD", "."},
    {'/', "", "SLASH", "/"},
    {';', "", "SEMICOLON", ";"},
    {'=', "", "EQUALS", "="},
    {'[', "", "OPEN_BRACKET", "["},
    {']', "", "CLOSE_BRACKET", "]"},
    {'\\', "", "BACK_SLASH", "\\"},
    {'-', "", "MINUS", "-"},
    {'\'', "", "QUOTE", "'"},
    {'`', "", "BACK_QUOTE", "`"},
}};

// Function keys: F1 is 0xF704 and the codes follow up to F35.
constexpr char16_t kFirstFunctionKeyCode = 0xF704;
constexpr int kLastFunctionKey = 35;

// Keypad keys by the prefixes of their names in each kind, and JetBrains'
// names of the keypad's operators.
constexpr std::array<std::string_view, 2> kKeypadPrefixes{{"numpad", "keypad"}};
constexpr std::array<std::string_view, 6> kJetBrainsKeypadKeys{
    {"MULTIPLY", "ADD", "SEPARATOR", "SUBTRACT", "DECIMAL", "DIVIDE"}};
constexpr std::string_view kVirtualKeyPrefix = "oem_";
constexpr std::string_view kQtKeypadModifier = "Num+";

constexpr const char* kKeypadReason =
    "a key of the numeric keypad, which this editor does not tell apart from the main keys";
constexpr const char* kVirtualKeyReason = "a key named by its Windows key code, not by what it types";
constexpr const char* kScanCodeReason = "a key named by its place on the keyboard, not by what it types";

// Between chords: VS Code writes a space, Sublime's "keys" elements are read
// joined by one, JetBrains' two keystrokes are read joined by ", ", and Qt's
// portable text has ", " of its own.
constexpr std::string_view kSpaceSeparator = " ";
constexpr std::string_view kJetBrainsSeparator = ", ";
constexpr char kPlusJoiner = '+';
constexpr char kSpaceJoiner = ' ';

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

bool isJetBrains(KeymapKind kind) { return kind == KeymapKind::JetBrains; }

std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> parts;
  for (std::size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator)) {
    parts.push_back(text.substr(0, at));
    text.remove_prefix(at + separator.size());
  }
  parts.push_back(text);
  return parts;
}

// One chord's words: the modifiers, then the key. With "+" joining them, a
// "+" that is the whole rest, or that follows another "+", is the plus key.
struct ChordWords {
  std::vector<std::string_view> modifiers;
  std::string_view key;
};

ChordWords chordWords(std::string_view chord, char joiner) {
  ChordWords words;
  for (std::size_t at = chord.find(joiner); at != std::string_view::npos && at != 0; at = chord.find(joiner)) {
    words.modifiers.push_back(chord.substr(0, at));
    chord.remove_prefix(at + 1);
  }
  words.key = chord;
  return words;
}

// The name Qt's portable text gives `key` of `kind` (one character as it
// is: the parser refuses control characters); nullopt with `why` for a key
// this editor cannot represent or the kind does not name. Other names are
// never left to the parser, which would take its own ("Help", "Backtab")
// for keys the kind has no name to write back.
std::optional<std::string> qtKeyName(std::string_view key, KeymapKind kind, std::string& why) {
  const std::string lower = lowerAscii(key);
  for (const NamedKey& named : kNamedKeys) {
    std::string_view name = isJetBrains(kind) ? named.jetbrains : named.lower;
    if (!name.empty() && (isJetBrains(kind) ? key == name : lower == name)) return std::string(named.qt);
  }
  if (lower.size() > 1 && lower[0] == 'f' && lower.find_first_not_of("0123456789", 1) == std::string::npos)
    return "F" + lower.substr(1);  // the parser refuses F0 and F36 and above
  const bool keypad = std::any_of(kKeypadPrefixes.begin(), kKeypadPrefixes.end(),
                                  [&](std::string_view prefix) { return lower.starts_with(prefix); }) ||
                      (isJetBrains(kind) && std::find(kJetBrainsKeypadKeys.begin(), kJetBrainsKeypadKeys.end(),
                                                      key) != kJetBrainsKeypadKeys.end());
  if (keypad) {
    why = kKeypadReason;
    return std::nullopt;
  }
  if (lower.starts_with(kVirtualKeyPrefix)) {
    why = kVirtualKeyReason;
    return std::nullopt;
  }
  if (key.size() > 2 && key.front() == '[' && key.back() == ']') {
    why = kScanCodeReason;
    return std::nullopt;
  }
  if (utf16Length(key) == 1) return std::string(key);
  why = "unknown key '" + shownKeyText(key) + "'";
  return std::nullopt;
}

// The chord in Qt's portable text: Command is "Ctrl", Control "Meta".
std::string qtChord(std::uint32_t mask, const std::string& key) {
  std::string text;
  for (auto [bit, word] : {std::pair{kCommandKeyMask, "Ctrl+"}, std::pair{kControlKeyMask, "Meta+"},
                           std::pair{kAlternateKeyMask, "Alt+"}, std::pair{kShiftKeyMask, "Shift+"}})
    if (mask & bit) text += word;
  return text + key;
}

// One chord of VS Code, Sublime or JetBrains, appended to `chords`. Reasons
// show the text with control characters and broken UTF-8 escaped, so that
// they stay one line.
bool readChord(std::string_view chord, KeymapKind kind, KeymapPlatform platform, std::vector<ParsedChord>& chords,
               std::string& why) {
  ChordWords words = chordWords(chord, isJetBrains(kind) ? kSpaceJoiner : kPlusJoiner);
  std::uint32_t mask = 0;
  for (std::string_view word : words.modifiers) {
    const std::string lower = lowerAscii(word);
    if (lower == kPressedWord) continue;
    auto found = std::find_if(kModifierWords.begin(), kModifierWords.end(),
                              [&](const ModifierWord& w) { return w.word == lower; });
    if (found == kModifierWords.end()) {
      why = "unknown modifier '" + shownKeyText(word) + "' in '" + shownKeyText(chord) + "'";
      return false;
    }
    mask |= maskOf(found->key, platform);
  }
  if (words.key.empty()) {
    why = "no key in '" + shownKeyText(chord) + "'";
    return false;
  }
  const std::optional<std::string> key = qtKeyName(words.key, kind, why);
  if (!key) return false;
  KeyTextParse parsed = parseKeyText(qtChord(mask, *key));
  why = parsed.error;
  chords.insert(chords.end(), parsed.chords.begin(), parsed.chords.end());
  return parsed.ok();
}

// The modifiers of `mask` in `kind`'s notation on `platform`, in the order
// the kinds write them: Ctrl, Shift, Alt, then the key beside Alt.
std::vector<std::string_view> modifierWords(std::uint32_t mask, KeymapKind kind, KeymapPlatform platform) {
  const bool mac = platform == KeymapPlatform::Mac;
  std::string_view ctrl = isJetBrains(kind) ? "control" : "ctrl";
  std::string_view super = kind == KeymapKind::Sublime ? "super" : (mac && !isJetBrains(kind) ? "cmd" : "meta");
  std::vector<std::string_view> words;
  for (auto [key, word] : {std::pair{ModifierKey::Ctrl, ctrl}, std::pair{ModifierKey::Shift, std::string_view("shift")},
                           std::pair{ModifierKey::Alt, std::string_view("alt")}, std::pair{ModifierKey::Super, super}})
    if (mask & maskOf(key, platform)) words.push_back(word);
  return words;
}

// The name of a stroke's key in `kind`'s notation; empty when it has none.
std::string keyName(char16_t code, KeymapKind kind) {
  for (const NamedKey& named : kNamedKeys)
    if (named.code == code) {
      std::string_view name = isJetBrains(kind) ? named.jetbrains : named.lower;
      if (!name.empty()) return std::string(name);
    }
  if (code >= kFirstFunctionKeyCode && code < kFirstFunctionKeyCode + kLastFunctionKey)
    return (isJetBrains(kind) ? "F" : "f") + std::to_string(code - kFirstFunctionKeyCode + 1);
  if (code < ' ' || code == 0x7F || (code >= 0xF700 && code <= 0xF8FF)) return {};
  if (code >= 'a' && code <= 'z' && isJetBrains(kind)) return std::string(1, static_cast<char>(code - 'a' + 'A'));
  if (code >= 'A' && code <= 'Z' && !isJetBrains(kind)) return std::string(1, static_cast<char>(code - 'A' + 'a'));
  return utf8FromCodeUnit(code);
}

bool usesQtText(KeymapKind kind) { return kind == KeymapKind::KDE || kind == KeymapKind::QtCreator; }

}  // namespace

ArrayRef sequenceOfKeyText(std::string_view text, KeymapKind kind, KeymapPlatform platform, std::string* why) {
  std::string reason;
  std::vector<ParsedChord> chords;
  if (usesQtText(kind)) {
    if (text.find(kQtKeypadModifier) != std::string_view::npos) {
      reason = kKeypadReason;
    } else {
      KeyTextParse parsed = parseKeyText(text);
      reason = parsed.error;
      chords = std::move(parsed.chords);
    }
  } else {
    const std::string_view separator = isJetBrains(kind) ? kJetBrainsSeparator : kSpaceSeparator;
    for (std::string_view chord : split(text, separator))
      if (!readChord(chord, kind, platform, chords, reason)) break;
  }
  if (text.empty()) reason = "no key";
  if (!reason.empty()) {
    if (why) *why = reason;
    return nullptr;
  }
  return sequenceOfChords(chords);
}

std::string keyTextOfSequence(const Array& sequence, KeymapKind kind, KeymapPlatform platform) {
  if (usesQtText(kind)) return desktopNotationOfSequence(sequence);
  std::string text;
  for (const Ref& element : sequence.elements()) {
    DictionaryRef stroke = asDictionary(element);
    StringRef key = stroke ? stroke->stringForKey(kStrokeKeyKey) : nullptr;
    if (!key) continue;  // a modifier-only stroke: the key stroke carries the modifiers
    const std::u16string units = utf16FromUtf8(key->value());
    if (units.size() != 1) return {};
    NumberRef modifiers = stroke->numberForKey(kStrokeModifiersKey);
    auto mask = static_cast<std::uint32_t>(modifiers ? modifiers->integerValue() : 0) & kModifierMaskBits;
    if (units[0] >= 'A' && units[0] <= 'Z') mask |= kShiftKeyMask;  // a capital letter means Shift
    const std::string name = keyName(units[0], kind);
    if (name.empty()) return {};
    if (!text.empty()) text += isJetBrains(kind) ? kJetBrainsSeparator : kSpaceSeparator;
    for (std::string_view word : modifierWords(mask, kind, platform)) {
      text += word;
      text += isJetBrains(kind) ? kSpaceJoiner : kPlusJoiner;
    }
    text += name;
  }
  return text;
}

}  // namespace qor
