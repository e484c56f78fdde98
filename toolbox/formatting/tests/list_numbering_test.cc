#include "qor/list_numbering.h"

#include <gtest/gtest.h>

#include <cctype>
#include <limits>
#include <sstream>

#include "qor/testing/oracles.h"

namespace qor {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct Case {
  std::int32_t number;
  const char* lower;
  const char* upper;
};

void expectStyles(const Case& c, ListNumberStyle lowerStyle, ListNumberStyle upperStyle) {
  EXPECT_EQ(numberStringWithNumber(c.number, lowerStyle), c.lower) << c.number;
  EXPECT_EQ(numberStringWithNumber(c.number, upperStyle), c.upper) << c.number;
}

TEST(ListNumbering, DecimalKeepsTheSign) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "0"}, {4, "4"}, {-12, "-12"}, {kMin, "-2147483648"}, {kMax, "2147483647"}};
  for (const auto& [number, text] : cases) EXPECT_EQ(numberStringWithNumber(number, ListNumberStyle::Decimal), text);
}

TEST(ListNumbering, RomanByPositionWithDecimalFallback) {
  const Case cases[] = {
      {4, "iv", "IV"},
      {28, "xxviii", "XXVIII"},
      {1000, "m", "M"},
      {3999, "mmmcmxcix", "MMMCMXCIX"},   // 3000 + 900 + 90 + 9, the last full form
      {4000, "4000", "4000"},             // thousands digit 4 writes nothing, nor do 0, 0, 0
      {4001, "i", "I"},                   // only the unit 1 is written
      {12345, "mmcccxlv", "MMCCCXLV"},    // thousands digit 2, then 345; the ten-thousand is ignored
      {10000, "10000", "10000"},          // thousands digit 0 and three zeros
      {1003000, "mmm", "MMM"},            // (1003000 / 1000) % 10 = 3
      {kMax, "mmmdcxlvii", "MMMDCXLVII"}, // (2147483647 / 1000) % 10 = 3, then 647
      {0, "0", "0"},
      {-7, "-7", "-7"},                   // -7 % 10 = -7: negative digits write nothing
      {-1999, "-1999", "-1999"},
      {kMin, "-2147483648", "-2147483648"},
  };
  for (const auto& c : cases) expectStyles(c, ListNumberStyle::LowerRoman, ListNumberStyle::UpperRoman);
}

TEST(ListNumbering, AlphabeticIsBijectiveBase26) {
  const Case cases[] = {
      {1, "a", "A"},
      {4, "d", "D"},
      {26, "z", "Z"},
      {27, "aa", "AA"},         // 26 + 1
      {28, "ab", "AB"},
      {52, "az", "AZ"},         // 26 + 26
      {53, "ba", "BA"},         // 2*26 + 1
      {676, "yz", "YZ"},        // 25*26 + 26
      {677, "za", "ZA"},        // 26*26 + 1
      {702, "zz", "ZZ"},        // 26*26 + 26, the last two-letter label
      {703, "aaa", "AAA"},      // 702 + 1
      {18278, "zzz", "ZZZ"},    // 26 + 26^2 + 26^3
      {18279, "aaaa", "AAAA"},
      {kMax, "fxshrxw", "FXSHRXW"},  // 26 + ... + 26^6 = 321272406 labels before 7 letters
      // No label of its own: written in decimal, as roman numbering does.
      {0, "0", "0"},
      {-3, "-3", "-3"},
      {kMin, "-2147483648", "-2147483648"},
  };
  for (const auto& c : cases) expectStyles(c, ListNumberStyle::LowerAlphabetic, ListNumberStyle::UpperAlphabetic);
}

TEST(ListNumbering, StyleCodesOutsideOneToFiveGiveNoString) {
  for (std::int32_t code : {0, 6, -1, kMax, kMin}) {
    EXPECT_EQ(listNumberStyleFromCode(code), ListNumberStyle::None) << code;
    EXPECT_EQ(numberStringWithNumber(4, listNumberStyleFromCode(code)), std::nullopt) << code;
    EXPECT_EQ(numberStringWithNumber(4, static_cast<ListNumberStyle>(code)), std::nullopt) << code;
  }
  for (std::int32_t code = 1; code <= 5; ++code) {
    EXPECT_EQ(static_cast<std::int32_t>(listNumberStyleFromCode(code)), code);
  }
}

TEST(ListNumbering, HarvardCycleByDepth) {
  struct HarvardCase {
    std::int32_t depth;
    std::int32_t number;
    const char* label;
  };
  const HarvardCase cases[] = {
      {0, 1, ""},
      {0, 27, ""},
      {1, 4, "IV."},
      {1, 0, "0."},        // roman fallback inside the label
      {2, 27, "AA."},
      {3, 3, "3."},
      {3, -2, "-2."},
      {4, 3, "c)"},
      {5, 3, "(3)"},       // (5 - 5) % 3 = 0
      {6, 3, "(c)"},       // 1
      {7, 9, "ix)"},       // 2
      {8, 3, "(3)"},
      {9, 3, "(c)"},
      {10, 9, "ix)"},
      {11, 2, "(2)"},
      {12, 28, "(ab)"},
      {13, 4000, "4000)"},
      {kMax, 3, "iii)"},   // (2147483647 - 5) % 3 = 2
      // Negative depths: (depth - 5) % 3 truncates toward zero.
      {-1, 3, "(3)"},      // -6 % 3 = 0
      {-2, 3, "3."},       // -7 % 3 = -1
      {-3, 3, "3."},       // -8 % 3 = -2
      {-4, 3, "(3)"},      // -9 % 3 = 0
      {kMin, 3, "3."},     // -2147483653 % 3 = -1, computed without overflow
  };
  for (const auto& c : cases) EXPECT_EQ(numberStringInHarvardWithNumber(c.number, c.depth), c.label) << c.depth;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The script lists the roman and alphabetic labels of 1 .. 5000 computed its
// own way (greedy subtraction; enumeration of all labels in order).
TEST(ListNumbering, AgreesWithIndependentOracleUpTo5000) {
  constexpr int kLast = 5000;
  const std::string command = "python3 " QOR_SOURCE_DIR "/toolbox/formatting/tests/numbering_oracle.py " +
                              std::to_string(kLast);
  const fixtures::CommandRun oracle = fixtures::runCommand(command);
  ASSERT_EQ(oracle.status, 0) << command;
  std::istringstream lines(oracle.output);
  int number = 0;
  std::string roman;
  std::string alphabetic;
  int checked = 0;
  while (lines >> number >> roman >> alphabetic) {
    ASSERT_EQ(number, checked + 1);
    EXPECT_EQ(numberStringWithNumber(number, ListNumberStyle::LowerRoman), roman) << number;
    EXPECT_EQ(numberStringWithNumber(number, ListNumberStyle::UpperRoman), upper(roman)) << number;
    EXPECT_EQ(numberStringWithNumber(number, ListNumberStyle::LowerAlphabetic), alphabetic) << number;
    EXPECT_EQ(numberStringWithNumber(number, ListNumberStyle::UpperAlphabetic), upper(alphabetic)) << number;
    ++checked;
  }
  EXPECT_EQ(checked, kLast);
}

}  // namespace
}  // namespace qor
