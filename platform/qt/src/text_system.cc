#include "qor/qt/text_system.h"

#include <QBrush>
#include <QColor>
#include <QFontDatabase>
#include <QImage>
#include <QPen>
#include <QTextLength>
#include <algorithm>
#include <cmath>

#include "qor/plist_file.h"
#include "text_formats.h"

namespace qor {

namespace {

constexpr char kFamilyKey[] = "family";
constexpr char kStyleNameKey[] = "style name";
constexpr char kWeightKey[] = "weight";
constexpr char kItalicKey[] = "italic";
constexpr char kStretchKey[] = "stretch";
constexpr char kLetterSpacingKey[] = "letter spacing";
constexpr char kLetterSpacingTypeKey[] = "letter spacing type";
constexpr char kWordSpacingKey[] = "word spacing";
constexpr char kCapitalizationKey[] = "capitalization";
constexpr char kKerningKey[] = "kerning";
constexpr char kFixedPitchKey[] = "fixed pitch";
constexpr char kUnderlineKey[] = "underline";
constexpr char kStrikeOutKey[] = "strike out";
constexpr char kOverlineKey[] = "overline";

constexpr char kPercentage[] = "percentage";
constexpr char kAbsolute[] = "absolute";

struct CapitalizationName {
  QFont::Capitalization value;
  const char* name;
};
constexpr CapitalizationName kCapitalizations[] = {
    {QFont::MixedCase, "mixed case"},       {QFont::AllUppercase, "all uppercase"},
    {QFont::AllLowercase, "all lowercase"}, {QFont::SmallCaps, "small caps"},
    {QFont::Capitalize, "capitalize"},
};

constexpr int kMinimumWeight = 1;
constexpr int kMaximumWeight = 1000;
constexpr int kMinimumStretch = 1;
constexpr int kMaximumStretch = 4000;

// Serialised form (the keys both text systems share are in stored_form).
using namespace stored_form;
constexpr char kRowsKey[] = "rows";
constexpr char kColumnsKey[] = "columns";
constexpr char kFormatKey[] = "format";
constexpr char kBlockFormatKey[] = "block format";
constexpr char kCellKey[] = "cell";
constexpr char kTableKey[] = "table";
constexpr char kRowKey[] = "row";
constexpr char kColumnKey[] = "column";
constexpr char kRowSpanKey[] = "row span";
constexpr char kColumnSpanKey[] = "column span";
constexpr char kListKey[] = "list";
// Tables larger than this are refused when read back, so that a damaged
// document cannot make the editor build millions of cells.
constexpr std::int64_t kMaximumTableSide = 10000;
constexpr std::int64_t kMaximumTableCells = std::int64_t{1} << 16;

QFont plainFontLike(const QFont& font) {
  QFont plain(font.family());
  if (font.pointSizeF() > 0) plain.setPointSizeF(font.pointSizeF());
  return plain;
}

std::optional<std::int64_t> wholeNumber(const DictionaryRef& form, const char* key, std::int64_t lowest,
                                        std::int64_t highest) {
  auto number = form->numberForKey(key);
  if (!number || number->type() != Number::Type::Integer || number->integerValue() < lowest ||
      number->integerValue() > highest)
    return std::nullopt;
  return number->integerValue();
}

int narrow(std::int64_t value) { return static_cast<int>(value); }

}  // namespace

DictionaryRef fontAttributesOfFont(const QFont& font) {
  const QFont plain = plainFontLike(font);
  std::vector<Dictionary::Entry> entries;
  auto add = [&](const char* key, Ref value) { entries.emplace_back(key, std::move(value)); };
  if (!font.styleName().isEmpty()) add(kStyleNameKey, str(font.styleName().toStdString()));
  if (font.weight() != plain.weight()) add(kWeightKey, integer(font.weight()));
  if (font.italic() != plain.italic()) add(kItalicKey, boolean(font.italic()));
  if (font.stretch() != plain.stretch() && font.stretch() != QFont::AnyStretch) add(kStretchKey, integer(font.stretch()));
  if (font.letterSpacing() != plain.letterSpacing() || font.letterSpacingType() != plain.letterSpacingType()) {
    add(kLetterSpacingKey, real(font.letterSpacing()));
    add(kLetterSpacingTypeKey, str(font.letterSpacingType() == QFont::PercentageSpacing ? kPercentage : kAbsolute));
  }
  if (font.wordSpacing() != plain.wordSpacing()) add(kWordSpacingKey, real(font.wordSpacing()));
  if (font.capitalization() != plain.capitalization()) {
    for (const auto& [value, name] : kCapitalizations)
      if (value == font.capitalization()) add(kCapitalizationKey, str(name));
  }
  if (font.kerning() != plain.kerning()) add(kKerningKey, boolean(font.kerning()));
  if (font.fixedPitch() != plain.fixedPitch()) add(kFixedPitchKey, boolean(font.fixedPitch()));
  if (font.underline() != plain.underline()) add(kUnderlineKey, boolean(font.underline()));
  if (font.strikeOut() != plain.strikeOut()) add(kStrikeOutKey, boolean(font.strikeOut()));
  if (font.overline() != plain.overline()) add(kOverlineKey, boolean(font.overline()));
  if (entries.empty()) return Dictionary::make();
  entries.insert(entries.begin(), {kFamilyKey, str(font.family().toStdString())});
  return Dictionary::make(std::move(entries));
}

DictionaryRef QtFont::fontAttributes() const { return fontAttributesOfFont(font_); }

bool QtFont::isEqualTo(const Opaque& other) const {
  const auto* font = dynamic_cast<const QtFont*>(&other);
  return font && font->font_ == font_ && font->font_.pointSizeF() == font_.pointSizeF();
}

std::string QtFont::description() const { return "<font " + font_.toString().toStdString() + ">"; }

QtParagraphStyle::QtParagraphStyle(QTextBlockFormat format, std::shared_ptr<QtTextBlock> cell,
                                   std::shared_ptr<QtTextList> list)
    : format_(std::move(format)), cell_(std::move(cell)), list_(std::move(list)) {
  // The list a block belongs to is the list's business, not the format's.
  format_.clearProperty(QTextFormat::ObjectIndex);
}

std::vector<TextBlockRef> QtParagraphStyle::textBlocks() const {
  return cell_ ? std::vector<TextBlockRef>{cell_} : std::vector<TextBlockRef>{};
}

std::vector<TextListRef> QtParagraphStyle::textLists() const {
  return list_ ? std::vector<TextListRef>{list_} : std::vector<TextListRef>{};
}

FontRef QtTextSystem::fontWithFontAttributesSize(const DictionaryRef& fontAttributes, double pointSize) {
  auto family = fontAttributes ? fontAttributes->stringForKey(kFamilyKey) : nullptr;
  if (!family || family->value().empty() || !(pointSize > 0) || !std::isfinite(pointSize)) return nullptr;
  QFont font(QString::fromStdString(family->value()));
  font.setPointSizeF(pointSize);
  for (const auto& [key, value] : fontAttributes->entries()) {
    auto number = asNumber(value);
    auto text = asString(value);
    if (key == kFamilyKey) continue;
    if (key == kStyleNameKey && text) {
      font.setStyleName(QString::fromStdString(text->value()));
    } else if (key == kWeightKey && number && number->integerValue() >= kMinimumWeight &&
               number->integerValue() <= kMaximumWeight) {
      font.setWeight(static_cast<QFont::Weight>(number->integerValue()));
    } else if (key == kItalicKey && number && number->isBoolean()) {
      font.setItalic(number->boolValue());
    } else if (key == kStretchKey && number && number->integerValue() >= kMinimumStretch &&
               number->integerValue() <= kMaximumStretch) {
      font.setStretch(narrow(number->integerValue()));
    } else if (key == kLetterSpacingKey && number && std::isfinite(number->realValue())) {
      auto type = fontAttributes->stringForKey(kLetterSpacingTypeKey);
      font.setLetterSpacing(type && type->value() == kAbsolute ? QFont::AbsoluteSpacing : QFont::PercentageSpacing,
                            number->realValue());
    } else if (key == kLetterSpacingTypeKey && text && (text->value() == kAbsolute || text->value() == kPercentage)) {
      continue;
    } else if (key == kWordSpacingKey && number && std::isfinite(number->realValue())) {
      font.setWordSpacing(number->realValue());
    } else if (key == kCapitalizationKey && text) {
      auto found = std::find_if(std::begin(kCapitalizations), std::end(kCapitalizations),
                                [&](const CapitalizationName& c) { return text->value() == c.name; });
      if (found == std::end(kCapitalizations)) return nullptr;
      font.setCapitalization(found->value);
    } else if ((key == kKerningKey || key == kFixedPitchKey || key == kUnderlineKey || key == kStrikeOutKey ||
                key == kOverlineKey) &&
               number && number->isBoolean()) {
      bool on = number->boolValue();
      if (key == kKerningKey) font.setKerning(on);
      if (key == kFixedPitchKey) font.setFixedPitch(on);
      if (key == kUnderlineKey) font.setUnderline(on);
      if (key == kStrikeOutKey) font.setStrikeOut(on);
      if (key == kOverlineKey) font.setOverline(on);
    } else {
      // A known key with a value of the wrong kind describes no font; keys of
      // later versions are left out.
      static constexpr const char* kKnown[] = {kStyleNameKey, kWeightKey, kItalicKey, kStretchKey,
                                               kLetterSpacingKey, kLetterSpacingTypeKey, kWordSpacingKey,
                                               kCapitalizationKey, kKerningKey, kFixedPitchKey,
                                               kUnderlineKey, kStrikeOutKey, kOverlineKey};
      if (std::find(std::begin(kKnown), std::end(kKnown), key) != std::end(kKnown)) return nullptr;
    }
  }
  return std::make_shared<QtFont>(font);
}

ParagraphStyleRef QtTextSystem::defaultParagraphStyle() {
  return std::make_shared<QtParagraphStyle>(QTextBlockFormat(), nullptr, nullptr);
}

FontRef QtTextSystem::userFontOfSize(double pointSize) {
  QFont font(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
  if (pointSize > 0) font.setPointSizeF(pointSize);
  return std::make_shared<QtFont>(font);
}

double QtTextSystem::smallSystemFontSize() {
  return QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont).pointSizeF();
}

std::unique_ptr<AttributedText> QtTextSystem::mutableTextWithString(std::string utf8,
                                                                    const DictionaryRef& attributes) {
  return std::make_unique<StoredText>(*this, AttributedString(std::move(utf8), attributes),
                                      StoredText::Mutability::Mutable);
}

namespace {

struct Serialiser {
  std::vector<const QtTextTable*> tables;
  std::vector<const QtTextList*> lists;

  template <typename T>
  static std::int64_t indexOf(std::vector<const T*>& seen, const T* object) {
    auto found = std::find(seen.begin(), seen.end(), object);
    if (found == seen.end()) found = seen.insert(seen.end(), object);
    return found - seen.begin();
  }

  // Fonts and paragraph styles in their property-list forms, property-list
  // values as they are; other opaque values (wrappers of an earlier save,
  // attachments) are no part of the form.
  DictionaryRef form(const DictionaryRef& attributes) {
    auto result = MutableDictionary::make();
    for (const auto& [name, value] : attributes->entries()) {
      if (auto font = opaqueAs<QtFont>(value)) {
        result->setObjectForKey(str(font->font().toString().toStdString()), name);
      } else if (auto style = opaqueAs<QtParagraphStyle>(value)) {
        auto styleForm = MutableDictionary::make({{kBlockFormatKey, formatPropertyList(style->format())}});
        if (const auto& cell = style->cell()) {
          styleForm->setObjectForKey(
              Dictionary::make({{kTableKey, integer(indexOf(tables, cell->qtTable().get()))},
                                {kRowKey, integer(cell->cell().row)},
                                {kColumnKey, integer(cell->cell().column)},
                                {kRowSpanKey, integer(cell->cell().rowSpan)},
                                {kColumnSpanKey, integer(cell->cell().columnSpan)}}),
              kCellKey);
        }
        if (const auto& list = style->list()) styleForm->setObjectForKey(integer(indexOf(lists, list.get())), kListKey);
        result->setObjectForKey(styleForm, name);
      } else if (value->kind() != Kind::Opaque) {
        result->setObjectForKey(value, name);
      }
    }
    return result;
  }
};

struct Deserialiser {
  std::vector<std::shared_ptr<QtTextTable>> tables;
  std::vector<std::shared_ptr<QtTextList>> lists;

  template <typename T>
  static std::shared_ptr<T> pick(const std::vector<std::shared_ptr<T>>& all, const Ref& index) {
    auto number = asNumber(index);
    if (!number || number->type() != Number::Type::Integer || number->integerValue() < 0 ||
        static_cast<std::uint64_t>(number->integerValue()) >= all.size())
      return nullptr;
    return all[static_cast<std::size_t>(number->integerValue())];
  }

  DictionaryRef attributes(const DictionaryRef& form) {
    auto result = MutableDictionary::make();
    for (const auto& [name, value] : form->entries()) {
      if (name == kFontAttributeName) {
        auto description = asString(value);
        QFont font;
        if (!description || !font.fromString(QString::fromStdString(description->value()))) return nullptr;
        result->setObjectForKey(std::make_shared<QtFont>(font), name);
      } else if (name == kParagraphStyleAttributeName) {
        auto style = asDictionary(value);
        auto blockFormat = style ? formatFromPropertyList(style->objectForKey(kBlockFormatKey)) : std::nullopt;
        if (!blockFormat) return nullptr;
        std::shared_ptr<QtTextBlock> block;
        if (auto cell = style->dictionaryForKey(kCellKey)) {
          auto table = pick(tables, cell->objectForKey(kTableKey));
          if (!table) return nullptr;
          auto row = wholeNumber(cell, kRowKey, 0, table->rows() - 1);
          auto column = wholeNumber(cell, kColumnKey, 0, table->columns() - 1);
          auto rowSpan = wholeNumber(cell, kRowSpanKey, 1, table->rows());
          auto columnSpan = wholeNumber(cell, kColumnSpanKey, 1, table->columns());
          if (!row || !column || !rowSpan || !columnSpan) return nullptr;
          block = std::make_shared<QtTextBlock>(
              table, QtTextBlock::Cell{narrow(*row), narrow(*column), narrow(*rowSpan), narrow(*columnSpan)});
        }
        std::shared_ptr<QtTextList> list;
        if (style->containsKey(kListKey) && !(list = pick(lists, style->objectForKey(kListKey)))) return nullptr;
        result->setObjectForKey(
            std::make_shared<QtParagraphStyle>(blockFormat->toBlockFormat(), std::move(block), std::move(list)), name);
      } else {
        result->setObjectForKey(value, name);
      }
    }
    return result;
  }
};

}  // namespace

DictionaryRef QtTextSystem::paragraphFormatForm(const ParagraphStyle& style) {
  const auto* qtStyle = dynamic_cast<const QtParagraphStyle*>(&style);
  if (!qtStyle) return nullptr;
  // The object index only ties the block to its list inside one document.
  QTextBlockFormat format = qtStyle->format();
  format.clearProperty(QTextFormat::ObjectIndex);
  return format.properties().isEmpty() ? nullptr : formatPropertyList(format);
}

ParagraphStyleRef QtTextSystem::paragraphStyleWithFormatForm(const DictionaryRef& form) {
  std::optional<QTextFormat> format = form ? formatFromPropertyList(form) : std::nullopt;
  if (!format || !format->isBlockFormat()) return nullptr;
  return std::make_shared<QtParagraphStyle>(format->toBlockFormat(), nullptr, nullptr);
}

FileWrapperRef QtTextSystem::serialisedText(const AttributedString& text) {
  Serialiser serialiser;
  std::vector<Ref> runs = storedRuns(text, [&](const DictionaryRef& attributes) { return serialiser.form(attributes); });
  std::vector<Ref> tables, lists;
  for (const auto* table : serialiser.tables)
    tables.push_back(Dictionary::make({{kRowsKey, integer(table->rows())},
                                       {kColumnsKey, integer(table->columns())},
                                       {kFormatKey, formatPropertyList(table->format())}}));
  for (const auto* list : serialiser.lists) lists.push_back(formatPropertyList(list->format()));
  return storedFormWrapper(Dictionary::make({{kStringKey, str(text.string())},
                                             {kRunsKey, Array::make(std::move(runs))},
                                             {kTablesKey, Array::make(std::move(tables))},
                                             {kListsKey, Array::make(std::move(lists))}}));
}

std::unique_ptr<AttributedText> QtTextSystem::textWithRTFDFileWrapper(const FileWrapper& wrapper) {
  auto form = storedFormOf(wrapper);
  auto tables = form ? form->arrayForKey(kTablesKey) : nullptr;
  if (!tables) return nullptr;
  Deserialiser deserialiser;
  for (const auto& element : tables->elements()) {
    auto table = asDictionary(element);
    if (!table) return nullptr;
    // 0 stands for a missing or out-of-range side.
    const std::int64_t rows = wholeNumber(table, kRowsKey, 1, kMaximumTableSide).value_or(0);
    const std::int64_t columns = wholeNumber(table, kColumnsKey, 1, kMaximumTableSide).value_or(0);
    auto format = formatFromPropertyList(table->objectForKey(kFormatKey));
    if (rows == 0 || columns == 0 || rows * columns > kMaximumTableCells || !format) return nullptr;
    deserialiser.tables.push_back(std::make_shared<QtTextTable>(narrow(rows), narrow(columns), format->toTableFormat()));
  }
  for (const auto& element : form->arrayForKey(kListsKey)->elements()) {
    auto format = formatFromPropertyList(element);
    if (!format) return nullptr;
    deserialiser.lists.push_back(std::make_shared<QtTextList>(format->toListFormat()));
  }
  return textFromStoredForm(*this, *form, [&](const DictionaryRef& attributes) { return deserialiser.attributes(attributes); });
}

}  // namespace qor
