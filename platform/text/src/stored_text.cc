#include "qor/text/stored_text.h"

#include <algorithm>

#include "qor/plist_file.h"
#include "qor/text.h"

namespace qor {

namespace {

bool sameObject(const Ref& a, const Ref& b) { return a.get() == b.get(); }

Ref attributeAt(const AttributedString& text, std::string_view name, std::size_t index) {
  auto run = text.attributesAtIndexEffectiveRange(index);
  return run ? run->attributes->objectForKey(name) : nullptr;
}

}  // namespace

AttributedString attributedSubstring(const AttributedString& text, TextRange range) {
  if (range.location > text.length() || range.length > text.length() - range.location) return AttributedString();
  std::u16string units = utf16FromUtf8(text.string());
  AttributedString result(utf8FromUtf16(std::u16string_view(units).substr(range.location, range.length)));
  for (std::size_t at = range.location; at < range.end();) {
    auto run = text.attributesAtIndexEffectiveRange(at);
    std::size_t end = std::min(run->range.end(), range.end());
    result.setAttributesRange(run->attributes, {at - range.location, end - at});
    at = end;
  }
  return result;
}

StoredText::StoredText(StoredTextSystem& system, AttributedString text, Mutability mutability)
    : system_(system), text_(std::move(text)), mutability_(mutability) {}

std::optional<AttributedText::AttributeRun> StoredText::attributeAtIndexEffectiveRange(std::string_view name,
                                                                                         std::size_t index) const {
  auto run = text_.attributesAtIndexEffectiveRange(index);
  if (!run) return std::nullopt;
  Ref value = run->attributes->objectForKey(name);
  TextRange range = run->range;
  while (range.location > 0) {
    auto before = text_.attributesAtIndexEffectiveRange(range.location - 1);
    if (!sameObject(before->attributes->objectForKey(name), value)) break;
    range = {before->range.location, range.end() - before->range.location};
  }
  while (range.end() < text_.length()) {
    auto after = text_.attributesAtIndexEffectiveRange(range.end());
    if (!sameObject(after->attributes->objectForKey(name), value)) break;
    range.length = after->range.end() - range.location;
  }
  return AttributeRun{value, range};
}

std::optional<AttributedText::AttributeRun> StoredText::attributeAtIndexLongestEffectiveRangeInRange(
    std::string_view name, std::size_t index, TextRange rangeLimit) const {
  if (index < rangeLimit.location || index >= rangeLimit.end() || rangeLimit.end() > text_.length())
    return std::nullopt;
  Ref value = attributeAt(text_, name, index);
  std::size_t start = index, end = index + 1;
  while (start > rangeLimit.location && isEqual(attributeAt(text_, name, start - 1), value)) --start;
  while (end < rangeLimit.end() && isEqual(attributeAt(text_, name, end), value)) ++end;
  return AttributeRun{value, {start, end - start}};
}

void StoredText::addAttributeValueRange(std::string_view name, const Ref& value, TextRange range) {
  if (!isMutable() || range.length == 0 || range.location > text_.length() ||
      range.length > text_.length() - range.location)
    return;
  for (std::size_t at = range.location; at < range.end();) {
    auto run = text_.attributesAtIndexEffectiveRange(at);
    TextRange piece{at, std::min(run->range.end(), range.end()) - at};
    auto changed = MutableDictionary::make(run->attributes->entries());
    changed->setObjectForKey(value, std::string(name));
    text_.setAttributesRange(Dictionary::make(changed->entries()), piece);
    at = piece.end();
  }
}

template <typename Matches>
TextRange StoredText::paragraphStretch(std::size_t index, Matches matches) const {
  auto style = [&](std::size_t at) { return opaqueAs<ParagraphStyle>(attributeAt(text_, kParagraphStyleAttributeName, at)); };
  if (index >= text_.length() || !style(index) || !matches(*style(index))) return {index, 0};
  std::size_t start = index, end = index + 1;
  while (start > 0 && style(start - 1) && matches(*style(start - 1))) --start;
  while (end < text_.length() && style(end) && matches(*style(end))) ++end;
  return {start, end - start};
}

TextRange StoredText::rangeOfTextTableAtIndex(const TextTable& table, std::size_t index) const {
  return paragraphStretch(index, [&](const ParagraphStyle& style) {
    auto blocks = style.textBlocks();
    return std::any_of(blocks.begin(), blocks.end(), [&](const TextBlockRef& block) { return block->table().get() == &table; });
  });
}

TextRange StoredText::rangeOfTextListAtIndex(const TextList& list, std::size_t index) const {
  return paragraphStretch(index, [&](const ParagraphStyle& style) {
    auto lists = style.textLists();
    return std::any_of(lists.begin(), lists.end(), [&](const TextListRef& each) { return each.get() == &list; });
  });
}

FileWrapperRef StoredText::RTFDFileWrapperFromRange(TextRange range) const {
  if (range.length == 0 || range.location > text_.length() || range.length > text_.length() - range.location)
    return nullptr;
  return system_.serialisedText(attributedSubstring(text_, range));
}

std::unique_ptr<AttributedText> StoredText::mutableCopy() const {
  return std::make_unique<StoredText>(system_, text_, Mutability::Mutable);
}

std::vector<Ref> storedRuns(const AttributedString& text, const StoredAttributes& formOf) {
  using namespace stored_form;
  std::vector<Ref> runs;
  for (std::size_t at = 0; at < text.length();) {
    auto run = text.attributesAtIndexEffectiveRange(at);
    runs.push_back(Dictionary::make({{kLengthKey, integer(static_cast<std::int64_t>(run->range.length))},
                                     {kAttributesKey, formOf(run->attributes)}}));
    at = run->range.end();
  }
  return runs;
}

FileWrapperRef storedFormWrapper(const DictionaryRef& form) {
  std::string xml = xmlPropertyListFromValue(form);
  if (xml.empty()) return nullptr;
  return FileWrapper::makeRegularFile(std::vector<std::uint8_t>(xml.begin(), xml.end()), stored_form::kFileName);
}

DictionaryRef storedFormOf(const FileWrapper& wrapper) {
  using namespace stored_form;
  if (!wrapper.isRegularFile()) return nullptr;
  auto form = asDictionary(propertyListFromBytes(wrapper.regularFileContents()));
  if (!form || !form->stringForKey(kStringKey) || !form->arrayForKey(kRunsKey) || !form->objectForKey(kTablesKey) ||
      !form->arrayForKey(kListsKey))
    return nullptr;
  return form;
}

std::unique_ptr<AttributedText> textFromStoredForm(StoredTextSystem& system, const Dictionary& form,
                                                   const StoredAttributes& liveOf) {
  using namespace stored_form;
  auto string = form.stringForKey(kStringKey);
  auto runs = form.arrayForKey(kRunsKey);
  if (!string || !runs) return nullptr;
  std::vector<Ref> liveRuns;
  for (const auto& element : runs->elements()) {
    auto run = asDictionary(element);
    auto attributes = run ? run->dictionaryForKey(kAttributesKey) : nullptr;
    auto live = attributes ? liveOf(attributes) : nullptr;
    if (!live) return nullptr;
    liveRuns.push_back(Dictionary::make({{kLengthKey, run->objectForKey(kLengthKey)}, {kAttributesKey, live}}));
  }
  auto text = AttributedString::fromPropertyList(
      Dictionary::make({{kStringKey, string}, {kRunsKey, Array::make(std::move(liveRuns))}}));
  if (!text) return nullptr;
  return std::make_unique<StoredText>(system, std::move(*text), StoredText::Mutability::Mutable);
}

}  // namespace qor
