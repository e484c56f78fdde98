// Property-list files and bytes through libplist.
//
// Reading accepts the XML and the binary encodings; writing produces XML.
// Integers, reals and booleans stay apart; negative integers survive (the
// library stores them as unsigned two's complement); reals are read in the C
// locale whatever the process locale is; dictionary key order is kept.
//
// Example:
//   auto set = qor::readPropertyListFile("/tmp/Mine.QOR_shortcuts");
//   if (auto dict = qor::asDictionary(set)) ...
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "qor/file_system.h"
#include "qor/value.h"

namespace qor {

// Parses XML or binary property-list bytes. Fixed containers are returned.
// Result: the root value, or null for empty, malformed or unsupported input.
[[nodiscard]] Ref propertyListFromBytes(std::span<const std::uint8_t> bytes);

// Serialises `value` as an XML property list (UTF-8, with the usual
// <?xml ...> and DOCTYPE lines). Result: empty for a null value.
[[nodiscard]] std::string xmlPropertyListFromValue(const Ref& value);

// Reads a whole file through `fs`. Result: null when the file cannot be read
// or does not parse.
[[nodiscard]] Ref readPropertyListFile(const std::string& path,
                                       FileSystem& fs = FileSystem::real());

// Writes `value` as XML atomically: a temporary file in the same folder,
// flushed and renamed over `path`. Result: false (with a "***" log line) when
// any step fails; the old file is then untouched and no temporary remains.
[[nodiscard]] bool writePropertyListFile(const Ref& value, const std::string& path,
                                         FileSystem& fs = FileSystem::real());

}  // namespace qor
