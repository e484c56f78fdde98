#include "qor/rich_text.h"

#include <algorithm>

#include "qor/file_wrapper.h"

namespace qor {

namespace {

bool isChangeable(const AttributedText* text) { return text && text->isMutable() && text->length() > 0; }

bool hasBlocksOrLists(const ParagraphStyleRef& style) {
  return style && (!style->textBlocks().empty() || !style->textLists().empty());
}

// The union of two ranges where an empty one counts for nothing.
TextRange unionOfNonEmpty(TextRange a, TextRange b) {
  if (a.length == 0) return b;
  if (b.length == 0) return a;
  std::size_t start = std::min(a.location, b.location);
  return {start, std::max(a.end(), b.end()) - start};
}

template <typename T>
std::shared_ptr<T> attributeAt(const AttributedText& text, std::string_view name, std::size_t index) {
  auto run = text.attributeAtIndexEffectiveRange(name, index);
  return run ? opaqueAs<T>(run->value) : nullptr;
}

}  // namespace

void saveStandardTextAttributes(AttributedText* text) {
  saveTypographyTextAttributes(text);
  saveTableAndListTextAttributes(text);
}

void restoreSavedStandardTextAttributes(AttributedText* text) {
  restoreTypographyTextAttributes(text);
  restoreTableAndListTextAttributes(text);
}

void saveTypographyTextAttributes(AttributedText* text) {
  if (!isChangeable(text)) return;
  for (std::size_t index = 0; index < text->length();) {
    auto run = text->attributeAtIndexEffectiveRange(kFontAttributeName, index);
    if (!run) break;
    if (auto font = opaqueAs<Font>(run->value)) {
      auto descriptor = font->fontAttributes();
      if (descriptor && !descriptor->empty())
        text->addAttributeValueRange(kFontDescriptorDictionaryAttributeName, descriptor, run->range);
    }
    index = run->range.end();
  }
}

void restoreTypographyTextAttributes(AttributedText* text) {
  if (!isChangeable(text)) return;
  for (std::size_t index = 0; index < text->length();) {
    auto run = text->attributeAtIndexEffectiveRange(kFontDescriptorDictionaryAttributeName, index);
    if (!run) break;
    index = run->range.end();
    auto descriptor = asDictionary(run->value);
    if (!descriptor || descriptor->empty()) continue;
    auto font = attributeAt<Font>(*text, kFontAttributeName, run->range.location);
    if (!font) continue;
    auto rebuilt = text->textSystem().fontWithFontAttributesSize(descriptor, font->pointSize());
    if (!rebuilt) continue;
    text->addAttributeValueRange(kFontAttributeName, rebuilt, run->range);
  }
}

void saveTableAndListTextAttributes(AttributedText* text) {
  if (!isChangeable(text)) return;
  TextRange current;
  while (current.end() < text->length()) {
    auto run = text->attributeAtIndexEffectiveRange(kParagraphStyleAttributeName, current.end());
    if (!run) break;
    current = run->range;
    auto style = opaqueAs<ParagraphStyle>(run->value);
    if (!hasBlocksOrLists(style)) continue;
    std::size_t first = current.location;
    TextRange tables, lists;
    for (const auto& block : style->textBlocks())
      if (auto table = block ? block->table() : nullptr)
        tables = unionOfNonEmpty(tables, text->rangeOfTextTableAtIndex(*table, first));
    for (const auto& list : style->textLists())
      if (list) lists = unionOfNonEmpty(lists, text->rangeOfTextListAtIndex(*list, first));
    TextRange group = unionOfNonEmpty(tables, lists);
    // A group always holds the paragraph it was found from; one that does
    // not reach past it would walk backwards, so the walk goes on after the
    // paragraph instead.
    if (group.length == 0 || group.end() <= first) continue;
    if (auto wrapper = text->RTFDFileWrapperFromRange(group)) {
      text->addAttributeValueRange(kRTFDFileWrapperAttributeName, wrapper, group);
      current = group;
    }
  }
}

void restoreTableAndListTextAttributes(AttributedText* text) {
  if (!isChangeable(text)) return;
  const std::size_t length = text->length();
  TextRange current;
  while (current.end() < length) {
    auto run = text->attributeAtIndexLongestEffectiveRangeInRange(kRTFDFileWrapperAttributeName, current.end(),
                                                                   {0, length});
    if (!run) break;
    current = run->range;
    auto wrapper = opaqueAs<FileWrapper>(run->value);
    if (!wrapper) continue;
    auto style = attributeAt<ParagraphStyle>(*text, kParagraphStyleAttributeName, current.location);
    if (!style) style = text->textSystem().defaultParagraphStyle();
    if (hasBlocksOrLists(style)) continue;
    auto saved = text->textSystem().textWithRTFDFileWrapper(*wrapper);
    if (!saved || saved->length() != current.length || current.end() > length) continue;
    for (std::size_t index = 0; index < saved->length();) {
      auto savedRun = saved->attributeAtIndexEffectiveRange(kParagraphStyleAttributeName, index);
      if (!savedRun) break;
      index = savedRun->range.end();
      auto savedStyle = opaqueAs<ParagraphStyle>(savedRun->value);
      if (!hasBlocksOrLists(savedStyle)) continue;
      text->addAttributeValueRange(kParagraphStyleAttributeName, savedStyle,
                                   {current.location + savedRun->range.location, savedRun->range.length});
    }
  }
}

MutableDictionaryRef textAttributesIncludingTypography(const DictionaryRef& attributes) {
  if (!attributes || attributes->empty()) return MutableDictionary::make();
  auto copy = MutableDictionary::make(attributes->entries());
  if (auto font = opaqueAs<Font>(copy->objectForKey(kFontAttributeName))) {
    auto descriptor = font->fontAttributes();
    if (descriptor && !descriptor->empty()) copy->setObjectForKey(descriptor, kFontDescriptorDictionaryAttributeName);
  }
  return copy;
}

MutableDictionaryRef textAttributesRestoringTypography(const DictionaryRef& attributes, TextSystem& system) {
  if (!attributes || attributes->empty()) return MutableDictionary::make();
  auto copy = MutableDictionary::make(attributes->entries());
  auto descriptor = copy->dictionaryForKey(kFontDescriptorDictionaryAttributeName);
  auto font = opaqueAs<Font>(copy->objectForKey(kFontAttributeName));
  if (!descriptor || descriptor->empty() || !font) return copy;
  if (auto rebuilt = system.fontWithFontAttributesSize(descriptor, font->pointSize()))
    copy->setObjectForKey(rebuilt, kFontAttributeName);
  return copy;
}

std::unique_ptr<AttributedText> attributedStringWithStringForColumn(std::string string, TextSystem& system) {
  auto font = system.userFontOfSize(system.smallSystemFontSize());
  return system.mutableTextWithString(std::move(string), Dictionary::make({{kFontAttributeName, font}}));
}

}  // namespace qor
