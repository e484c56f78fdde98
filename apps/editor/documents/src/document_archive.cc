#include "qor/editor/document_archive.h"

#include "qor/file_wrapper.h"
#include "qor/plist_file.h"
#include "qor/rich_text.h"

namespace qor {

namespace {

constexpr char kFormatKey[] = "format";
constexpr char kFormatName[] = "QOR document";
constexpr char kVersionKey[] = "version";
constexpr std::int64_t kVersion = 1;
constexpr char kStringKey[] = "string";
constexpr char kRunsKey[] = "runs";
constexpr char kLengthKey[] = "length";
constexpr char kAttributesKey[] = "attributes";
constexpr char kFontFamilyKey[] = "font family";
constexpr char kFontSizeKey[] = "font size";
constexpr char kArchivedKey[] = "archived";
constexpr char kValueKey[] = "value";
constexpr char kArchivedFileWrapper[] = "file wrapper";
constexpr char kArchivedAttachment[] = "attachment";
constexpr char kArchivedParagraphStyle[] = "paragraph style";
// The descriptor key a text system makes a font from.
constexpr char kFamilyKey[] = "family";

DictionaryRef archived(const char* type, const Ref& form) {
  return Dictionary::make({{kArchivedKey, str(type)}, {kValueKey, form}});
}

// The archived form of one run's attributes.
DictionaryRef archivedAttributes(const DictionaryRef& attributes, StoredTextSystem& system) {
  auto result = MutableDictionary::make();
  for (const auto& [name, value] : attributes->entries()) {
    if (auto font = opaqueAs<Font>(value)) {
      result->setObjectForKey(str(font->familyName()), kFontFamilyKey);
      result->setObjectForKey(real(font->pointSize()), kFontSizeKey);
    } else if (auto wrapper = opaqueAs<FileWrapper>(value)) {
      result->setObjectForKey(archived(kArchivedFileWrapper, wrapper->propertyList()), name);
    } else if (auto attachment = opaqueAs<TextAttachment>(value)) {
      if (attachment->fileWrapper())
        result->setObjectForKey(archived(kArchivedAttachment, attachment->fileWrapper()->propertyList()), name);
    } else if (auto style = opaqueAs<ParagraphStyle>(value)) {
      // Alignment, indents, spacing and tab stops; tables and lists come back
      // from the saved wrappers over them.
      if (auto form = system.paragraphFormatForm(*style)) result->setObjectForKey(archived(kArchivedParagraphStyle, form), name);
    } else if (value->kind() != Kind::Opaque) {
      result->setObjectForKey(value, name);
    }
  }
  return result;
}

// The live attributes of an archived run; null when a font or wrapper in it
// cannot be made.
DictionaryRef liveAttributes(const DictionaryRef& archivedForm, StoredTextSystem& system) {
  auto result = MutableDictionary::make();
  for (const auto& [name, value] : archivedForm->entries()) {
    if (name == kFontFamilyKey || name == kFontSizeKey) continue;
    auto form = asDictionary(value);
    auto type = form ? form->stringForKey(kArchivedKey) : nullptr;
    if (!type) {
      result->setObjectForKey(value, name);
      continue;
    }
    const Ref archivedValue = form->objectForKey(kValueKey);
    Ref live;
    if (type->value() == kArchivedParagraphStyle) {
      live = system.paragraphStyleWithFormatForm(asDictionary(archivedValue));
    } else if (auto wrapper = FileWrapper::fromPropertyList(archivedValue)) {
      if (type->value() == kArchivedFileWrapper) live = wrapper;
      if (type->value() == kArchivedAttachment) live = TextAttachment::make(wrapper);
    }
    if (!live) return nullptr;
    result->setObjectForKey(live, name);
  }
  auto family = archivedForm->stringForKey(kFontFamilyKey);
  auto size = archivedForm->numberForKey(kFontSizeKey);
  if (family && size) {
    auto font = system.fontWithFontAttributesSize(Dictionary::make({{kFamilyKey, family}}), size->realValue());
    if (!font) return nullptr;
    result->setObjectForKey(font, kFontAttributeName);
  }
  return result;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> documentArchiveWithText(StoredText& text) {
  saveStandardTextAttributes(&text);
  const AttributedString& string = text.attributedString();
  std::vector<Ref> runs;
  for (std::size_t at = 0; at < string.length();) {
    auto run = string.attributesAtIndexEffectiveRange(at);
    runs.push_back(Dictionary::make({{kLengthKey, integer(static_cast<std::int64_t>(run->range.length))},
                                     {kAttributesKey, archivedAttributes(run->attributes, text.storedTextSystem())}}));
    at = run->range.end();
  }
  std::string xml = xmlPropertyListFromValue(Dictionary::make({{kFormatKey, str(kFormatName)},
                                                               {kVersionKey, integer(kVersion)},
                                                               {kStringKey, str(string.string())},
                                                               {kRunsKey, Array::make(std::move(runs))}}));
  if (xml.empty()) return std::nullopt;
  return std::vector<std::uint8_t>(xml.begin(), xml.end());
}

bool writeDocumentArchive(StoredText& text, const std::string& path, FileSystem& fs) {
  auto archive = documentArchiveWithText(text);
  return archive && fs.writeFileAtomically(path, *archive);
}

std::unique_ptr<StoredText> textWithDocumentArchive(std::span<const std::uint8_t> bytes, StoredTextSystem& system) {
  auto form = asDictionary(propertyListFromBytes(bytes));
  auto format = form ? form->stringForKey(kFormatKey) : nullptr;
  auto version = form ? form->numberForKey(kVersionKey) : nullptr;
  auto string = form ? form->stringForKey(kStringKey) : nullptr;
  auto runs = form ? form->arrayForKey(kRunsKey) : nullptr;
  if (!format || format->value() != kFormatName || !version || version->integerValue() != kVersion || !string ||
      !runs)
    return nullptr;
  std::vector<Ref> liveRuns;
  for (const auto& element : runs->elements()) {
    auto run = asDictionary(element);
    auto attributes = run ? run->dictionaryForKey(kAttributesKey) : nullptr;
    auto live = attributes ? liveAttributes(attributes, system) : nullptr;
    if (!live) return nullptr;
    liveRuns.push_back(Dictionary::make({{kLengthKey, run->objectForKey(kLengthKey)}, {kAttributesKey, live}}));
  }
  auto text = AttributedString::fromPropertyList(
      Dictionary::make({{kStringKey, string}, {kRunsKey, Array::make(std::move(liveRuns))}}));
  if (!text) return nullptr;
  auto result = std::make_unique<StoredText>(system, std::move(*text), StoredText::Mutability::Mutable);
  restoreSavedStandardTextAttributes(result.get());
  return result;
}

}  // namespace qor
