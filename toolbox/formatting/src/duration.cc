#include "qor/duration.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <span>

#include "qor/bundle.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr const char* kWordsTable = "GUIStrings";

constexpr double kDaysPerYear = 365;
constexpr double kDaysPerMonth = 31;
constexpr double kDaysPerWeek = 7;
constexpr double kHoursPerDay = 24;
constexpr double kMinutesPerHour = 60;
constexpr double kSecondsPerMinute = 60;

// Seconds per unit as the factors they are multiplied by, one after the
// other: a year term is value * 365 * 24 * 60 * 60, rounding after each step,
// which for long digit runs differs from one multiplication by 31536000.
constexpr double kYearFactors[] = {kDaysPerYear, kHoursPerDay, kMinutesPerHour, kSecondsPerMinute};
constexpr double kMonthFactors[] = {kDaysPerMonth, kHoursPerDay, kMinutesPerHour, kSecondsPerMinute};
constexpr double kWeekFactors[] = {kDaysPerWeek, kHoursPerDay, kMinutesPerHour, kSecondsPerMinute};
constexpr double kDayFactors[] = {kHoursPerDay, kMinutesPerHour, kSecondsPerMinute};
constexpr double kHourFactors[] = {kMinutesPerHour, kSecondsPerMinute};
constexpr double kMinuteFactors[] = {kSecondsPerMinute};

struct DurationUnit {
  char letter;             // 0 for seconds, chosen by every other character
  const char* key;         // the component key, also the singular word
  const char* plural;
  std::span<const double> factors;
};

// In rendering order.
constexpr DurationUnit kUnits[] = {
    {'y', "year", "years", kYearFactors},
    {'M', "month", "months", kMonthFactors},
    {'w', "week", "weeks", kWeekFactors},
    {'d', "day", "days", kDayFactors},
    {'h', "hour", "hours", kHourFactors},
    {'m', "minute", "minutes", kMinuteFactors},
    {0, "second", "seconds", {}},
};
constexpr const DurationUnit& kSecondUnit = kUnits[std::size(kUnits) - 1];

const DurationUnit& unitForCharacter(char c) {
  for (const auto& unit : kUnits) {
    if (unit.letter != 0 && unit.letter == c) return unit;
  }
  return kSecondUnit;
}

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Digits and unit letters are all ASCII, so scanning UTF-8 bytes finds the
// same numbers and units as scanning UTF-16 code units would: a multi-byte
// character is never a digit or a unit letter, and the bytes of it left after
// a consumed unit are skipped like any other non-digit.
//
// Result: false when `input` holds no digit (nothing stored).
bool parseInto(std::string_view input, MutableDictionary& components) {
  bool stored = false;
  std::size_t position = 0;
  while (position < input.size()) {
    std::size_t start = position;
    while (start < input.size() && !isAsciiDigit(input[start])) ++start;
    if (start == input.size()) break;
    std::size_t end = start;
    while (end < input.size() && isAsciiDigit(input[end])) ++end;
    const DurationUnit& unit = end < input.size() ? unitForCharacter(input[end]) : kSecondUnit;
    components.setObjectForKey(str(std::string(input.substr(start, end - start))), unit.key);
    stored = true;
    position = end + 1;  // the unit character is consumed whatever it is
  }
  return stored;
}

// A value read as a 32-bit integer: leading white space, an optional sign and
// the leading digits of a string, saturating at the 32-bit range; a number
// clamped to that range; 0 for anything else.
std::int32_t integerReading(const Ref& value) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  std::int64_t result = 0;
  if (auto number = asNumber(value)) {
    result = std::clamp<std::int64_t>(number->integerValue(), kMin, kMax);
  } else if (auto text = asString(value)) {
    std::string_view s = text->value();
    std::size_t i = s.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string_view::npos) return 0;
    bool negative = s[i] == '-';
    if (s[i] == '-' || s[i] == '+') ++i;
    constexpr std::int64_t kBase = 10;
    for (; i < s.size() && isAsciiDigit(s[i]); ++i) {
      result = std::min(result * kBase + (s[i] - '0'), kMax + 1);
    }
    result = negative ? std::max(-result, kMin) : std::min(result, kMax);
  }
  return static_cast<std::int32_t>(result);
}

// A value as "%@" shows it: a string as stored, a number in decimal, other
// kinds in their short description.
std::string valueText(const Ref& value) {
  if (auto text = asString(value)) return text->value();
  auto number = asNumber(value);
  if (!number) return describe(value);
  if (number->type() != Number::Type::Real) return std::to_string(number->integerValue());
  constexpr std::size_t kShortestDoubleChars = 32;
  char buffer[kShortestDoubleChars];
  auto written = std::to_chars(buffer, buffer + sizeof buffer, number->realValue());
  return std::string(buffer, written.ptr);
}

std::string render(const Dictionary& components) {
  auto bundle = mainBundle();
  std::string text;
  for (const auto& unit : kUnits) {
    Ref value = components.objectForKey(unit.key);
    if (!value) continue;
    if (!text.empty()) text += ' ';
    std::string word = integerReading(value) > 1 ? unit.plural : unit.key;
    std::string shownWord = bundle->localizedStringForKeyValueTable(word, "", kWordsTable);
    text += formatWithObjects("%@ %@", {valueText(value), shownWord});
  }
  return text;
}

}  // namespace

std::optional<std::string> durationStringFromString(std::string_view input, const MutableDictionaryRef& components) {
  if (input.empty() || !components) return std::nullopt;
  if (!parseInto(input, *components)) return std::nullopt;
  return render(*components);
}

double durationFromString(std::string_view input) {
  auto components = MutableDictionary::make();
  if (input.empty() || !parseInto(input, *components)) return 0.0;
  double total = 0.0;
  for (const auto& unit : kUnits) {
    auto digits = components->stringForKey(unit.key);
    if (!digits) continue;
    // Digits only: strtod reads them the same in every locale, and gives
    // HUGE_VAL for a run too long for a double.
    double term = std::strtod(digits->value().c_str(), nullptr);
    for (double factor : unit.factors) term *= factor;
    total += term;
  }
  return total;
}

}  // namespace qor
