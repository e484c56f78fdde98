// The defaults file the tool works on: read once at the start, written back
// whole and atomically at the end, so that it is never left half-written and
// a command that fails leaves it as it was.
#pragma once

#include <string>

#include "qor/seams/file_system.h"
#include "qor/value.h"

namespace qor {

struct DefaultsFileRead {
  DictionaryRef contents;  // null when there is no file yet
  std::string error;       // one line; empty on success
  [[nodiscard]] bool ok() const { return error.empty(); }
};

// Reads `path` through `fs`. A file that does not exist gives no contents
// and no error. Failure: a file that exists but cannot be read, or does not
// hold a property-list dictionary (XML or binary); the tool then refuses to
// touch it.
[[nodiscard]] DefaultsFileRead readDefaultsFile(const std::string& path, FileSystem& fs);

// Whether the store's `after` contents differ from what was read.
//   (null, {}) -> false    ({a = 1}, {a = 2}) -> true
[[nodiscard]] bool defaultsChanged(const DictionaryRef& before, const DictionaryRef& after);

}  // namespace qor
