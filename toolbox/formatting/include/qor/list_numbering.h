/// @file
/// List numbering: the label in front of an item of a numbered list or an
/// outline (4 -> "iv", 28 -> "AB", depth 1 -> "IV.").
///
/// Example:
/// @code
///   qor::numberStringWithNumber(1999, qor::ListNumberStyle::UpperRoman);  // "MCMXCIX"
///   qor::numberStringInHarvardWithNumber(2, 4);                           // "b)"
/// @endcode
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qor {

/// Numbering styles. The enumerators carry the codes the host stores and
/// passes around; listNumberStyleFromCode reads such a code.
enum class ListNumberStyle : std::int32_t {
  None = 0,
  Decimal = 1,
  LowerRoman = 2,
  UpperRoman = 3,
  LowerAlphabetic = 4,
  UpperAlphabetic = 5,
};

/// The style of `code`; every code outside 1 to 5, negative ones included,
/// is None.
[[nodiscard]] constexpr ListNumberStyle listNumberStyleFromCode(std::int32_t code) {
  constexpr std::int32_t kLast = static_cast<std::int32_t>(ListNumberStyle::UpperAlphabetic);
  return code >= 1 && code <= kLast ? static_cast<ListNumberStyle>(code) : ListNumberStyle::None;
}

/// `number` written in `style`.
///
/// Decimal: "%d", so negative numbers keep their minus sign.
/// Roman: the thousands digit (1 to 3 only; higher positions are never looked
/// at) then the hundreds, tens and units, each from its own table:
/// 3999 -> "mmmcmxcix". From 4000 on that yields the roman form of the last
/// three digits, led by "m", "mm" or "mmm" when the thousands digit is 1 to 3
/// (4001 -> "i", 12345 -> "mmcccxlv"). When nothing is written (0, negative
/// numbers, 4000, 10000) the number is written in decimal instead.
/// Alphabetic: bijective base 26 over a to z (26 -> "z", 27 -> "aa",
/// 702 -> "zz", 703 -> "aaa"). It has no label for 0 or negative numbers,
/// which are written in decimal like the roman fall-back, so every number gets
/// some label.
/// The upper-case styles upper-case the letters; a decimal fall-back stays as
/// it is.
///
/// Result: nullopt for ListNumberStyle::None and for any value outside the
/// enumerators (a code cast in unchecked).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<std::string> numberStringWithNumber(std::int32_t number, ListNumberStyle style);

/// The label of an outline entry numbered `number` within its level at
/// `depth` (1 is the top level), in the Harvard cycle:
/// @code
///   depth 1 "I."  2 "A."  3 "1."  4 "a)"  then repeating from 5:
///   "(1)", "(a)", "i)" for depths 5, 6, 7; 8, 9, 10; and so on.
/// @endcode
/// The row past depth 4 is (depth - 5) remainder 3 with truncating division;
/// for a negative depth that remainder is 0 or negative: 0 gives "(1)", a
/// negative one "1." (so -1 and -4 give "(1)", -2 and -3 give "1.").
/// Result: the empty string for depth 0, never nullopt.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string numberStringInHarvardWithNumber(std::int32_t number, std::int32_t depth);

}  // namespace qor
