#include "qor/host/default_set.h"

#include "qor/command_trees.h"
#include "qor/key_bindings.h"
#include "qor/log.h"
#include "qor/plist_file.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr const char* kHostStringsTable = "GUIStrings";
constexpr const char* kUnreadableFormat = "*** buildDefaultKeyBindingsSet: cannot read %@ from %@";

Ref readResource(const Bundle& bundle, const char* name, Kind kind, FileSystem& fs) {
  std::optional<std::string> path = bundle.pathForResource(name);
  Ref value = path ? readPropertyListFile(*path, fs) : nullptr;
  if (value && value->kind() == kind) return value;
  logLine(formatWithObjects(kUnreadableFormat, {name, bundle.bundlePath()}));
  return nullptr;
}

}  // namespace

DictionaryRef buildDefaultKeyBindingsSet(const Menu& mainMenu, const Bundle& hostBundle, FileSystem& fs) {
  ArrayRef table = asArray(readResource(hostBundle, kShortcutTableResource, Kind::Array, fs));
  DictionaryRef layout = asDictionary(readResource(hostBundle, kMenuLayoutResource, Kind::Dictionary, fs));
  DictionaryRef editor = asDictionary(readResource(hostBundle, kDefaultEditorBindingsResource, Kind::Dictionary, fs));
  if (!table || !layout || !editor) return nullptr;

  auto map = MutableDictionary::make();
  Enumerator records;
  recursiveCreateShortcutMapWithArrayEnumeratorResult(*table, records, *map);
  auto menu = MutableDictionary::make();
  Enumerator keys;
  recursiveCreateKeyBindingsDataSourceWithDictMapEnumeratorResultDict(*layout, *map, keys, *menu, mainMenu);

  std::string name = hostBundle.localizedStringForKeyValueTable(kDefaultSetName, "", kHostStringsTable);
  return Dictionary::make({{kSetNameKey, str(std::move(name))}, {kSetMenuKey, menu}, {kSetEditorKey, editor}});
}

}  // namespace qor
