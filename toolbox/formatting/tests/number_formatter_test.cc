#include "qor/number_formatter.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

namespace qor {

// Readable failure messages (found by argument-dependent lookup).
void PrintTo(const AttributedString& s, std::ostream* out) { *out << describe(s.propertyList()); }

namespace {

DictionaryRef dict(std::vector<Dictionary::Entry> entries) { return Dictionary::make(std::move(entries)); }

// A formatter with every setting away from its fresh value.
NumberFormatter configured() {
  NumberFormatter f;
  f.setFormat("#,##0.00;(#,##0.00)");
  f.setTextAttributesForPositiveValues(dict({{"color", str("green")}}));
  f.setTextAttributesForNegativeValues(dict({{"color", str("red")}}));
  f.setAttributedStringForZero(AttributedString("nil"));
  f.setThousandSeparator("'");
  f.setDecimalSeparator(",");
  f.setHasThousandSeparators(ThousandSeparatorGrouping::Always);
  f.setLocalizesFormat(FormatLocalization::Localized);
  f.setLocaleIdentifier("de_DE");
  f.setMinimum(-10.0);
  f.setMaximum(10.0);
  return f;
}

TEST(NumberFormatter, PatternsFormatThroughIcu) {
  struct Case {
    const char* positive;
    const char* negative;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {NumberFormatter::kDefaultPositiveFormat, "", 1234.5, "1234.5"},
      {NumberFormatter::kDefaultPositiveFormat, "", -2.25, "-2.25"},
      {NumberFormatter::kDefaultPositiveFormat, "", 1.23456, "1.235"},
      {"#,##0.00", "(#,##0.00)", -1234.5, "(1,234.50)"},
      {"#,##0.00", "", -1234.5, "-1,234.50"},          // no negative pattern: minus sign
      {"#,##0.00", "-0", -1.5, "-1.50"},               // the digits follow the positive pattern
      {"0.00", "", 0.125, "0.12"},                      // 0.125 is exact: half-even goes to 2
      {"0.00", "", 0.375, "0.38"},
      {"0%", "", 0.25, "25%"},
      {"'x;y'0", "", 5, "x;y5"},                        // quoted ';' is text
  };
  for (const auto& c : cases) {
    NumberFormatter f;
    f.setPositiveFormat(c.positive);
    f.setNegativeFormat(c.negative);
    EXPECT_EQ(f.stringForObjectValue(c.value), c.expected) << c.positive << " " << c.value;
  }
  NumberFormatter broken;
  broken.setPositiveFormat("0.0.0");
  EXPECT_EQ(broken.stringForObjectValue(1), std::nullopt);
  EXPECT_EQ(broken.attributedStringForObjectValueWithDefaultAttributes(1, nullptr), std::nullopt);
}

TEST(NumberFormatter, WholeFormatSplitsAtTheFirstUnquotedSemicolon) {
  struct Case {
    const char* whole;
    const char* positive;
    const char* negative;
  };
  const Case cases[] = {
      {"#,##0.00;(#,##0.00)", "#,##0.00", "(#,##0.00)"},
      {"0.0", "0.0", ""},
      {"'a;b'0;-0", "'a;b'0", "-0"},
      {"0;", "0", ""},
  };
  for (const auto& c : cases) {
    NumberFormatter f;
    f.setNegativeFormat("stale");
    f.setFormat(c.whole);
    EXPECT_EQ(f.positiveFormat(), c.positive) << c.whole;
    EXPECT_EQ(f.negativeFormat(), c.negative) << c.whole;
  }
  NumberFormatter f;
  f.setFormat("0.0;[0.0]");
  EXPECT_EQ(f.format(), "0.0;[0.0]");
}

TEST(NumberFormatter, SeparatorsGroupingAndLocalization) {
  struct Case {
    std::optional<std::string> thousand;
    std::optional<std::string> decimal;
    ThousandSeparatorGrouping grouping;
    FormatLocalization localization;
    const char* expected;
  };
  const auto asPattern = ThousandSeparatorGrouping::AsPatternSays;
  const auto always = ThousandSeparatorGrouping::Always;
  const auto fixed = FormatLocalization::Fixed;
  const auto localized = FormatLocalization::Localized;
  const Case cases[] = {
      {std::nullopt, std::nullopt, asPattern, fixed, "1234567.5"},
      {std::nullopt, std::nullopt, always, fixed, "1,234,567.5"},       // grouped in threes
      {".", ",", always, fixed, "1.234.567,5"},
      {"'", std::nullopt, asPattern, fixed, "1234567.5"},              // a separator alone groups nothing
      {std::nullopt, std::nullopt, always, localized, "1.234.567,5"},  // German symbols
      {" ", std::nullopt, always, localized, "1 234 567,5"},
  };
  for (const auto& c : cases) {
    NumberFormatter f;
    f.setLocaleIdentifier("de_DE");
    f.setThousandSeparator(c.thousand);
    f.setDecimalSeparator(c.decimal);
    f.setHasThousandSeparators(c.grouping);
    f.setLocalizesFormat(c.localization);
    EXPECT_EQ(f.stringForObjectValue(1234567.5), c.expected) << c.expected;
  }
}

TEST(NumberFormatter, AttributesBySign) {
  NumberFormatter f;
  f.setTextAttributesForPositiveValues(dict({{"color", str("green")}}));
  f.setTextAttributesForNegativeValues(dict({{"color", str("red")}, {"font", str("Bold")}}));
  const DictionaryRef defaults = dict({{"font", str("Sans")}, {"size", integer(12)}});
  struct Case {
    double value;
    const char* text;
    DictionaryRef attributes;
  };
  const Case cases[] = {
      {5, "5", dict({{"font", str("Sans")}, {"size", integer(12)}, {"color", str("green")}})},
      {-5, "-5", dict({{"font", str("Bold")}, {"size", integer(12)}, {"color", str("red")}})},
      {0.0, "0", defaults},
      {-0.0, "-0", defaults},                                     // negative zero is zero
      {std::numeric_limits<double>::quiet_NaN(), "NaN", defaults},
  };
  for (const auto& c : cases) {
    auto shown = f.attributedStringForObjectValueWithDefaultAttributes(c.value, defaults);
    ASSERT_TRUE(shown) << c.text;
    EXPECT_EQ(*shown, AttributedString(c.text, c.attributes)) << c.text;
  }
}

TEST(NumberFormatter, ZeroStringLiesOverTheDefaults) {
  AttributedString zero("- none -", dict({{"font", str("Italic")}}));
  zero.addAttributesRange(dict({{"color", str("grey")}}), {2, 4});
  NumberFormatter f;
  f.setAttributedStringForZero(zero);
  const DictionaryRef defaults = dict({{"font", str("Sans")}, {"size", integer(12)}});

  AttributedString expected("- none -", dict({{"font", str("Italic")}, {"size", integer(12)}}));
  expected.addAttributesRange(dict({{"color", str("grey")}}), {2, 4});
  for (double value : {0.0, -0.0}) {
    EXPECT_EQ(f.attributedStringForObjectValueWithDefaultAttributes(value, defaults), expected);
    EXPECT_EQ(f.stringForObjectValue(value), "- none -");
  }
  EXPECT_EQ(f.stringForObjectValue(1e-300), "0");  // tiny but not zero: formatted
}

TEST(NumberFormatter, ReadsBackWhatItWritesWithinTheBounds) {
  NumberFormatter f = configured();  // "#,##0.00;(#,##0.00)" with ' and , as separators
  f.setMinimum(-5000.0);
  f.setMaximum(5000.0);
  for (double value : {1234.5, -1234.5, 0.25, -4999.99, 5000.0}) {
    auto text = f.stringForObjectValue(value);
    ASSERT_TRUE(text);
    EXPECT_EQ(f.numberFromString(*text), value) << *text;
  }
  EXPECT_EQ(f.stringForObjectValue(-1234.5), "(1'234,50)");
  EXPECT_EQ(f.numberFromString("nil"), 0.0);  // the zero string
  EXPECT_EQ(f.numberFromString("5'000,01"), std::nullopt);  // above the maximum
  EXPECT_EQ(f.numberFromString("(5'000,01)"), std::nullopt);
  EXPECT_EQ(f.numberFromString("12 apples"), std::nullopt);
  EXPECT_EQ(f.numberFromString(""), std::nullopt);

  // A '~' in a pattern is a literal: ICU's approximately sign aborted the
  // process on reading (found by toolbox_number_format_fuzz). "'~'" stays
  // quoted; "'' ~" is a quote character and a bare tilde.
  struct Case {
    const char* pattern;
    double value;
    const char* text;
  };
  const Case tildes[] = {{"~0", 12, "~12"}, {"0;~0", -12, "~12"}, {"'~'0", 3, "~3"}, {"''~0", 4, "'~4"}};
  for (const Case& c : tildes) {
    NumberFormatter t;
    t.setFormat(c.pattern);
    EXPECT_EQ(t.stringForObjectValue(c.value), c.text) << c.pattern;
    EXPECT_EQ(t.numberFromString(c.text), c.value) << c.pattern;
  }
}

TEST(NumberFormatDescription, KeysApplyInTableOrder) {
  // "zero" comes first in the dictionary but is applied after "positive" and
  // "negative", replacing both.
  NumberFormatter f;
  setNumberFormatterWithDictionary(
      f, dict({{"zero", str("#,##0.00;[#,##0.00]")}, {"negative", str("(0)")}, {"positive", str("0.0")}}));
  EXPECT_EQ(f.positiveFormat(), "#,##0.00");
  EXPECT_EQ(f.negativeFormat(), "[#,##0.00]");

  NumberFormatter g;
  setNumberFormatterWithDictionary(g, dict({{"zero", str("0.0")}, {"negative", str("(0)")}}));
  EXPECT_EQ(g.negativeFormat(), "");  // a whole format without ';' has no negative pattern
}

TEST(NumberFormatDescription, EverySettingIsFed) {
  AttributedString zero("nil");
  NumberFormatter f;
  setNumberFormatterWithDictionary(f, dict({
                                          {"positive", str("#,##0.00")},
                                          {"negative", str("(#,##0.00)")},
                                          {"positive text styles", dict({{"color", str("green")}})},
                                          {"negative text styles", dict({{"color", str("red")}})},
                                          {"zero text styles", zero.propertyList()},
                                          {"thousand separator", str("'")},
                                          {"decimal separator", str(",")},
                                          {"1000 separators", boolean(true)},
                                          {"localize", str("yes")},
                                          {"minimum", integer(-10)},
                                          {"maximum", real(10.0)},
                                      }));
  NumberFormatter expected = configured();
  expected.setLocaleIdentifier("");  // the only setting no key feeds
  EXPECT_TRUE(f == expected);
}

TEST(NumberFormatDescription, PresenceAloneSwitchesOptionsOn) {
  NumberFormatter f;
  setNumberFormatterWithDictionary(f, dict({{"1000 separators", boolean(false)}, {"localize", integer(0)}}));
  EXPECT_EQ(f.thousandSeparatorGrouping(), ThousandSeparatorGrouping::Always);
  EXPECT_EQ(f.formatLocalization(), FormatLocalization::Localized);

  // No key switches them off again.
  setNumberFormatterWithDictionary(f, dict({{"positive", str("0")}}));
  EXPECT_EQ(f.thousandSeparatorGrouping(), ThousandSeparatorGrouping::Always);
  EXPECT_EQ(f.formatLocalization(), FormatLocalization::Localized);
}

TEST(NumberFormatDescription, EmptyMissingOrUnreadableValuesChangeNothing) {
  const NumberFormatter before = configured();
  const DictionaryRef descriptions[] = {
      nullptr,
      dict({}),
      dict({{"unknown", str("0")}}),
      dict({
          {"positive", integer(5)},
          {"negative", dict({})},
          {"zero", boolean(true)},
          {"positive text styles", str("bold")},
          {"negative text styles", Array::make()},
          {"zero text styles", integer(0)},
          {"thousand separator", integer(1)},
          {"decimal separator", Array::make()},
          {"minimum", str("3")},
          {"maximum", dict({})},
      }),
  };
  for (const auto& description : descriptions) {
    NumberFormatter f = configured();
    setNumberFormatterWithDictionary(f, description);
    EXPECT_TRUE(f == before) << describe(description);
  }
}

TEST(NumberFormatDescription, StringFromNumberUsesAFreshFormatter) {
  const DictionaryRef defaults = dict({{"font", str("Sans")}});
  // Empty description: the fresh formatter's "0.###", defaults over the whole text.
  auto plain = stringFromNumberForFormat(1234.5, nullptr, defaults);
  ASSERT_TRUE(plain);
  EXPECT_EQ(*plain, AttributedString("1234.5", defaults));
  EXPECT_EQ(plain->attributesAtIndexEffectiveRange(0)->range, (TextRange{0, 6}));
  EXPECT_EQ(stringFromNumberForFormat(1234.5, dict({}), nullptr), AttributedString("1234.5"));

  // 1234.5 with "0.00" and grouping switched on by presence: 1,234.50.
  auto grouped = stringFromNumberForFormat(
      1234.5, dict({{"positive", str("0.00")}, {"1000 separators", boolean(false)}}), nullptr);
  EXPECT_EQ(grouped, AttributedString("1,234.50"));

  auto negative = stringFromNumberForFormat(
      -3, dict({{"negative", str("(0)")}, {"negative text styles", dict({{"color", str("red")}})}}), defaults);
  EXPECT_EQ(negative, AttributedString("(3)", dict({{"font", str("Sans")}, {"color", str("red")}})));

  EXPECT_EQ(stringFromNumberForFormat(0, dict({{"zero text styles", str("zero")}}), defaults),
            AttributedString("zero", defaults));
  EXPECT_EQ(stringFromNumberForFormat(1, dict({{"positive", str("0.0.0")}}), defaults), std::nullopt);
}

}  // namespace
}  // namespace qor
