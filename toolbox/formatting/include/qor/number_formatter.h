/// @file
/// Number formatting for the host editor: a number formatter with the settings
/// the host describes a number format with, and the two functions that apply
/// such a description and format one value with it.
///
/// Patterns use the LDML decimal pattern syntax (ICU's DecimalFormat):
/// "#,##0.00" groups thousands and keeps two decimals, "0.###" keeps up to
/// three, "(#,##0.00)" as a negative pattern puts negative values in
/// parentheses. A whole format is "positive;negative"; a negative pattern only
/// lends its prefix and suffix, the digits always follow the positive one.
/// Without a negative pattern negative values get a minus sign in front of the
/// positive form. Rounding is half-even. A '~' stands for itself (ICU would
/// take it for an approximately sign, and abort on reading text with one).
///
/// Example:
/// @code
///   auto description = qor::Dictionary::make({{"positive", qor::str("#,##0.00")},
///                                             {"negative", qor::str("(#,##0.00)")}});
///   auto text = qor::stringFromNumberForFormat(-1234.5, description, nullptr);
///   text->string();   // "(1,234.50)"
/// @endcode
///
/// Threads: any function may be called from several threads at once; a
/// formatter being changed belongs to one thread until it is done.
#pragma once

#include "qor/toolbox_export.h"

#include <optional>
#include <string>
#include <string_view>

#include "qor/attributed_string.h"
#include "qor/value.h"

namespace qor {

/// Whether values are grouped in thousands.
enum class ThousandSeparatorGrouping {
  AsPatternSays,  ///< grouped when the pattern holds a ',' ("#,##0"), not otherwise
  Always,         ///< grouped in threes even when the pattern does not ask for it
};

/// Where the decimal point, the grouping separator and the signs come from.
enum class FormatLocalization {
  Fixed,      ///< '.', ',' and '-' whatever the user's locale
  Localized,  ///< the formatter's locale ("1.234,5" in German)
};

/// A number formatter: a set of display settings, formatting through ICU.
/// A fresh formatter has the positive pattern "0.###", no negative pattern,
/// no text attributes, no zero string, the separators of its symbols, fixed
/// (unlocalized) symbols, grouping only as the pattern says, no minimum or
/// maximum, and the process's default locale. Copies are independent.
class QOR_TOOLBOX_EXPORT NumberFormatter {
 public:
  /// The positive pattern of a fresh formatter.
  static constexpr const char* kDefaultPositiveFormat = "0.###";

  /// The pattern for positive values and zero.
  ///@{
  [[nodiscard]] const std::string& positiveFormat() const { return positiveFormat_; }
  void setPositiveFormat(std::string pattern) { positiveFormat_ = std::move(pattern); }
  ///@}

  /// The pattern for negative values; empty means "minus sign, then the
  /// positive form".
  ///@{
  [[nodiscard]] const std::string& negativeFormat() const { return negativeFormat_; }
  void setNegativeFormat(std::string pattern) { negativeFormat_ = std::move(pattern); }
  ///@}

  /// The whole format: the positive pattern, then ";" and the negative one
  /// when there is one.
  [[nodiscard]] std::string format() const;
  /// Splits `pattern` at its first ';' outside quotes into the positive and
  /// the negative pattern; without one, the negative pattern becomes empty.
  /// @code
  ///   "#,##0.00;(#,##0.00)" -> positive "#,##0.00", negative "(#,##0.00)"
  /// @endcode
  void setFormat(std::string_view pattern);

  /// Attributes laid over the default attributes of values above zero (of
  /// values below zero); null means none.
  ///@{
  [[nodiscard]] const DictionaryRef& textAttributesForPositiveValues() const { return positiveAttributes_; }
  void setTextAttributesForPositiveValues(DictionaryRef attributes) { positiveAttributes_ = std::move(attributes); }
  [[nodiscard]] const DictionaryRef& textAttributesForNegativeValues() const { return negativeAttributes_; }
  void setTextAttributesForNegativeValues(DictionaryRef attributes) { negativeAttributes_ = std::move(attributes); }
  ///@}

  /// What zero (either sign) shows instead of its formatted digits; nullopt
  /// formats zero like any value.
  ///@{
  [[nodiscard]] const std::optional<AttributedString>& attributedStringForZero() const { return zero_; }
  void setAttributedStringForZero(std::optional<AttributedString> zero) { zero_ = std::move(zero); }
  ///@}

  /// Separators replacing those of the symbols in use (also for reading);
  /// nullopt keeps the symbols' own.
  ///@{
  [[nodiscard]] const std::optional<std::string>& thousandSeparator() const { return thousandSeparator_; }
  void setThousandSeparator(std::optional<std::string> separator) { thousandSeparator_ = std::move(separator); }
  [[nodiscard]] const std::optional<std::string>& decimalSeparator() const { return decimalSeparator_; }
  void setDecimalSeparator(std::optional<std::string> separator) { decimalSeparator_ = std::move(separator); }
  ///@}

  /// Whether values are grouped in thousands only as the pattern says, or always.
  ///@{
  [[nodiscard]] ThousandSeparatorGrouping thousandSeparatorGrouping() const { return grouping_; }
  void setHasThousandSeparators(ThousandSeparatorGrouping grouping) { grouping_ = grouping; }
  ///@}

  /// Whether the symbols are fixed or those of localeIdentifier().
  ///@{
  [[nodiscard]] FormatLocalization formatLocalization() const { return localization_; }
  void setLocalizesFormat(FormatLocalization localization) { localization_ = localization; }
  ///@}

  /// The locale of localized symbols, as an ICU locale identifier ("de_DE");
  /// empty means the process's default locale.
  ///@{
  [[nodiscard]] const std::string& localeIdentifier() const { return localeIdentifier_; }
  void setLocaleIdentifier(std::string identifier) { localeIdentifier_ = std::move(identifier); }
  ///@}

  /// Bounds of the values numberFromString() accepts; formatting shows any
  /// value. nullopt means unbounded.
  ///@{
  [[nodiscard]] const std::optional<double>& minimum() const { return minimum_; }
  void setMinimum(std::optional<double> minimum) { minimum_ = minimum; }
  [[nodiscard]] const std::optional<double>& maximum() const { return maximum_; }
  void setMaximum(std::optional<double> maximum) { maximum_ = maximum; }
  ///@}

  /// `value` as text: the zero string's text for zero when there is one, else
  /// the value through the patterns. Result: nullopt when the patterns are
  /// not valid LDML.
  [[nodiscard]] std::optional<std::string> stringForObjectValue(double value) const;

  /// `value` as styled text. Formatted digits carry `defaultAttributes` (null
  /// means none) with the positive attributes laid over them for a value
  /// above zero and the negative attributes for one below zero; zero and NaN
  /// carry the defaults alone. The zero string keeps its own attributes, laid
  /// over the defaults. Result: nullopt when the patterns are not valid LDML.
  [[nodiscard]] std::optional<AttributedString> attributedStringForObjectValueWithDefaultAttributes(
      double value, const DictionaryRef& defaultAttributes) const;

  /// Reads text written with the patterns and separators (the zero string's
  /// text reads as 0). Result: nullopt when the text is not a whole number
  /// text of this format, or the value lies below the minimum or above the
  /// maximum.
  [[nodiscard]] std::optional<double> numberFromString(std::string_view text) const;

  /// Same settings (attribute dictionaries and zero strings compared by
  /// contents).
  friend QOR_TOOLBOX_EXPORT bool operator==(const NumberFormatter& a, const NumberFormatter& b);

 private:
  std::string positiveFormat_ = kDefaultPositiveFormat;
  std::string negativeFormat_;
  DictionaryRef positiveAttributes_;
  DictionaryRef negativeAttributes_;
  std::optional<AttributedString> zero_;
  std::optional<std::string> thousandSeparator_;
  std::optional<std::string> decimalSeparator_;
  ThousandSeparatorGrouping grouping_ = ThousandSeparatorGrouping::AsPatternSays;
  FormatLocalization localization_ = FormatLocalization::Fixed;
  std::string localeIdentifier_;
  std::optional<double> minimum_;
  std::optional<double> maximum_;
};

/// @name Keys of a number format description
/// In the order setNumberFormatterWithDictionary() applies them; each names
/// the kind of value it takes.
///@{
inline constexpr const char* kNumberFormatPositiveKey = "positive";                   ///< string
inline constexpr const char* kNumberFormatNegativeKey = "negative";                   ///< string
inline constexpr const char* kNumberFormatZeroKey = "zero";                           ///< string: the whole format
inline constexpr const char* kNumberFormatPositiveStylesKey = "positive text styles";  ///< dictionary
inline constexpr const char* kNumberFormatNegativeStylesKey = "negative text styles";  ///< dictionary
inline constexpr const char* kNumberFormatZeroStylesKey = "zero text styles";          ///< attributed string
inline constexpr const char* kNumberFormatThousandSeparatorKey = "thousand separator"; ///< string
inline constexpr const char* kNumberFormatDecimalSeparatorKey = "decimal separator";   ///< string
inline constexpr const char* kNumberFormatGroupingKey = "1000 separators";             ///< any value
inline constexpr const char* kNumberFormatLocalizeKey = "localize";                    ///< any value
inline constexpr const char* kNumberFormatMinimumKey = "minimum";                      ///< number
inline constexpr const char* kNumberFormatMaximumKey = "maximum";                      ///< number
///@}

/// Applies the number format description `description` to `formatter`, key by
/// key in the order of the kNumberFormat...Key constants; keys that are absent leave their setting alone.
/// "zero" is the whole format, so applied after "positive" and "negative" it
/// replaces both. The mere presence of "1000 separators" or "localize"
/// switches that option on, whatever the value (a false boolean too); no key
/// switches an option off. "zero text styles" holds an attributed string in
/// its property-list form (AttributedString::fromPropertyList; a plain string
/// is text without attributes). A value of a kind its setting cannot take is
/// skipped and leaves that setting alone. A null or empty description changes
/// nothing.
QOR_TOOLBOX_EXPORT void setNumberFormatterWithDictionary(NumberFormatter& formatter, const DictionaryRef& description);

/// `value` formatted by a fresh formatter with `description` applied, as
/// styled text over `defaultAttributes` (see
/// NumberFormatter::attributedStringForObjectValueWithDefaultAttributes).
/// A null or empty description formats with the fresh formatter's settings.
/// Result: nullopt when the description's patterns are not valid LDML.
/// @code
///   (1234.5, {"positive" = "0.00"; "1000 separators" = false}, {}) -> "1,234.50"
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<AttributedString> stringFromNumberForFormat(double value, const DictionaryRef& description,
                                                                        const DictionaryRef& defaultAttributes);

}  // namespace qor
