#include "qor/pane_model/desktop_shortcuts.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

#include "qor/pane_model/conflicts.h"
#include "qor/pane_model/set_format.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr char kModifierOpen = '<';
constexpr char kModifierClose = '>';
constexpr std::string_view kDisabledAccelerator = "disabled";
constexpr std::string_view kLineSeparator = " ";

struct Rename {
  std::string_view from;  // lower case
  std::string_view to;    // as parseKeyText reads it
};

// GTK's modifier names, in portable words.
constexpr std::array<Rename, 8> kAcceleratorModifiers{{
    {"control", "Ctrl"}, {"ctrl", "Ctrl"}, {"primary", "Ctrl"}, {"shift", "Shift"},
    {"alt", "Alt"}, {"mod1", "Alt"}, {"super", "Meta"}, {"meta", "Meta"},
}};

// X keysym names that differ from the portable key text; letters, digits
// and F1-F35 are the same in both and pass as they are.
constexpr std::array<Rename, 48> kKeysymNames{{
    {"return", "Return"},       {"tab", "Tab"},           {"space", "Space"},
    {"escape", "Esc"},          {"delete", "Del"},        {"backspace", "Backspace"},
    {"home", "Home"},           {"end", "End"},           {"page_up", "PgUp"},
    {"prior", "PgUp"},          {"page_down", "PgDown"},  {"next", "PgDown"},
    {"left", "Left"},           {"up", "Up"},             {"right", "Right"},
    {"down", "Down"},           {"kp_enter", "Enter"},    {"help", "Help"},
    {"bracketleft", "["},       {"bracketright", "]"},    {"braceleft", "{"},
    {"braceright", "}"},        {"parenleft", "("},       {"parenright", ")"},
    {"comma", ","},             {"period", "."},          {"slash", "/"},
    {"backslash", "\\"},        {"semicolon", ";"},       {"colon", ":"},
    {"apostrophe", "'"},        {"quotedbl", "\""},       {"grave", "`"},
    {"asciitilde", "~"},        {"minus", "-"},           {"underscore", "_"},
    {"equal", "="},             {"plus", "+"},            {"less", "<"},
    {"greater", ">"},           {"question", "?"},        {"exclam", "!"},
    {"at", "@"},                {"numbersign", "#"},      {"dollar", "$"},
    {"percent", "%"},           {"asciicircum", "^"},     {"ampersand", "&"},
}};

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

std::optional<std::string_view> renamed(const auto& table, std::string_view name) {
  const std::string lower = lowerAscii(name);
  for (const Rename& rename : table)
    if (rename.from == lower) return rename.to;
  return std::nullopt;
}

bool isAsciiAlphanumeric(std::string_view name) {
  return name.size() == 1 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z') ||
                              (name[0] >= '0' && name[0] <= '9'));
}

bool isFunctionKeyName(std::string_view name) {
  return name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f') &&
         std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The accelerator in portable words, or nullopt when it names what our
// strokes cannot hold.
std::optional<std::string> portableTextOfAccelerator(std::string_view accelerator) {
  std::string text;
  std::string_view rest = accelerator;
  while (!rest.empty() && rest.front() == kModifierOpen) {
    const std::size_t close = rest.find(kModifierClose);
    if (close == std::string_view::npos) return std::nullopt;
    std::optional<std::string_view> modifier = renamed(kAcceleratorModifiers, rest.substr(1, close - 1));
    if (!modifier) return std::nullopt;
    text += *modifier;
    text += '+';
    rest.remove_prefix(close + 1);
  }
  if (rest.empty()) return std::nullopt;
  if (isAsciiAlphanumeric(rest) || isFunctionKeyName(rest)) return text + std::string(rest);
  std::optional<std::string_view> key = renamed(kKeysymNames, rest);
  if (!key) return std::nullopt;
  return text + std::string(*key);
}

}  // namespace

ArrayRef sequenceOfAccelerator(std::string_view accelerator) {
  if (accelerator.empty() || accelerator == kDisabledAccelerator) return nullptr;
  std::optional<std::string> text = portableTextOfAccelerator(accelerator);
  return text ? sequenceOfPortableKeys(*text) : nullptr;
}

ArrayRef sequenceOfPortableKeys(std::string_view text) {
  KeyTextParse parsed = parseKeyText(text);
  if (!parsed.ok()) return nullptr;
  return sequenceOfChords(parsed.chords);
}

std::vector<DesktopBinding> desktopBindingsHolding(const std::vector<DesktopBinding>& bindings,
                                                   const Array& sequence) {
  std::vector<DesktopBinding> holders;
  if (sequence.empty()) return holders;
  const std::optional<std::string> wanted = strokeMatchSignature(sequence);
  if (!wanted) return holders;
  for (const DesktopBinding& binding : bindings)
    if (binding.sequence && strokeMatchSignature(*binding.sequence) == wanted) holders.push_back(binding);
  return holders;
}

std::string takenByDesktopLine(const std::vector<DesktopBinding>& holders, std::string_view shortcutText,
                               const std::function<std::string(const std::string&)>& localizable) {
  std::string line;
  const std::string format = localizable(kTakenByDesktopFormat);
  for (const DesktopBinding& holder : holders) {
    if (!line.empty()) line += kLineSeparator;
    line += formatWithObjects(format, {std::string(shortcutText), holder.name, holder.desktop});
  }
  return line;
}

std::vector<DesktopConflict> desktopConflicts(const DictionaryRef& group, const std::vector<DesktopBinding>& bindings) {
  std::vector<DesktopConflict> conflicts;
  if (!group) return conflicts;
  // One pass over the group: each stored sequence's signature, and who holds it.
  std::unordered_map<std::string, std::vector<std::string>> holdersOf;
  for (const auto& [key, value] : group->entries()) {
    DictionaryRef entry = asDictionary(value);
    ArrayRef sequences = entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
    if (!sequences) continue;
    for (const Ref& element : sequences->elements()) {
      ArrayRef sequence = asArray(element);
      std::optional<std::string> signature = sequence && !sequence->empty() ? strokeMatchSignature(*sequence)
                                                                            : std::nullopt;
      if (!signature) continue;
      std::vector<std::string>& holders = holdersOf[*signature];
      if (std::find(holders.begin(), holders.end(), key) == holders.end()) holders.push_back(key);
    }
  }
  for (const DesktopBinding& binding : bindings) {
    std::optional<std::string> signature =
        binding.sequence && !binding.sequence->empty() ? strokeMatchSignature(*binding.sequence) : std::nullopt;
    auto found = signature ? holdersOf.find(*signature) : holdersOf.end();
    if (found != holdersOf.end()) conflicts.push_back({binding, found->second});
  }
  return conflicts;
}

}  // namespace qor
