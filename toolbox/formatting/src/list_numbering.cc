#include "qor/list_numbering.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "qor/text.h"

namespace qor {

namespace {

constexpr std::int32_t kRadix = 10;
constexpr std::int32_t kAlphabetSize = 26;

using DigitTable = std::array<std::string_view, kRadix>;  // indexed by digit; 0 writes nothing

// Only 1 to 3 thousands have a roman form here; larger digits write nothing.
constexpr DigitTable kThousands = {"", "m", "mm", "mmm", "", "", "", "", "", ""};
constexpr DigitTable kHundreds = {"", "c", "cc", "ccc", "cd", "d", "dc", "dcc", "dccc", "cm"};
constexpr DigitTable kTens = {"", "x", "xx", "xxx", "xl", "l", "lx", "lxx", "lxxx", "xc"};
constexpr DigitTable kUnits = {"", "i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix"};

struct RomanPosition {
  std::int32_t divisor;
  const DigitTable& table;
};
constexpr std::int32_t kThousand = 1000;
constexpr std::int32_t kHundred = 100;
constexpr RomanPosition kRomanPositions[] = {
    {kThousand, kThousands}, {kHundred, kHundreds}, {kRadix, kTens}, {1, kUnits}};

std::string decimal(std::int32_t number) { return std::to_string(number); }

std::string upperCased(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  return text;
}

std::string roman(std::int32_t number) {
  std::string text;
  for (const auto& position : kRomanPositions) {
    // Division and remainder truncate toward zero, so a negative number
    // gives negative digits, which write nothing.
    std::int32_t digit = number / position.divisor % kRadix;
    if (digit > 0) text += position.table[static_cast<std::size_t>(digit)];
  }
  return text.empty() ? decimal(number) : text;
}

std::string alphabetic(std::int32_t number) {
  if (number <= 0) return decimal(number);
  std::string text;
  for (std::int32_t n = number; n > 0; n /= kAlphabetSize) {
    --n;
    text.insert(text.begin(), static_cast<char>('a' + n % kAlphabetSize));
  }
  return text;
}

}  // namespace

std::optional<std::string> numberStringWithNumber(std::int32_t number, ListNumberStyle style) {
  switch (style) {
    case ListNumberStyle::Decimal:
      return decimal(number);
    case ListNumberStyle::LowerRoman:
      return roman(number);
    case ListNumberStyle::UpperRoman:
      return upperCased(roman(number));
    case ListNumberStyle::LowerAlphabetic:
      return alphabetic(number);
    case ListNumberStyle::UpperAlphabetic:
      return upperCased(alphabetic(number));
    case ListNumberStyle::None:
      break;
  }
  return std::nullopt;
}

std::string numberStringInHarvardWithNumber(std::int32_t number, std::int32_t depth) {
  constexpr std::int64_t kCycleStart = 5;
  constexpr std::int64_t kCycleLength = 3;
  auto styled = [number](ListNumberStyle style) { return numberStringWithNumber(number, style).value_or(""); };
  switch (depth) {
    case 0:
      return "";
    case 1:
      return formatWithObjects("%@.", {styled(ListNumberStyle::UpperRoman)});
    case 2:
      return formatWithObjects("%@.", {styled(ListNumberStyle::UpperAlphabetic)});
    case 3:
      return decimal(number) + ".";
    case 4:
      return formatWithObjects("%@)", {styled(ListNumberStyle::LowerAlphabetic)});
    default:
      break;
  }
  // 64-bit so that depth - 5 cannot overflow for the lowest depths.
  std::int64_t row = (static_cast<std::int64_t>(depth) - kCycleStart) % kCycleLength;
  if (row < 0) return decimal(number) + ".";
  if (row == 0) return "(" + decimal(number) + ")";
  if (row == 1) return formatWithObjects("(%@)", {styled(ListNumberStyle::LowerAlphabetic)});
  return formatWithObjects("%@)", {styled(ListNumberStyle::LowerRoman)});
}

}  // namespace qor
