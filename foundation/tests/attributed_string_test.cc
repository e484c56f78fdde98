#include "qor/attributed_string.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

namespace qor {

// Readable failure messages (found by argument-dependent lookup).
void PrintTo(const AttributedString& s, std::ostream* out) { *out << describe(s.propertyList()); }

namespace {

DictionaryRef attrs(std::vector<Dictionary::Entry> entries) { return Dictionary::make(std::move(entries)); }

const DictionaryRef kBold = attrs({{"font", str("Sans Bold 12")}});

// The effective range at every index, in order.
std::vector<TextRange> effectiveRanges(const AttributedString& s) {
  std::vector<TextRange> ranges;
  for (std::size_t i = 0; i < s.length(); ++i) ranges.push_back(s.attributesAtIndexEffectiveRange(i)->range);
  return ranges;
}

TEST(AttributedString, CountsUtf16CodeUnits) {
  // "a" 1 + U+1F600 2 (a surrogate pair) + "é" 1 = 4 units for 7 UTF-8 bytes.
  AttributedString s("a\xF0\x9F\x98\x80\xC3\xA9", kBold);
  EXPECT_EQ(s.length(), 4u);
  auto run = s.attributesAtIndexEffectiveRange(3);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->range, (TextRange{0, 4}));
  EXPECT_TRUE(isEqual(run->attributes, kBold));
  EXPECT_FALSE(s.attributesAtIndexEffectiveRange(4));

  AttributedString empty;
  EXPECT_EQ(empty.length(), 0u);
  EXPECT_FALSE(empty.attributesAtIndexEffectiveRange(0));
  auto plain = AttributedString("x").attributesAtIndexEffectiveRange(0);
  ASSERT_TRUE(plain && plain->attributes);
  EXPECT_TRUE(plain->attributes->empty());
}

TEST(AttributedString, SetAttributesCutsRunsAtTheRangeEnds) {
  AttributedString s("abcdef");
  s.setAttributesRange(kBold, {1, 2});
  EXPECT_EQ(effectiveRanges(s), (std::vector<TextRange>{{0, 1}, {1, 2}, {1, 2}, {3, 3}, {3, 3}, {3, 3}}));
  EXPECT_TRUE(isEqual(s.attributesAtIndexEffectiveRange(2)->attributes, kBold));
  EXPECT_TRUE(s.attributesAtIndexEffectiveRange(3)->attributes->empty());

  // Null attributes clear; the cleared unit joins its empty neighbours again.
  s.setAttributesRange(nullptr, {1, 2});
  EXPECT_EQ(s.attributesAtIndexEffectiveRange(0)->range, (TextRange{0, 6}));
}

TEST(AttributedString, AddAttributesMergesIntoEachRun) {
  const DictionaryRef fontA = attrs({{"font", str("A")}});
  AttributedString s("abcd", fontA);
  s.addAttributesRange(attrs({{"color", str("red")}}), {2, 2});
  s.addAttributesRange(attrs({{"font", str("B")}}), {0, 3});
  struct Case {
    std::size_t index;
    const char* font;
    bool red;
    TextRange range;
  };
  const Case cases[] = {
      {0, "B", false, {0, 2}},
      {2, "B", true, {2, 1}},
      {3, "A", true, {3, 1}},
  };
  for (const auto& c : cases) {
    auto run = s.attributesAtIndexEffectiveRange(c.index);
    ASSERT_TRUE(run) << c.index;
    EXPECT_EQ(run->attributes->stringForKey("font")->value(), c.font) << c.index;
    EXPECT_EQ(run->attributes->containsKey("color"), c.red) << c.index;
    EXPECT_EQ(run->range, c.range) << c.index;
  }
  // A replaced entry keeps its place: "font" still comes first.
  EXPECT_EQ(s.attributesAtIndexEffectiveRange(2)->attributes->allKeys(),
            (std::vector<std::string>{"font", "color"}));
}

TEST(AttributedString, LongestEffectiveRangeJoinsEqualRunsInsideTheLimit) {
  // "ab" and "cd" hold equal but separately made dictionaries; "e" another.
  AttributedString s("abcde");
  s.setAttributesRange(attrs({{"font", str("Bold")}}), {0, 2});
  s.setAttributesRange(attrs({{"font", str("Bold")}}), {2, 2});
  s.setAttributesRange(attrs({{"font", str("Light")}}), {4, 1});
  EXPECT_EQ(s.attributesAtIndexEffectiveRange(1)->range, (TextRange{0, 2}));
  struct Case {
    std::size_t index;
    TextRange limit;
    std::optional<TextRange> expected;
  };
  const Case cases[] = {
      {1, {0, 5}, TextRange{0, 4}},
      {2, {1, 4}, TextRange{1, 3}},   // clipped at both ends of the limit
      {2, {2, 1}, TextRange{2, 1}},
      {4, {0, 5}, TextRange{4, 1}},
      {0, {1, 4}, std::nullopt},      // index before the limit
      {4, {0, 4}, std::nullopt},      // index at the limit's end
      {1, {0, 6}, std::nullopt},      // limit past the text
  };
  for (const auto& c : cases) {
    auto run = s.attributesAtIndexLongestEffectiveRangeInRange(c.index, c.limit);
    ASSERT_EQ(run.has_value(), c.expected.has_value()) << c.index;
    if (run) {
      EXPECT_EQ(run->range, *c.expected) << c.index;
    }
  }
}

TEST(AttributedString, RangesOutsideTheTextChangeNothing) {
  const AttributedString original("abc", kBold);
  const TextRange bad[] = {
      {2, 2},                                          // 2 + 2 > 3
      {4, 0},
      {std::numeric_limits<std::size_t>::max(), 2},   // end would wrap around
      {1, 0},                                          // empty
  };
  for (const auto& range : bad) {
    AttributedString s = original;
    s.setAttributesRange(nullptr, range);
    s.addAttributesRange(attrs({{"color", str("red")}}), range);
    EXPECT_EQ(s, original) << range.location << "+" << range.length;
    EXPECT_EQ(effectiveRanges(s), effectiveRanges(original));
  }
}

TEST(AttributedString, KeepsItsOwnCopyOfMutableAttributes) {
  auto mutableAttributes = MutableDictionary::make({{"font", str("A")}});
  AttributedString s("ab", mutableAttributes);
  mutableAttributes->setObjectForKey(str("B"), "font");
  EXPECT_EQ(s.attributesAtIndexEffectiveRange(0)->attributes->stringForKey("font")->value(), "A");
}

TEST(AttributedString, EqualityIgnoresHowRunsAreCut) {
  AttributedString whole("abcd", kBold);
  AttributedString pieces("abcd");
  pieces.setAttributesRange(attrs({{"font", str("Sans Bold 12")}}), {0, 1});
  pieces.setAttributesRange(attrs({{"font", str("Sans Bold 12")}}), {1, 3});
  EXPECT_EQ(effectiveRanges(pieces).front(), (TextRange{0, 1}));
  EXPECT_EQ(whole, pieces);

  AttributedString differs = pieces;
  differs.addAttributesRange(attrs({{"color", str("red")}}), {3, 1});
  EXPECT_FALSE(whole == differs);
  EXPECT_FALSE(whole == AttributedString("abce", kBold));
  EXPECT_FALSE(whole == AttributedString("abcd"));
  EXPECT_EQ(AttributedString(), AttributedString(""));
}

TEST(AttributedString, PropertyListFormRoundTrips) {
  AttributedString runs("-1\xF0\x9F\x98\x80x", kBold);  // 5 units
  runs.addAttributesRange(attrs({{"color", str("red")}}), {0, 1});
  runs.setAttributesRange(nullptr, {2, 2});
  const AttributedString samples[] = {AttributedString(), AttributedString("plain"), runs};
  for (const auto& sample : samples) {
    auto back = AttributedString::fromPropertyList(sample.propertyList());
    ASSERT_TRUE(back) << sample.string();
    EXPECT_EQ(*back, sample) << describe(sample.propertyList());
    EXPECT_EQ(effectiveRanges(*back), effectiveRanges(sample));
  }
  EXPECT_EQ(AttributedString::fromPropertyList(str("zero")), AttributedString("zero"));
  EXPECT_EQ(AttributedString::fromPropertyList(attrs({{"string", str("ab")}})), AttributedString("ab"));
}

TEST(AttributedString, MalformedPropertyListsAreRejected) {
  auto run = [](Ref length, Ref attributes = nullptr) -> Ref {
    auto entry = MutableDictionary::make({{"length", std::move(length)}});
    if (attributes) entry->setObjectForKey(std::move(attributes), "attributes");
    return entry;
  };
  auto form = [](Ref text, Ref runs) -> Ref { return Dictionary::make({{"string", text}, {"runs", runs}}); };
  const Ref bad[] = {
      nullptr,
      integer(3),
      attrs({{"runs", Array::make()}}),                            // no text
      form(integer(1), Array::make()),                              // text not a string
      form(str("abc"), str("runs")),                                // runs not an array
      form(str("abc"), Array::make({run(integer(2))})),             // 2 < 3 units
      form(str("abc"), Array::make({run(integer(2)), run(integer(2))})),  // 4 > 3
      form(str("abc"), Array::make({run(integer(-1)), run(integer(4))})),
      form(str("abc"), Array::make({run(real(3.0))})),
      form(str("abc"), Array::make({run(integer(3), str("bold"))})),     // attributes not a dictionary
      form(str("abc"), Array::make({str("3")})),
  };
  for (const auto& value : bad) EXPECT_FALSE(AttributedString::fromPropertyList(value)) << describe(value);
}

}  // namespace
}  // namespace qor
