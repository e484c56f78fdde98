/// @file
/// Property-list files and bytes through libplist.
///
/// Reading accepts the XML and the binary encodings; writing produces XML.
/// Integers, reals and booleans stay apart; negative integers survive (the
/// library stores them as unsigned two's complement); reals are read and
/// written in the C locale whatever the process locale is; dictionary key
/// order is kept, and of duplicate keys the last value wins. Dates keep their
/// fractions of a second in binary files only: the XML form has whole seconds.
///
/// Example:
/// @code
///   auto set = qor::readPropertyListFile("/tmp/Mine.QOR_shortcuts");
///   if (auto dict = qor::asDictionary(set)) ...
/// @endcode
///
/// Threads: any function may be called from several threads at once; a value
/// may be read from several threads, but one being changed belongs to one
/// thread until it is done.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>
#include <span>
#include <string>

#include "qor/value.h"

namespace qor {

/// The most arrays and dictionaries nested in one another that are read or
/// written; the outermost counts one. Deeper input is refused before the
/// library recurses into it.
inline constexpr int kMaximumPropertyListDepth = 512;

/// Parses XML or binary property-list bytes. Fixed containers are returned.
/// Result: the root value, or null for empty, malformed or unsupported input:
/// nesting beyond kMaximumPropertyListDepth, an integer above INT64_MAX, a
/// UID. A date in XML loses any fraction of a second.
[[nodiscard]] QOR_TOOLBOX_EXPORT Ref propertyListFromBytes(std::span<const std::uint8_t> bytes);

/// Serialises `value` as an XML property list (UTF-8, with the usual
/// <?xml ...> and DOCTYPE lines). Dates are rounded down to whole seconds.
/// Control characters other than tab and line feed are written as character
/// references ("&#13;", "&#27;"): a captured Escape or Backspace key is one,
/// and a raw one would be lost or refused. This reader reads them back; strict
/// XML 1.0 readers (python's plistlib) refuse the references below 32 other
/// than "&#13;", so only files holding such keys need a lenient reader.
/// Result: empty for a null value and for a value the XML form cannot carry:
/// nesting beyond kMaximumPropertyListDepth (a container holding itself), a
/// string or key that is not valid UTF-8 or holds NUL, U+FFFE or U+FFFF, a
/// date outside the years 1000-9999.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string xmlPropertyListFromValue(const Ref& value);

/// Reads a whole file (qor/file_system.h). Result: null when the file cannot
/// be read or does not parse.
[[nodiscard]] QOR_TOOLBOX_EXPORT Ref readPropertyListFile(const std::string& path);

/// Writes `value` as XML atomically: a temporary file in the same folder,
/// flushed and renamed over `path`. Result: false (with a "***" log line) when
/// the value cannot be serialised or any step fails; the old file is then
/// untouched and no temporary remains.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool writePropertyListFile(const Ref& value, const std::string& path);

}  // namespace qor
