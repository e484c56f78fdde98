#include "qor/headless/text_system.h"

#include <algorithm>
#include <span>
#include <string>

#include "qor/plist_file.h"

namespace qor {

namespace {

using namespace stored_form;

constexpr char kCellsKey[] = "cells";
constexpr char kTableKey[] = "table";
constexpr char kRowKey[] = "row";
constexpr char kColumnKey[] = "column";
constexpr char kSizeKey[] = "size";

// Index of `object` in `seen`, appending it when new.
template <typename T>
std::int64_t indexOf(std::vector<const T*>& seen, const T* object) {
  auto found = std::find(seen.begin(), seen.end(), object);
  if (found == seen.end()) found = seen.insert(seen.end(), object);
  return found - seen.begin();
}

struct Serialiser {
  std::vector<const TextTable*> tables;
  std::vector<const TextList*> lists;

  // A property-list form of `attributes`; opaque values other than fonts
  // and paragraph styles are left out.
  DictionaryRef form(const DictionaryRef& attributes) {
    auto result = MutableDictionary::make();
    for (const auto& [name, value] : attributes->entries()) {
      if (auto font = opaqueAs<HeadlessFont>(value)) {
        result->setObjectForKey(Dictionary::make({{HeadlessTextSystem::kFamilyKey, str(font->family())},
                                                  {kSizeKey, real(font->pointSize())},
                                                  {kAttributesKey, font->fontAttributes()}}),
                                name);
      } else if (auto style = opaqueAs<ParagraphStyle>(value)) {
        std::vector<Ref> cells, listIndices;
        for (const auto& block : style->textBlocks()) {
          auto cell = std::dynamic_pointer_cast<HeadlessTextBlock>(block);
          if (!cell) continue;
          cells.push_back(Dictionary::make({{kTableKey, integer(indexOf(tables, cell->table().get()))},
                                            {kRowKey, integer(cell->row())},
                                            {kColumnKey, integer(cell->column())}}));
        }
        for (const auto& list : style->textLists()) listIndices.push_back(integer(indexOf(lists, list.get())));
        result->setObjectForKey(
            Dictionary::make({{kCellsKey, Array::make(std::move(cells))}, {kListsKey, Array::make(std::move(listIndices))}}),
            name);
      } else if (value->kind() != Kind::Opaque) {
        result->setObjectForKey(value, name);
      }
    }
    return result;
  }
};

struct Deserialiser {
  std::vector<TextTableRef> tables;
  std::vector<TextListRef> lists;

  template <typename T>
  static std::shared_ptr<T> pick(const std::vector<std::shared_ptr<T>>& all, const Ref& index) {
    auto number = asNumber(index);
    if (!number || number->type() != Number::Type::Integer || number->integerValue() < 0 ||
        static_cast<std::uint64_t>(number->integerValue()) >= all.size())
      return nullptr;
    return all[static_cast<std::size_t>(number->integerValue())];
  }

  static int whole(const DictionaryRef& form, const char* key) {
    auto number = form->numberForKey(key);
    return number ? static_cast<int>(std::clamp<std::int64_t>(number->integerValue(), 0, INT32_MAX)) : 0;
  }

  // The attributes back from form(); null when a font or style is malformed.
  DictionaryRef attributes(const DictionaryRef& form) {
    auto result = MutableDictionary::make();
    for (const auto& [name, value] : form->entries()) {
      if (name == kFontAttributeName) {
        auto font = asDictionary(value);
        auto family = font ? font->stringForKey(HeadlessTextSystem::kFamilyKey) : nullptr;
        auto size = font ? font->numberForKey(kSizeKey) : nullptr;
        auto fontAttributes = font ? font->dictionaryForKey(kAttributesKey) : nullptr;
        if (!family || !size || !fontAttributes) return nullptr;
        result->setObjectForKey(std::make_shared<HeadlessFont>(family->value(), size->realValue(), fontAttributes),
                                name);
      } else if (name == kParagraphStyleAttributeName) {
        auto style = asDictionary(value);
        auto cells = style ? style->arrayForKey(kCellsKey) : nullptr;
        auto listIndices = style ? style->arrayForKey(kListsKey) : nullptr;
        if (!cells || !listIndices) return nullptr;
        std::vector<TextBlockRef> blocks;
        std::vector<TextListRef> styleLists;
        for (const auto& element : cells->elements()) {
          auto cell = asDictionary(element);
          auto table = cell ? pick(tables, cell->objectForKey(kTableKey)) : nullptr;
          if (!table) return nullptr;
          blocks.push_back(std::make_shared<HeadlessTextBlock>(table, whole(cell, kRowKey), whole(cell, kColumnKey)));
        }
        for (const auto& element : listIndices->elements()) {
          auto list = pick(lists, element);
          if (!list) return nullptr;
          styleLists.push_back(list);
        }
        result->setObjectForKey(std::make_shared<HeadlessParagraphStyle>(std::move(blocks), std::move(styleLists)),
                                name);
      } else {
        result->setObjectForKey(value, name);
      }
    }
    return result;
  }
};

}  // namespace

HeadlessFont::HeadlessFont(std::string family, double pointSize, DictionaryRef fontAttributes)
    : family_(std::move(family)),
      size_(pointSize),
      attributes_(fontAttributes ? std::move(fontAttributes) : Dictionary::make()) {}

bool HeadlessFont::isEqualTo(const Opaque& other) const {
  const auto* font = dynamic_cast<const HeadlessFont*>(&other);
  return font && family_ == font->family_ && size_ == font->size_ && isEqual(attributes_, font->attributes_);
}

std::string HeadlessFont::description() const {
  return "<font " + family_ + " " + std::to_string(size_) + " " + describe(attributes_) + ">";
}

HeadlessTextSystem::HeadlessTextSystem()
    : defaultStyle_(std::make_shared<HeadlessParagraphStyle>(std::vector<TextBlockRef>(), std::vector<TextListRef>())) {}

FontRef HeadlessTextSystem::fontWithFontAttributesSize(const DictionaryRef& fontAttributes, double pointSize) {
  auto family = fontAttributes ? fontAttributes->stringForKey(kFamilyKey) : nullptr;
  if (!family || family->value().empty() || !(pointSize > 0)) return nullptr;
  // A family alone describes the plain font of that family.
  const bool plain = fontAttributes->count() == 1;
  return std::make_shared<HeadlessFont>(family->value(), pointSize, plain ? Dictionary::make() : fontAttributes);
}

std::unique_ptr<AttributedText> HeadlessTextSystem::textWithRTFDFileWrapper(const FileWrapper& wrapper) {
  auto form = storedFormOf(wrapper);
  auto tables = form ? form->numberForKey(kTablesKey) : nullptr;
  if (!tables) return nullptr;
  // Every table has a cell in some run, so there are never more tables than runs.
  if (tables->integerValue() < 0 || static_cast<std::uint64_t>(tables->integerValue()) > form->arrayForKey(kRunsKey)->count())
    return nullptr;
  Deserialiser deserialiser;
  for (std::int64_t i = 0; i < tables->integerValue(); ++i)
    deserialiser.tables.push_back(std::make_shared<HeadlessTextTable>());
  for (const auto& marker : form->arrayForKey(kListsKey)->elements()) {
    auto format = asString(marker);
    if (!format) return nullptr;
    deserialiser.lists.push_back(std::make_shared<HeadlessTextList>(format->value()));
  }
  return textFromStoredForm(*this, *form, [&](const DictionaryRef& attributes) { return deserialiser.attributes(attributes); });
}

FileWrapperRef HeadlessTextSystem::serialisedText(const AttributedString& text) {
  Serialiser serialiser;
  std::vector<Ref> runs = storedRuns(text, [&](const DictionaryRef& attributes) { return serialiser.form(attributes); });
  std::vector<Ref> markers;
  for (const auto* list : serialiser.lists) {
    const auto* headless = dynamic_cast<const HeadlessTextList*>(list);
    markers.push_back(str(headless ? headless->markerFormat() : std::string()));
  }
  return storedFormWrapper(Dictionary::make({{kStringKey, str(text.string())},
                                             {kRunsKey, Array::make(std::move(runs))},
                                             {kTablesKey, integer(static_cast<std::int64_t>(serialiser.tables.size()))},
                                             {kListsKey, Array::make(std::move(markers))}}));
}

FontRef HeadlessTextSystem::userFontOfSize(double pointSize) {
  return std::make_shared<HeadlessFont>(kUserFontFamily, pointSize, Dictionary::make());
}

std::unique_ptr<AttributedText> HeadlessTextSystem::mutableTextWithString(std::string utf8,
                                                                          const DictionaryRef& attributes) {
  return textWithAttributedString(AttributedString(std::move(utf8), attributes), StoredText::Mutability::Mutable);
}

std::unique_ptr<StoredText> HeadlessTextSystem::textWithAttributedString(AttributedString text,
                                                                           StoredText::Mutability mutability) {
  return std::make_unique<StoredText>(*this, std::move(text), mutability);
}

void HeadlessImageReader::registerImage(std::vector<std::uint8_t> bytes, ImageRef image) {
  images_[std::move(bytes)] = std::move(image);
}

ImageRef HeadlessImageReader::imageWithData(std::span<const std::uint8_t> bytes) {
  ++calls_;
  auto found = images_.find(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return found == images_.end() ? nullptr : found->second;
}

}  // namespace qor
