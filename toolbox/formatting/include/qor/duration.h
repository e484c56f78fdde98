/// @file
/// Duration strings: the compact notation users type for a length of time
/// ("2h30m", "1y 6M"), shown in words or counted in seconds.
///
/// A duration is a run of numbers, each followed by one unit character:
/// @code
///   y year (365 days)   M month (31 days)   w week   d day   h hour   m minute
/// @endcode
/// Any other character after a number, or the end of the text, means seconds.
/// Unit letters are case-sensitive: "6M" is six months, "6m" six minutes.
///
/// Parsing, left to right: skip to the first ASCII digit, take the longest run
/// of digits, then consume exactly one character as the unit whatever it is,
/// and continue with the rest. Anything that is not a digit is skipped while
/// looking for the next number, so "1.5h" reads as 1 second ('.' is the unit)
/// and then 5 hours. A unit met twice keeps the later number ("1h2h" is 2
/// hours).
///
/// Components (the `DurationComponents` dictionary) map "year", "month",
/// "week", "day", "hour", "minute" and "second" to the digits exactly as typed,
/// as strings: "05m" stores "05".
///
/// Words are looked up in the "GUIStrings" table of the host's main bundle
/// (qor::mainBundle()), keys "year"/"years" ... "second"/"seconds"; a key the
/// table lacks shows as itself. Main thread only: the bundle caches its
/// tables unlocked.
///
/// Example:
/// @code
///   auto components = qor::MutableDictionary::make();
///   qor::durationStringFromString("2h30m", components);  // "2 hours 30 minutes"
///   qor::durationFromString("2h30m");                    // 9000.0
/// @endcode
#pragma once

#include "qor/toolbox_export.h"

#include <optional>
#include <string>
#include <string_view>

#include "qor/value.h"

namespace qor {

/// Parses `input` into `components` and renders them as words.
///
/// Entries already in `components` stay unless a parsed unit replaces them,
/// and they are rendered too. Rendering lists the present units in the fixed
/// order year, month, week, day, hour, minute, second, separated by one space,
/// each as "<digits as stored> <word>". The word is singular when the stored
/// digits read as an integer (saturating at 2147483647) of at most 1, so "0m"
/// renders "0 minute"; otherwise plural.
///
/// Result: nullopt when `input` is empty, `components` is null, or `input`
/// holds no ASCII digit (then `components` is left as it was).
/// @code
///   "3m2h"  -> "2 hours 3 minutes"
///   "1.5h"  -> "5 hours 1 second"
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<std::string> durationStringFromString(std::string_view input,
                                                                  const MutableDictionaryRef& components);

/// The total length of `input` in seconds: each parsed number read as a double
/// times its unit's seconds, summed in the order year to second (a month counts
/// 31 days, a year 365). Result: 0.0 when `input` is empty or holds no digit.
/// @code
///   "6m" -> 360.0    "6M" -> 16070400.0    "90" -> 90.0
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT double durationFromString(std::string_view input);

}  // namespace qor
