#include "qor/number_formatter.h"

#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/fmtable.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/unistr.h>

#include <memory>

namespace qor {

namespace {

constexpr std::int32_t kThousandsGroupSize = 3;

icu::UnicodeString unicode(std::string_view utf8) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<std::int32_t>(utf8.size())));
}

std::string utf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// `pattern` with each unquoted '~' quoted. ICU 72 reads a bare '~' in an
// affix as the approximately sign, which it formats (as "~" in the root
// locale) but aborts the process on when it reads text with that pattern; as
// a literal it shows the same and reads back.
std::string withLiteralTildes(std::string_view pattern) {
  constexpr char kQuote = '\'';
  constexpr std::string_view kQuotedTilde = "'~'";
  std::string out;
  bool quoted = false;
  for (char c : pattern) {
    if (c == kQuote) quoted = !quoted;
    if (c == '~' && !quoted)
      out += kQuotedTilde;
    else
      out += c;
  }
  return out;
}

// An ICU formatter with all of `settings` but the zero string and the
// attributes. Result: null when the patterns do not parse.
std::unique_ptr<icu::DecimalFormat> makeDecimalFormat(const NumberFormatter& settings) {
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale locale = icu::Locale::getRoot();
  if (settings.formatLocalization() == FormatLocalization::Localized) {
    locale = settings.localeIdentifier().empty() ? icu::Locale::getDefault()
                                                  : icu::Locale(settings.localeIdentifier().c_str());
  }
  icu::DecimalFormatSymbols symbols(locale, status);
  if (U_FAILURE(status)) return nullptr;
  if (const auto& separator = settings.thousandSeparator()) {
    symbols.setSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol, unicode(*separator));
    symbols.setSymbol(icu::DecimalFormatSymbols::kMonetaryGroupingSeparatorSymbol, unicode(*separator));
  }
  if (const auto& separator = settings.decimalSeparator()) {
    symbols.setSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol, unicode(*separator));
    symbols.setSymbol(icu::DecimalFormatSymbols::kMonetarySeparatorSymbol, unicode(*separator));
  }
  auto format = std::make_unique<icu::DecimalFormat>(unicode(withLiteralTildes(settings.format())), symbols, status);
  if (U_FAILURE(status)) return nullptr;
  if (settings.thousandSeparatorGrouping() == ThousandSeparatorGrouping::Always) {
    format->setGroupingUsed(true);
    // A pattern without ',' has no grouping size; use the usual one.
    if (format->getGroupingSize() <= 0) format->setGroupingSize(kThousandsGroupSize);
  }
  return format;
}

}  // namespace

std::string NumberFormatter::format() const {
  return negativeFormat_.empty() ? positiveFormat_ : positiveFormat_ + ";" + negativeFormat_;
}

void NumberFormatter::setFormat(std::string_view pattern) {
  bool quoted = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '\'') quoted = !quoted;
    if (pattern[i] == ';' && !quoted) {
      positiveFormat_ = pattern.substr(0, i);
      negativeFormat_ = pattern.substr(i + 1);
      return;
    }
  }
  positiveFormat_ = pattern;
  negativeFormat_.clear();
}

std::optional<std::string> NumberFormatter::stringForObjectValue(double value) const {
  if (value == 0.0 && zero_) return zero_->string();
  auto format = makeDecimalFormat(*this);
  if (!format) return std::nullopt;
  icu::UnicodeString text;
  format->format(value, text);
  return utf8(text);
}

std::optional<AttributedString> NumberFormatter::attributedStringForObjectValueWithDefaultAttributes(
    double value, const DictionaryRef& defaultAttributes) const {
  if (value == 0.0 && zero_) {
    AttributedString shown(zero_->string(), defaultAttributes);
    for (std::size_t index = 0; index < zero_->length();) {
      auto run = zero_->attributesAtIndexEffectiveRange(index);
      shown.addAttributesRange(run->attributes, run->range);
      index = run->range.end();
    }
    return shown;
  }
  auto text = stringForObjectValue(value);
  if (!text) return std::nullopt;
  AttributedString shown(std::move(*text), defaultAttributes);
  // Zero and NaN are neither: they keep the defaults alone.
  if (value > 0.0) shown.addAttributesRange(positiveAttributes_, {0, shown.length()});
  if (value < 0.0) shown.addAttributesRange(negativeAttributes_, {0, shown.length()});
  return shown;
}

std::optional<double> NumberFormatter::numberFromString(std::string_view text) const {
  double value = 0.0;
  if (!zero_ || text != zero_->string()) {
    auto format = makeDecimalFormat(*this);
    if (!format) return std::nullopt;
    icu::UnicodeString input = unicode(text);
    icu::Formattable result;
    icu::ParsePosition position(0);
    format->parse(input, result, position);
    if (position.getIndex() == 0 || position.getIndex() != input.length()) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    value = result.getDouble(status);
    if (U_FAILURE(status)) return std::nullopt;
  }
  if (minimum_ && value < *minimum_) return std::nullopt;
  if (maximum_ && value > *maximum_) return std::nullopt;
  return value;
}

bool operator==(const NumberFormatter& a, const NumberFormatter& b) {
  return a.positiveFormat_ == b.positiveFormat_ && a.negativeFormat_ == b.negativeFormat_ &&
         isEqual(a.positiveAttributes_, b.positiveAttributes_) &&
         isEqual(a.negativeAttributes_, b.negativeAttributes_) && a.zero_ == b.zero_ &&
         a.thousandSeparator_ == b.thousandSeparator_ && a.decimalSeparator_ == b.decimalSeparator_ &&
         a.grouping_ == b.grouping_ && a.localization_ == b.localization_ &&
         a.localeIdentifier_ == b.localeIdentifier_ && a.minimum_ == b.minimum_ && a.maximum_ == b.maximum_;
}

void setNumberFormatterWithDictionary(NumberFormatter& formatter, const DictionaryRef& description) {
  if (!description || description->empty()) return;
  const Dictionary& d = *description;
  if (auto pattern = d.stringForKey(kNumberFormatPositiveKey)) formatter.setPositiveFormat(pattern->value());
  if (auto pattern = d.stringForKey(kNumberFormatNegativeKey)) formatter.setNegativeFormat(pattern->value());
  if (auto pattern = d.stringForKey(kNumberFormatZeroKey)) formatter.setFormat(pattern->value());
  if (auto attributes = d.dictionaryForKey(kNumberFormatPositiveStylesKey)) {
    formatter.setTextAttributesForPositiveValues(attributes);
  }
  if (auto attributes = d.dictionaryForKey(kNumberFormatNegativeStylesKey)) {
    formatter.setTextAttributesForNegativeValues(attributes);
  }
  if (auto zero = AttributedString::fromPropertyList(d.objectForKey(kNumberFormatZeroStylesKey))) {
    formatter.setAttributedStringForZero(std::move(*zero));
  }
  if (auto separator = d.stringForKey(kNumberFormatThousandSeparatorKey)) {
    formatter.setThousandSeparator(separator->value());
  }
  if (auto separator = d.stringForKey(kNumberFormatDecimalSeparatorKey)) {
    formatter.setDecimalSeparator(separator->value());
  }
  if (d.containsKey(kNumberFormatGroupingKey)) formatter.setHasThousandSeparators(ThousandSeparatorGrouping::Always);
  if (d.containsKey(kNumberFormatLocalizeKey)) formatter.setLocalizesFormat(FormatLocalization::Localized);
  if (auto minimum = d.numberForKey(kNumberFormatMinimumKey)) formatter.setMinimum(minimum->realValue());
  if (auto maximum = d.numberForKey(kNumberFormatMaximumKey)) formatter.setMaximum(maximum->realValue());
}

std::optional<AttributedString> stringFromNumberForFormat(double value, const DictionaryRef& description,
                                                          const DictionaryRef& defaultAttributes) {
  NumberFormatter formatter;
  setNumberFormatterWithDictionary(formatter, description);
  return formatter.attributedStringForObjectValueWithDefaultAttributes(value, defaultAttributes);
}

}  // namespace qor
