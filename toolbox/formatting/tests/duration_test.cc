#include "qor/duration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "qor/bundle.h"

namespace qor {
namespace {

const std::string kHostResources = std::string(QOR_SOURCE_DIR) + "/apps/editor/resources";

void useBundle(const std::string& path, const std::string& language) {
  setMainBundle(std::make_shared<Bundle>(path, std::vector<std::string>{language}));
}

class Duration : public testing::Test {
 protected:
  void SetUp() override { useBundle(kHostResources, "en"); }
};

std::optional<std::string> rendered(std::string_view input) {
  return durationStringFromString(input, MutableDictionary::make());
}

TEST_F(Duration, RendersAndCountsTypedDurations) {
  struct Case {
    const char* input;
    std::optional<std::string> words;
    double seconds;
  };
  const Case cases[] = {
      {"2h30m", "2 hours 30 minutes", 9000.0},             // 2*3600 + 30*60
      {"1y6M", "1 year 6 months", 47606400.0},             // 365*86400 + 6*31*86400
      {"1y 6M", "1 year 6 months", 47606400.0},            // the blank is skipped
      {"6m", "6 minutes", 360.0},
      {"6M", "6 months", 16070400.0},                      // 6*31*24*60*60
      {"3w", "3 weeks", 1814400.0},                        // 3*7*86400
      {"90", "90 seconds", 90.0},                          // no unit: seconds
      {"45s", "45 seconds", 45.0},
      {"45x", "45 seconds", 45.0},                         // any other letter: seconds
      {"0m", "0 minute", 0.0},                             // 0 takes the singular
      {"1d", "1 day", 86400.0},
      {"2d", "2 days", 172800.0},
      {"00d", "00 day", 0.0},                              // "00" reads 0
      {"05m", "05 minutes", 300.0},                        // digits as typed
      {"1h2h", "2 hours", 7200.0},                         // the later hour wins
      {"3m2h", "2 hours 3 minutes", 7380.0},               // fixed order
      {"10m5", "10 minutes 5 seconds", 605.0},
      {"1h1m1", "1 hour 1 minute 1 second", 3661.0},
      {"1.5h", "5 hours 1 second", 18001.0},               // '.' is 1's unit, then 5h
      {"-5m", "5 minutes", 300.0},                         // signs are skipped
      {"2h ", "2 hours", 7200.0},                          // the blank is 2's unit
      {"2h x", "2 hours", 7200.0},                         // " x" holds no digit
      {"abc", std::nullopt, 0.0},
      {"", std::nullopt, 0.0},
      // A multi-byte character after the digits is consumed as the unit
      // (seconds); its remaining bytes are skipped like any non-digit.
      {"7\xC3\xA9" "3h", "3 hours 7 seconds", 10807.0},          // 7é3h
      {"5\xF0\x9F\x98\x80" "2d", "2 days 5 seconds", 172805.0},  // 5, U+1F600, 2d
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rendered(c.input), c.words) << c.input;
    EXPECT_EQ(durationFromString(c.input), c.seconds) << c.input;
  }
}

TEST_F(Duration, ComponentsHoldTheDigitsAsTyped) {
  auto components = MutableDictionary::make();
  ASSERT_TRUE(durationStringFromString("1.5h 007", components));
  EXPECT_EQ(describe(components), R"({"second" = "007"; "hour" = "5"})");  // "1" replaced by "007"
}

TEST_F(Duration, CallerEntriesStayUnlessReplaced) {
  // Numbers show in decimal and read as integers for the plural: 2.5 -> 2.
  auto components = MutableDictionary::make(
      {{"day", str("3")}, {"hour", str("9")}, {"week", integer(1)}, {"minute", real(2.5)}});
  EXPECT_EQ(durationStringFromString("2h", components), "1 week 3 days 2 hours 2.5 minutes");
  EXPECT_EQ(components->stringForKey("hour")->value(), "2");

  // No digit: nothing is rendered and nothing changes.
  EXPECT_EQ(durationStringFromString("h", components), std::nullopt);
  EXPECT_EQ(components->count(), 4u);
  EXPECT_EQ(durationStringFromString("2h", nullptr), std::nullopt);
}

TEST_F(Duration, CallerTextReadsAsTheIntegerItStartsWithForThePlural) {
  // Blanks skipped, one sign, the digits up to the first other character;
  // text without digits reads 0. The text itself shows as stored.
  struct Case {
    const char* stored;
    const char* rendered;
  };
  const Case cases[] = {
      {" 7", " 7 weeks 1 second"},
      {"+2", "+2 weeks 1 second"},
      {"-3", "-3 week 1 second"},
      {"-99999999999", "-99999999999 week 1 second"},
      {" \t", " \t week 1 second"},
      {"2 days", "2 days weeks 1 second"},
      {"x2", "x2 week 1 second"},
  };
  for (const auto& c : cases) {
    auto components = MutableDictionary::make({{"week", str(c.stored)}});
    EXPECT_EQ(durationStringFromString("1", components), c.rendered) << c.stored;
  }
}

TEST_F(Duration, PluralReadingSaturatesAt32Bits) {
  // Wrapping to 32 bits would read 4294967297 = 2^32 + 1 as 1 (singular) and
  // 4294967296 as 0; saturating reads both as 2147483647, a plural.
  EXPECT_EQ(rendered("4294967297h"), "4294967297 hours");
  EXPECT_EQ(rendered("4294967296h"), "4294967296 hours");
  EXPECT_EQ(rendered("99999999999999999999d"), "99999999999999999999 days");
  // The seconds read the digits as a double, with no saturation:
  // 4294967297 * 3600 = 15461882269200.
  EXPECT_EQ(durationFromString("4294967297h"), 15461882269200.0);
}

TEST_F(Duration, SecondsMultiplyStepByStep) {
  // 8226161561168607 * 365 * 24 * 60 * 60, rounding after each product, is
  // 2.594202309930132e+23; one product by 31536000 would give
  // 2.5942023099301318e+23.
  EXPECT_EQ(durationFromString("8226161561168607y"), 2.594202309930132e+23);
  EXPECT_NE(durationFromString("8226161561168607y"), 8226161561168607.0 * 31536000.0);
}

TEST_F(Duration, ShippedTableHasEveryUnitWord) {
  std::ifstream file(kHostResources + "/locale/en/GUIStrings.po");
  ASSERT_TRUE(file);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  auto table = parsePoText(text);
  for (const char* unit : {"year", "month", "week", "day", "hour", "minute", "second"}) {
    EXPECT_EQ(table[unit], unit);
    EXPECT_EQ(table[std::string(unit) + "s"], std::string(unit) + "s");
  }
}

TEST_F(Duration, WordsComeFromTheHostTableWithKeysAsFallback) {
  namespace fs = std::filesystem;
  fs::path bundle = fs::path(testing::TempDir()) / "duration-test-bundle";
  fs::create_directories(bundle / "locale" / "de");
  std::ofstream(bundle / "locale" / "de" / "GUIStrings.po")
      << "msgid \"hour\"\nmsgstr \"Stunde\"\n\nmsgid \"hours\"\nmsgstr \"Stunden\"\n\n"
         "msgid \"minutes\"\nmsgstr \"Minuten\"\n";
  useBundle(bundle.string(), "de");
  EXPECT_EQ(rendered("2h30m"), "2 Stunden 30 Minuten");
  EXPECT_EQ(rendered("1h1m"), "1 Stunde 1 minute");  // "minute" has no entry
  fs::remove_all(bundle);

  // A bundle without the table shows every key.
  useBundle(QOR_SOURCE_DIR "/no-such-bundle", "en");
  EXPECT_EQ(rendered("1y2w"), "1 year 2 weeks");
}

}  // namespace
}  // namespace qor
