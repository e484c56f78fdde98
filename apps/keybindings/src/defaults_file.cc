#include "defaults_file.h"

#include <filesystem>

#include "qor/plist_file.h"

namespace qor {

DefaultsFileRead readDefaultsFile(const std::string& path, FileSystem& fs) {
  DefaultsFileRead read;
  std::optional<std::vector<std::uint8_t>> bytes = fs.readFile(path);
  if (!bytes) {
    std::error_code ignored;
    if (std::filesystem::exists(path, ignored)) read.error = "cannot read the defaults file '" + path + "'";
    return read;
  }
  read.contents = asDictionary(propertyListFromBytes(*bytes));
  if (!read.contents) read.error = "the defaults file '" + path + "' holds no property-list dictionary; left as it is";
  return read;
}

bool defaultsChanged(const DictionaryRef& before, const DictionaryRef& after) {
  return !isEqual(before ? Ref(before) : Ref(Dictionary::make()), after ? Ref(after) : Ref(Dictionary::make()));
}

}  // namespace qor
