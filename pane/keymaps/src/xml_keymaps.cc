// JetBrains' keymaps, Qt Creator's .kms and KDE's kxmlgui scheme files: XML,
// read with expat as a stream of elements, keeping nothing but the entries.
// A document type with an internal subset or an outside reference is
// refused before any declaration in it is read, so entities never expand
// and nothing is fetched; nesting is counted as elements open.
#include <expat.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "keymap_reading.h"

namespace qor::keymaps {

namespace {

// The elements and attributes each kind's entries are made of.
struct Vocabulary {
  std::string_view root;
  std::string_view entry;          // one command
  std::string_view entryName;      // its attribute naming the command
  std::string_view key;            // a key of it, inside the entry
};
constexpr Vocabulary kJetBrains{"keymap", "action", "id", "keyboard-shortcut"};
constexpr Vocabulary kQtCreator{"mapping", "shortcut", "id", "key"};
// KDE's actions carry their keys in an attribute; roots are "gui" or "kpartgui".
constexpr Vocabulary kKde{"", "Action", "name", ""};

// KDE's files also name actions in menus and toolbars; their keys are in
// the <ActionProperties> of a scheme.
constexpr std::string_view kKdeActionProperties = "ActionProperties";
constexpr std::string_view kKdeShortcutAttribute = "shortcut";
constexpr std::string_view kKdeAlternativeSeparator = "; ";
constexpr std::string_view kJetBrainsFirstKeystroke = "first-keystroke";
constexpr std::string_view kJetBrainsSecondKeystroke = "second-keystroke";
constexpr std::string_view kJetBrainsSeparator = ", ";
constexpr std::string_view kQtCreatorKeyValue = "value";

const char* attribute(const XML_Char** attributes, std::string_view name) {
  for (const XML_Char** at = attributes; *at; at += 2)
    if (name == at[0]) return at[1];
  return nullptr;
}

// "Mac OS X 10.5+", "macOS", "Default for macOS": "mac" starting a word
// ("Emacs" is no Mac keymap).
bool mentionsMac(const char* text) {
  std::string lower(text ? text : "");
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  for (std::size_t at = lower.find("mac"); at != std::string::npos; at = lower.find("mac", at + 1))
    if (at == 0 || !std::isalpha(static_cast<unsigned char>(lower[at - 1]))) return true;
  return false;
}

class XmlReader {
 public:
  explicit XmlReader(KeymapKind kind)
      : vocabulary_(kind == KeymapKind::JetBrains ? kJetBrains : kind == KeymapKind::QtCreator ? kQtCreator : kKde),
        keymap_{kind, {}, {}} {}

  // Reads `content`; false with `error()` set when it cannot.
  bool read(std::string_view content) {
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate("UTF-8"), XML_ParserFree);
    if (!parser) return refuse("no memory for the XML parser");
    parser_ = parser.get();
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &XmlReader::started, &XmlReader::ended);
    XML_SetStartDoctypeDeclHandler(parser_, &XmlReader::doctype);
    const bool parsed = XML_Parse(parser_, content.data(), static_cast<int>(content.size()), XML_TRUE) == XML_STATUS_OK;
    if (!parsed && error_.empty())
      error_ = "line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ": " +
               XML_ErrorString(XML_GetErrorCode(parser_));
    if (error_.empty() && !sawRoot_) error_ = "no XML element";
    return error_.empty();
  }

  [[nodiscard]] const std::string& error() const { return error_; }
  ForeignKeymap take() { return std::move(keymap_); }

 private:
  static void doctype(void* self, const XML_Char*, const XML_Char* systemId, const XML_Char* publicId,
                      int hasInternalSubset) {
    if (systemId || publicId || hasInternalSubset)
      static_cast<XmlReader*>(self)->stop("a document type with declarations or an outside reference (not read)");
  }

  static void started(void* self, const XML_Char* name, const XML_Char** attributes) {
    static_cast<XmlReader*>(self)->start(name, attributes);
  }
  static void ended(void* self, const XML_Char* name) { static_cast<XmlReader*>(self)->end(name); }

  bool refuse(std::string line) {
    error_ = std::move(line);
    return false;
  }

  void stop(std::string line) {
    if (error_.empty()) error_ = std::move(line);
    XML_StopParser(parser_, XML_FALSE);
  }

  void start(std::string_view name, const XML_Char** attributes) {
    if (++depth_ > kMaxNesting) return stop("nested deeper than " + std::to_string(kMaxNesting) + " levels");
    if (!sawRoot_) return startRoot(name, attributes);
    if (depth_ == 2) inActionProperties_ = name == kKdeActionProperties;
    const bool entryPlace = kind() == KeymapKind::KDE ? depth_ == 3 && inActionProperties_ : depth_ == 2;
    if (name == vocabulary_.entry && entryPlace) return startEntry(attributes);
    if (inEntry_ && depth_ == 3 && name == vocabulary_.key) return addKey(attributes);
  }

  void startRoot(std::string_view name, const XML_Char** attributes) {
    sawRoot_ = true;
    const bool kdeRoot = name == "gui" || name == "kpartgui";
    if (kind() == KeymapKind::KDE ? !kdeRoot : name != vocabulary_.root)
      return stop("the root element <" + std::string(name) + "> is not that of a " +
                  std::string(keymapKindName(kind())) + " keymap");
    if (kind() != KeymapKind::JetBrains) return;
    if (const char* parent = attribute(attributes, "parent")) keymap_.parent = parent;
    if (mentionsMac(attribute(attributes, "name")) || mentionsMac(attribute(attributes, "parent")))
      platform_ = KeymapPlatform::Mac;
  }

  void startEntry(const XML_Char** attributes) {
    const char* command = attribute(attributes, vocabulary_.entryName);
    if (!command)
      return stop("line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ": <" +
                  std::string(vocabulary_.entry) + "> without " + std::string(vocabulary_.entryName));
    command_ = command;
    keyCount_ = 0;
    if (kind() != KeymapKind::KDE) {
      inEntry_ = true;
      return;
    }
    // KDE: the keys are in the entry; an action without the attribute keeps its keys.
    const char* shortcut = attribute(attributes, kKdeShortcutAttribute);
    if (!shortcut) return;
    std::string_view rest = shortcut;
    for (std::size_t at = rest.find(kKdeAlternativeSeparator); !rest.empty(); at = rest.find(kKdeAlternativeSeparator)) {
      add(BindingEffect::Bind, std::string(rest.substr(0, at)));
      rest.remove_prefix(at == std::string_view::npos ? rest.size() : at + kKdeAlternativeSeparator.size());
    }
    if (keyCount_ == 0) add(BindingEffect::Unbind, {});
  }

  void addKey(const XML_Char** attributes) {
    if (kind() == KeymapKind::QtCreator) {
      const char* value = attribute(attributes, kQtCreatorKeyValue);
      if (value && *value) add(BindingEffect::Bind, value);
      return;
    }
    const char* first = attribute(attributes, kJetBrainsFirstKeystroke);
    const char* second = attribute(attributes, kJetBrainsSecondKeystroke);
    if (!first || !*first)
      return stop("line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ": <" + std::string(vocabulary_.key) +
                  "> without " + std::string(kJetBrainsFirstKeystroke));
    std::string keyText = first;
    if (second && *second) keyText += std::string(kJetBrainsSeparator) + second;
    add(BindingEffect::Bind, std::move(keyText));
  }

  void end(std::string_view name) {
    // An entry that named no key takes the command's keys away.
    if (inEntry_ && depth_ == 2 && name == vocabulary_.entry) {
      if (keyCount_ == 0) add(BindingEffect::Unbind, {});
      inEntry_ = false;
    }
    --depth_;
  }

  void add(BindingEffect effect, std::string keyText) {
    if (!addBinding(keymap_, platform_, command_, effect, std::move(keyText), {})) return stop(tooManyItems());
    if (effect == BindingEffect::Bind) ++keyCount_;
  }

  [[nodiscard]] KeymapKind kind() const { return keymap_.kind; }

  const Vocabulary& vocabulary_;
  ForeignKeymap keymap_;
  KeymapPlatform platform_ = KeymapPlatform::Linux;
  XML_Parser parser_ = nullptr;
  std::string error_;
  int depth_ = 0;
  bool sawRoot_ = false;
  bool inEntry_ = false;
  bool inActionProperties_ = false;
  std::string command_;
  int keyCount_ = 0;
};

// Stops at the first element, keeping its name.
void rootStarted(void* data, const XML_Char* name, const XML_Char**) {
  auto* found = static_cast<std::pair<XML_Parser, std::string>*>(data);
  found->second = name;
  XML_StopParser(found->first, XML_FALSE);
}

void refuseDoctype(void* data, const XML_Char*, const XML_Char* systemId, const XML_Char* publicId,
                   int hasInternalSubset) {
  if (systemId || publicId || hasInternalSubset)
    XML_StopParser(static_cast<std::pair<XML_Parser, std::string>*>(data)->first, XML_FALSE);
}

}  // namespace

KeymapReading readXmlKeymap(std::string_view content, KeymapKind kind) {
  XmlReader reader(kind);
  if (!reader.read(content)) return failure(reader.error());
  return {reader.take(), {}};
}

std::string xmlRootName(std::string_view content) {
  std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate("UTF-8"), XML_ParserFree);
  if (!parser) return {};
  std::pair<XML_Parser, std::string> found{parser.get(), {}};
  XML_SetUserData(parser.get(), &found);
  XML_SetElementHandler(parser.get(), rootStarted, nullptr);
  XML_SetStartDoctypeDeclHandler(parser.get(), refuseDoctype);
  XML_Parse(parser.get(), content.data(), static_cast<int>(content.size()), XML_TRUE);
  return found.second;
}

}  // namespace qor::keymaps
