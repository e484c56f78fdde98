#include "qor/keymaps/foreign_keymap.h"

#include <array>
#include <cstdint>

#include "keymap_reading.h"

namespace qor {

namespace keymaps {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The length of the UTF-8 character at the start of `text`, or 0 when it
// is not one: no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t utf8CharacterLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continuation = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0U) == 0x80U; };
  const unsigned char lead = byte(0);
  if (lead < 0x80U) return 1;
  if (lead >= 0xC2U && lead <= 0xDFU) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0U && lead <= 0xEFU) {
    if (!continuation(1) || !continuation(2)) return 0;
    if (lead == 0xE0U && byte(1) < 0xA0U) return 0;   // overlong
    if (lead == 0xEDU && byte(1) >= 0xA0U) return 0;  // a surrogate
    return 3;
  }
  if (lead >= 0xF0U && lead <= 0xF4U) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    if (lead == 0xF0U && byte(1) < 0x90U) return 0;   // overlong
    if (lead == 0xF4U && byte(1) >= 0x90U) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// KDE's ini-like files: "[Group]" lines, "name=value" lines, comments after
// "#" or ";" at the start of a line.
bool isIniComment(std::string_view line) { return line.starts_with('#') || line.starts_with(';'); }
bool isIniGroup(std::string_view line) {
  if (line.size() < 3 || line.front() != '[' || line.back() != ']') return false;
  const std::string_view name = line.substr(1, line.size() - 2);
  return name.front() != ' ' && name.find_first_of("\"{}[]") == std::string_view::npos;
}

// Shortcuts of one action in KDE's text: alternatives joined by "; "; an
// empty value or "none" takes the action's shortcuts away.
constexpr std::string_view kKdeAlternativeSeparator = "; ";
constexpr std::string_view kKdeNoShortcut = "none";

}  // namespace

KeymapReading failure(std::string line) { return {std::nullopt, std::move(line)}; }

std::string tooManyItems() { return "more than " + std::to_string(kMaxItems) + " entries or elements"; }

std::optional<std::string> unreadableContent(std::string_view& content) {
  if (content.size() > kMaxContentBytes) return "the file is larger than 16 MiB";
  if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());
  for (std::size_t at = 0; at < content.size();) {
    const std::size_t length = utf8CharacterLength(content.substr(at));
    if (length == 0) return "the file is not UTF-8 text (byte " + std::to_string(at + 1) + ")";
    at += length;
  }
  return std::nullopt;
}

bool addBinding(ForeignKeymap& keymap, KeymapPlatform platform, std::string command, BindingEffect effect,
                std::string keyText, std::string condition) {
  if (keymap.bindings.size() >= kMaxItems) return false;
  ForeignBinding binding{std::move(command), effect, std::move(keyText), nullptr, {}, std::move(condition)};
  if (!binding.keyText.empty())
    binding.sequence = sequenceOfKeyText(binding.keyText, keymap.kind, platform, &binding.unreadableKey);
  keymap.bindings.push_back(std::move(binding));
  return true;
}

KeymapReading readShortcutsFile(std::string_view content) {
  ForeignKeymap keymap{KeymapKind::KDE, {}, {}};
  std::size_t lineNumber = 0;
  for (std::string_view rest = content; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = trimmed(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    ++lineNumber;
    if (line.empty() || isIniComment(line) || isIniGroup(line)) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0)
      return failure("line " + std::to_string(lineNumber) + ": neither a [group] nor a name=value line");
    const std::string action(trimmed(line.substr(0, equals)));
    const std::string_view value = trimmed(line.substr(equals + 1));
    if (value.empty() || value == kKdeNoShortcut) {
      if (!addBinding(keymap, KeymapPlatform::Linux, action, BindingEffect::Unbind, {}, {}))
        return failure(tooManyItems());
      continue;
    }
    for (std::size_t at = 0; at != std::string_view::npos;) {
      const std::size_t next = value.find(kKdeAlternativeSeparator, at);
      const std::string_view shortcut = trimmed(value.substr(at, next == std::string_view::npos ? next : next - at));
      at = next == std::string_view::npos ? next : next + kKdeAlternativeSeparator.size();
      if (!shortcut.empty() &&
          !addBinding(keymap, KeymapPlatform::Linux, action, BindingEffect::Bind, std::string(shortcut), {}))
        return failure(tooManyItems());
    }
  }
  return {std::move(keymap), {}};
}

}  // namespace keymaps

namespace {

struct KindName {
  KeymapKind kind;
  std::string_view name;
  std::string_view extension;  // the one its files usually have
};

constexpr std::array<KindName, 5> kKindNames{{
    {KeymapKind::VSCode, "vscode", ".json"},
    {KeymapKind::JetBrains, "jetbrains", ".xml"},
    {KeymapKind::KDE, "kde", ".shortcuts"},
    {KeymapKind::QtCreator, "qtcreator", ".kms"},
    {KeymapKind::Sublime, "sublime", ".sublime-keymap"},
}};

// The roots of the XML kinds; KDE's kxmlgui files have either.
struct XmlRoot {
  std::string_view name;
  KeymapKind kind;
};
constexpr std::array<XmlRoot, 4> kXmlRoots{{
    {"keymap", KeymapKind::JetBrains},
    {"mapping", KeymapKind::QtCreator},
    {"gui", KeymapKind::KDE},
    {"kpartgui", KeymapKind::KDE},
}};

std::optional<KeymapKind> kindOfFileName(std::string_view fileName) {
  for (const KindName& kind : kKindNames)
    if (fileName.ends_with(kind.extension)) return kind.kind;
  return std::nullopt;
}

// Past blanks and, for JSON, comments.
std::string_view skipBlanksAndComments(std::string_view text) {
  for (;;) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    text.remove_prefix(first == std::string_view::npos ? text.size() : first);
    if (text.starts_with("//")) {
      const std::size_t end = text.find('\n');
      text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    } else if (text.starts_with("/*")) {
      const std::size_t end = text.find("*/");
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
    } else if (text.starts_with('#')) {  // a comment of KDE's files
      const std::size_t end = text.find('\n');
      text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    } else {
      return text;
    }
  }
}

}  // namespace

std::string_view keymapKindName(KeymapKind kind) {
  for (const KindName& named : kKindNames)
    if (named.kind == kind) return named.name;
  return {};
}

std::optional<KeymapKind> keymapKindNamed(std::string_view name) {
  for (const KindName& named : kKindNames)
    if (named.name == name) return named.kind;
  return std::nullopt;
}

std::optional<KeymapKind> recognizeKeymap(std::string_view content, std::string_view fileName) {
  // Bytes no reader takes: the name says which reader is to say why.
  if (keymaps::unreadableContent(content)) return kindOfFileName(fileName);
  const std::string_view text = skipBlanksAndComments(content);
  if (text.starts_with('<')) {
    const std::string root = keymaps::xmlRootName(text);
    for (const XmlRoot& known : kXmlRoots)
      if (known.name == root) return known.kind;
    // XML broken before its first element: the name says which XML it was meant to be.
    std::optional<KeymapKind> named = kindOfFileName(fileName);
    if (root.empty() && named != KeymapKind::VSCode && named != KeymapKind::Sublime) return named;
    return std::nullopt;
  }
  if (!text.starts_with('[')) return std::nullopt;
  const std::string_view firstLine = text.substr(0, text.find('\n'));
  if (keymaps::isIniGroup(keymaps::trimmed(firstLine))) return KeymapKind::KDE;
  if (std::optional<bool> keys = keymaps::firstJsonEntryHasKeys(text))
    return *keys ? KeymapKind::Sublime : KeymapKind::VSCode;
  // An empty or unreadable array: the name says which JSON it was meant to be.
  std::optional<KeymapKind> named = kindOfFileName(fileName);
  if (named == KeymapKind::VSCode || named == KeymapKind::Sublime) return named;
  return std::nullopt;
}

KeymapReading readForeignKeymap(std::string_view content, KeymapKind kind) {
  if (std::optional<std::string> why = keymaps::unreadableContent(content)) return keymaps::failure(std::move(*why));
  switch (kind) {
    case KeymapKind::VSCode:
    case KeymapKind::Sublime: return keymaps::readJsonKeymap(content, kind);
    case KeymapKind::JetBrains:
    case KeymapKind::QtCreator: return keymaps::readXmlKeymap(content, kind);
    case KeymapKind::KDE:
      return skipBlanksAndComments(content).starts_with('<') ? keymaps::readXmlKeymap(content, kind)
                                                              : keymaps::readShortcutsFile(content);
  }
  return keymaps::failure("unknown kind of keymap");
}

}  // namespace qor
