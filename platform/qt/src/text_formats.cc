#include "text_formats.h"

#include <QBrush>
#include <QColor>
#include <QList>
#include <QPen>
#include <QStringList>
#include <QTextLength>
#include <QTextOption>
#include <charconv>
#include <string>

namespace qor {

namespace {

constexpr char kTypeKey[] = "type";
constexpr char kPropertiesKey[] = "properties";
constexpr char kStringsKey[] = "strings";
constexpr char kColorKey[] = "color";
constexpr char kBrushKey[] = "brush";
constexpr char kPenKey[] = "pen";
constexpr char kWidthKey[] = "width";
constexpr char kStyleKey[] = "style";
constexpr char kLengthTypeKey[] = "length type";
constexpr char kLengthKey[] = "length";
constexpr char kListKey[] = "list";
constexpr char kTabKey[] = "tab";
constexpr char kTabTypeKey[] = "tab type";
constexpr char kDelimiterKey[] = "delimiter";

DictionaryRef lengthForm(const QTextLength& length) {
  return Dictionary::make({{kLengthTypeKey, integer(length.type())}, {kLengthKey, real(length.rawValue())}});
}

std::optional<QTextLength> lengthFrom(const Ref& value) {
  auto form = asDictionary(value);
  auto type = form ? form->numberForKey(kLengthTypeKey) : nullptr;
  auto length = form ? form->numberForKey(kLengthKey) : nullptr;
  if (!type || !length || type->integerValue() < QTextLength::VariableLength ||
      type->integerValue() > QTextLength::PercentageLength)
    return std::nullopt;
  return QTextLength(static_cast<QTextLength::Type>(type->integerValue()), length->realValue());
}

std::optional<QColor> colorFrom(const Ref& value) {
  auto name = asString(value);
  if (!name) return std::nullopt;
  QColor color = QColor::fromString(QString::fromStdString(name->value()));
  return color.isValid() ? std::optional<QColor>(color) : std::nullopt;
}

std::string colorName(const QColor& color) { return color.name(QColor::HexArgb).toStdString(); }

Ref propertyForm(const QVariant& value) {
  const int type = value.metaType().id();
  switch (type) {
    case QMetaType::Bool:
      return boolean(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
      return integer(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
      return real(value.toDouble());
    case QMetaType::QString:
      return str(value.toString().toStdString());
    case QMetaType::QStringList: {
      std::vector<Ref> strings;
      for (const auto& each : value.toStringList()) strings.push_back(str(each.toStdString()));
      return Dictionary::make({{kStringsKey, Array::make(std::move(strings))}});
    }
    case QMetaType::QColor:
      return Dictionary::make({{kColorKey, str(colorName(value.value<QColor>()))}});
    case QMetaType::QBrush: {
      auto brush = value.value<QBrush>();
      if (brush.style() > Qt::DiagCrossPattern) return nullptr;  // gradients and textures
      return Dictionary::make({{kBrushKey, str(colorName(brush.color()))}, {kStyleKey, integer(brush.style())}});
    }
    case QMetaType::QPen: {
      auto pen = value.value<QPen>();
      return Dictionary::make({{kPenKey, str(colorName(pen.color()))},
                               {kWidthKey, real(pen.widthF())},
                               {kStyleKey, integer(pen.style())}});
    }
    case QMetaType::QTextLength:
      return lengthForm(value.value<QTextLength>());
    case QMetaType::QVariantList: {
      // Column widths are a list of lengths.
      std::vector<Ref> elements;
      for (const auto& element : value.toList()) {
        auto form = propertyForm(element);
        if (!form) return nullptr;
        elements.push_back(std::move(form));
      }
      return Dictionary::make({{kListKey, Array::make(std::move(elements))}});
    }
    default:
      // Tab stops are a list of these.
      if (value.metaType() == QMetaType::fromType<QTextOption::Tab>()) {
        const auto tab = value.value<QTextOption::Tab>();
        return Dictionary::make({{kTabKey, real(tab.position)},
                                 {kTabTypeKey, integer(tab.type)},
                                 {kDelimiterKey, str(tab.delimiter.isNull() ? std::string() : QString(tab.delimiter).toStdString())}});
      }
      return nullptr;
  }
}

std::optional<QVariant> propertyFrom(const Ref& value) {
  if (auto number = asNumber(value)) {
    switch (number->type()) {
      case Number::Type::Boolean:
        return QVariant(number->boolValue());
      case Number::Type::Integer:
        return QVariant(static_cast<int>(number->integerValue()));
      case Number::Type::Real:
        return QVariant(number->realValue());
    }
  }
  if (auto text = asString(value)) return QVariant(QString::fromStdString(text->value()));
  auto form = asDictionary(value);
  if (!form) return std::nullopt;
  if (auto strings = form->arrayForKey(kStringsKey)) {
    QStringList list;
    for (const auto& each : strings->elements()) {
      auto text = asString(each);
      if (!text) return std::nullopt;
      list.append(QString::fromStdString(text->value()));
    }
    return QVariant(list);
  }
  if (form->containsKey(kColorKey)) {
    auto color = colorFrom(form->objectForKey(kColorKey));
    return color ? std::optional<QVariant>(QVariant(*color)) : std::nullopt;
  }
  if (form->containsKey(kBrushKey)) {
    auto color = colorFrom(form->objectForKey(kBrushKey));
    auto style = form->numberForKey(kStyleKey);
    if (!color || !style || style->integerValue() < Qt::NoBrush || style->integerValue() > Qt::DiagCrossPattern)
      return std::nullopt;
    return QVariant(QBrush(*color, static_cast<Qt::BrushStyle>(style->integerValue())));
  }
  if (form->containsKey(kPenKey)) {
    auto color = colorFrom(form->objectForKey(kPenKey));
    auto width = form->numberForKey(kWidthKey);
    auto style = form->numberForKey(kStyleKey);
    if (!color || !width || !style || style->integerValue() < Qt::NoPen || style->integerValue() > Qt::CustomDashLine)
      return std::nullopt;
    QPen pen(*color, width->realValue(), static_cast<Qt::PenStyle>(style->integerValue()));
    return QVariant(pen);
  }
  if (auto elements = form->arrayForKey(kListKey)) {
    QVariantList list;
    for (const auto& each : elements->elements()) {
      auto element = propertyFrom(each);
      if (!element) return std::nullopt;
      list.append(*element);
    }
    return QVariant(list);
  }
  if (form->containsKey(kTabKey)) {
    auto position = form->numberForKey(kTabKey);
    auto type = form->numberForKey(kTabTypeKey);
    auto delimiter = form->stringForKey(kDelimiterKey);
    const QString delimiterText = delimiter ? QString::fromStdString(delimiter->value()) : QString();
    if (!position || !type || type->integerValue() < QTextOption::LeftTab ||
        type->integerValue() > QTextOption::DelimiterTab || !delimiter || delimiterText.size() > 1)
      return std::nullopt;
    return QVariant::fromValue(QTextOption::Tab(position->realValue(), static_cast<QTextOption::TabType>(type->integerValue()),
                                                delimiterText.isEmpty() ? QChar() : delimiterText.front()));
  }
  if (auto length = lengthFrom(form)) return QVariant::fromValue(*length);
  return std::nullopt;
}

}  // namespace

DictionaryRef formatPropertyList(const QTextFormat& format) {
  std::vector<Dictionary::Entry> properties;
  const auto all = format.properties();
  for (auto it = all.begin(); it != all.end(); ++it) {
    if (it.key() == QTextFormat::ObjectIndex) continue;
    if (auto form = propertyForm(it.value())) properties.emplace_back(std::to_string(it.key()), std::move(form));
  }
  return Dictionary::make({{kTypeKey, integer(format.type())}, {kPropertiesKey, Dictionary::make(std::move(properties))}});
}

std::optional<QTextFormat> formatFromPropertyList(const Ref& value) {
  auto form = asDictionary(value);
  auto type = form ? form->numberForKey(kTypeKey) : nullptr;
  auto properties = form ? form->dictionaryForKey(kPropertiesKey) : nullptr;
  if (!type || !properties || type->integerValue() < QTextFormat::InvalidFormat ||
      type->integerValue() > QTextFormat::UserFormat)
    return std::nullopt;
  QTextFormat format(static_cast<int>(type->integerValue()));
  for (const auto& [key, property] : properties->entries()) {
    int id = 0;
    auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), id);
    auto variant = propertyFrom(property);
    if (error != std::errc() || end != key.data() + key.size() || id <= QTextFormat::ObjectIndex || !variant)
      return std::nullopt;
    format.setProperty(id, *variant);
  }
  return format;
}

}  // namespace qor
