#include <gtest/gtest.h>

#include "qor/log.h"
#include "qor/text.h"

namespace qor {
namespace {

TEST(Log, CapturesSeeEveryLineInOrderAndNest) {
  LogCapture outer;
  logLine("***** Remove bogus menu entries. (1)");
  {
    LogCapture inner;
    logLine("[save:] [] [0]");
    EXPECT_EQ(inner.lines(), std::vector<std::string>{"[save:] [] [0]"});
  }
  logLine("");
  EXPECT_EQ(outer.lines(),
            (std::vector<std::string>{"***** Remove bogus menu entries. (1)", "[save:] [] [0]", ""}));
  outer.clear();
  EXPECT_TRUE(outer.lines().empty());
}

TEST(Text, FormatWithObjectsFillsInOrder) {
  struct Case {
    const char* format;
    std::vector<std::string> arguments;
    const char* expected;
  };
  const Case cases[] = {
      {"Remove '%@'", {"⌘S"}, "Remove '⌘S'"},
      {"'%@' is currently bound to %@.", {"⌘S", "'Save'"}, "'⌘S' is currently bound to 'Save'."},
      {"%@.QOR_shortcuts", {"My set"}, "My set.QOR_shortcuts"},
      {"[%@]", {}, "[]"},                 // missing argument fills with nothing
      {"100%% %d %@", {"x", "y"}, "100% %d x"},  // other sequences stay
      {"trailing %", {}, "trailing %"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatWithObjects(c.format, c.arguments), c.expected) << c.format;
}

TEST(Text, Utf16RoundTripsAndCountsCodeUnits) {
  const std::string samples[] = {"", "s", "⌘S", "é", "\xF0\x9F\x98\x80" /* U+1F600, two units */};
  const std::size_t units[] = {0, 1, 2, 1, 2};
  for (std::size_t i = 0; i < std::size(samples); ++i) {
    EXPECT_EQ(utf8FromUtf16(utf16FromUtf8(samples[i])), samples[i]);
    EXPECT_EQ(utf16Length(samples[i]), units[i]) << samples[i];
  }
}

TEST(Text, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(utf16FromUtf8("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(utf16FromUtf8("\xE2\x8C"), u"\uFFFD\uFFFD");  // truncated sequence
  EXPECT_EQ(utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong '/'
  EXPECT_EQ(utf8FromCodeUnit(0xD800), "\xEF\xBF\xBD");
  EXPECT_EQ(utf8FromCodeUnit(u'\u2318'), "⌘");
}

TEST(Text, CaseInsensitiveCompareIsATextOrder) {
  EXPECT_LT(compareCaseInsensitive("10", "9"), 0);  // text, not numbers
  EXPECT_EQ(compareCaseInsensitive("Mine", "mINE"), 0);
  EXPECT_LT(compareCaseInsensitive("abc", "ABCD"), 0);
  EXPECT_GT(compareCaseInsensitive("b", "A"), 0);
}

}  // namespace
}  // namespace qor
