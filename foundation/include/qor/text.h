/// @file
/// Small text helpers shared by every layer.
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

#include <string>
#include <string_view>
#include <vector>

namespace qor {

/// Fills each "%@" of `format`, left to right, with the next argument; "%%"
/// gives "%". Missing arguments fill with nothing; extra ones are ignored.
/// Other "%" sequences are copied as they stand.
/// @code
///   formatWithObjects("Remove '%@'", {"⌘S"})  ->  "Remove '⌘S'"
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string formatWithObjects(std::string_view format,
                                            const std::vector<std::string>& arguments);

/// UTF-8 <-> UTF-16 at the points where behaviour counts UTF-16 code units.
/// Invalid UTF-8 bytes decode as U+FFFD each; an unpaired surrogate encodes as
/// U+FFFD.
///@{
[[nodiscard]] QOR_TOOLBOX_EXPORT std::u16string utf16FromUtf8(std::string_view utf8);
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string utf8FromUtf16(std::u16string_view utf16);
///@}
/// The UTF-8 text of one UTF-16 code unit (a lone surrogate gives U+FFFD).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string utf8FromCodeUnit(char16_t unit);
/// Number of UTF-16 code units of `utf8`.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::size_t utf16Length(std::string_view utf8);

/// Case-insensitive text comparison (ASCII letters folded, then byte order);
/// returns <0, 0, >0.
[[nodiscard]] QOR_TOOLBOX_EXPORT int compareCaseInsensitive(std::string_view a, std::string_view b);

}  // namespace qor
